#include "scan/removal.h"

#include <algorithm>
#include <vector>

#include "log/activity_log.h"
#include "places/outside_tools.h"
#include "platform/platform.h"
#include "quarantine/keep.h"
#include "scan/kill_tool_output.h"
#include "scan/scan_context.h"

namespace dizi {

namespace {

struct KindTexts {
  const char* detected;
  const char* deleted;
  const char* deletedAtRestart;
  const char* deleteByHand;
};

constexpr KindTexts kServerTexts = {
    "   -> Tarvix server has been detected!",
    "   => TarVix Server has been deleted from your computer.",
    "   => TarVix Server could not be deleted now; it will be deleted at the next restart.",
    "   => TarVix Server could not be deleted; please delete it by hand.",
};

constexpr KindTexts kDownloaderTexts = {
    "   -> Tarvix Stealth Downloader has been detected!",
    "   => TarVix Stealth Downloader has been deleted from your computer.",
    "   => TarVix Stealth Downloader could not be deleted now; it will be deleted at the next "
    "restart.",
    "   => TarVix Stealth Downloader could not be deleted; please delete it by hand.",
};

constexpr char kPathPrefix[] = "   +-> path: ";
constexpr char kLeftAsItIs[] = "   => Scan only: it was left as it is.";
constexpr char kKeptPrefix[] = "   +-> kept in quarantine as: ";
constexpr char kNotKeptPrefix[] = "   +-> could not be kept in quarantine: ";

const KindTexts& TextsFor(TargetKind kind) {
  return kind == TargetKind::Server ? kServerTexts : kDownloaderTexts;
}

constexpr char kFirstSignalSent[] = "   +-> Killing signal 1/2 has been sent";
constexpr char kFirstSignalNotSent[] =
    "   +-> Killing signal 1/2 could not be sent: the kill tool could not be started";
constexpr char kSecondSignalSent[] =
    "   +-> Killing signal 2/2 has been sent in case of failure of 1/2";
constexpr char kBothSignalsSent[] = "   +-> Killing signals has been sent. 1,2/2";
constexpr char kSecondSignalWithoutTargets[] =
    "   +-> Killing signal 2/2 was not sent: without the kill tool no process is known to "
    "run the file";
constexpr char kSecondSignalNotNeeded[] =
    "   +-> Killing signal 2/2 was not needed: the kill tool reported no process of the file "
    "that it could not end";
constexpr char kSecondSignalNotSent[] =
    "   +-> Killing signal 2/2 could not be sent: the system's task-kill tool could not be "
    "started";

// How long an abort and the system's task-kill tool may take before they are ended.
constexpr unsigned kCommandWaitMs = 5000;
// How long the kill tool may take: it waits up to 3 seconds for each process
// it ends, so that the file is free when it exits.
constexpr unsigned kKillToolWaitMs = 10000;
// Process ids given to one task-kill command, which keeps its command line short.
constexpr std::size_t kIdsPerTaskKill = 32;

// The system's task-kill tool for exactly these processes, each batch waited
// for, so that it is over before anything the scan starts later could be
// given an id it names. True when every batch was started.
bool EndByProcessId(ScanContext& context, const std::vector<unsigned long>& ids) {
  bool started = true;
  for (std::size_t first = 0; first < ids.size(); first += kIdsPerTaskKill) {
    const std::size_t last = std::min(ids.size(), first + kIdsPerTaskKill);
    const std::vector<unsigned long> batch(ids.begin() + static_cast<std::ptrdiff_t>(first),
                                           ids.begin() + static_cast<std::ptrdiff_t>(last));
    started = context.platform.RunHidden(TaskKillCommand(context.paths, batch), kCommandWaitMs,
                                         AtTimeLimit::End) != RunResult::NotStarted &&
              started;
  }
  return started;
}

// The kill tool for the processes whose image is the file at `path`; then,
// for those of them it identified but could not end, and only those, the
// system's task-kill tool by process id. Each line says what really happened.
void SendKillSignals(ScanContext& context, const std::string& path) {
  ActivityLog& log = context.log;
  log.AddLogLine(true, "   -> Sending killing signal...");
  // Waited for: the tool reads the file's identity to choose the processes,
  // the deletion must not find the file still open by it, and what it
  // reports chooses the second signal's processes.
  const CommandRun first = context.platform.RunHiddenForOutput(KillToolCommand(context.paths, path),
                                                               kKillToolWaitMs, AtTimeLimit::Leave);
  if (first.result == RunResult::NotStarted) {
    log.AddLogLine(false, kFirstSignalNotSent);
    log.AddLogLine(false, kSecondSignalWithoutTargets);
    return;
  }
  log.AddLogLine(false, kFirstSignalSent);
  const std::vector<unsigned long> notEnded = NotEndedProcesses(first.output);
  if (notEnded.empty()) {
    log.AddLogLine(false, kSecondSignalNotNeeded);
    return;
  }
  if (!EndByProcessId(context, notEnded)) {
    log.AddLogLine(false, kSecondSignalNotSent);
    return;
  }
  log.AddLogLine(false, kSecondSignalSent);
  log.AddLogLine(false, kBothSignalsSent);
}

// Waited for, so that no abort can cancel a restart requested after it.
void AbortPendingShutdown(ScanContext& context) {
  ActivityLog& log = context.log;
  log.AddLogLine(true, "   -> force shutdown may appear now so don't PANiC!");
  log.AddLogLine(false, "   +-> Sending Diri Force shutdown -- (XP Only)");
  context.platform.RunHidden(ShutdownAbortCommand(context.paths), kCommandWaitMs, AtTimeLimit::End);
  log.AddLogLine(false, "   +--> Diri Force Shutdown Has been sent...");
}

// Deletes with retries while the program-wide budget lasts. Each round makes
// one further attempt whose result is not looked at: a process that was just
// told to end may still hold the file for a moment.
void DeleteWithRetries(ScanContext& context, const std::string& path) {
  Platform& platform = context.platform;
  while (!platform.Delete(path) && context.DeleteRetryBudget <= 6) {
    platform.Delete(path);
    ++context.DeleteRetryBudget;
  }
}

// What became of the file, never claiming a deletion that did not happen. A
// file is registered for deletion at the next restart once in a run: a later
// pass that finds it still there finds it registered already.
FileOutcome Settle(ScanContext& context, const std::string& path) {
  Platform& platform = context.platform;
  if (!platform.FileExists(path)) {
    return FileOutcome::Deleted;
  }
  const FoundFile* earlier = context.Result.Find(path);
  if (earlier != nullptr && earlier->deleteAtRestartRegistered) {
    return FileOutcome::DeletedAtRestart;
  }
  return platform.DeleteAtRestart(path) ? FileOutcome::DeletedAtRestart : FileOutcome::DeleteByHand;
}

void LogOutcome(ScanContext& context, const KindTexts& texts, const std::string& path,
                FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::Deleted:
      context.log.AddLogLine(true, texts.deleted);
      break;
    case FileOutcome::DeletedAtRestart:
      context.log.AddLogLine(true, texts.deletedAtRestart);
      break;
    case FileOutcome::DeleteByHand:
      context.log.AddLogLine(true, texts.deleteByHand);
      context.log.AddLogLine(false, kPathPrefix + path);
      break;
    case FileOutcome::Found:
      break;
  }
}

// The names the quarantine's manifest gives kinds and outcomes.
const char* KindName(TargetKind kind) {
  return kind == TargetKind::Server ? "server" : "downloader";
}

const char* OriginalState(FileOutcome outcome) {
  switch (outcome) {
    case FileOutcome::Deleted:
      return "deleted";
    case FileOutcome::DeletedAtRestart:
      return "deleted at restart";
    case FileOutcome::DeleteByHand:
    case FileOutcome::Found:
      break;
  }
  return "left, delete by hand";
}

// Keeps the file in the quarantine, unless an earlier pass of this run kept
// it already and it survived that pass: then it is the same file, kept once.
// A file that appears again where an earlier pass deleted one is new.
KeptFile KeepOnce(ScanContext& context, TargetKind kind, const std::string& path) {
  const FoundFile* earlier = context.Result.Find(path);
  if (earlier != nullptr && !earlier->quarantineId.empty() &&
      earlier->outcome != FileOutcome::Deleted) {
    KeptFile kept;
    kept.kept = true;
    kept.id = earlier->quarantineId;
    kept.sha256 = earlier->sha256;
    return kept;
  }
  return KeepFile(context.platform, path, KindName(kind));
}

}  // namespace

void RemoveTarget(ScanContext& context, TargetKind kind, const std::string& path) {
  const KindTexts& texts = TextsFor(kind);
  context.log.AddLogLine(true, texts.detected);
  context.log.AddLogLine(false, kPathPrefix + path);
  SendKillSignals(context, path);
  if (kind == TargetKind::Server) {
    AbortPendingShutdown(context);
  }
  // Kept once the kills have released it, before the first deletion attempt.
  // Whatever becomes of the copy, the removal goes on exactly as it would.
  const KeptFile kept = KeepOnce(context, kind, path);
  DeleteWithRetries(context, path);
  const FileOutcome outcome = Settle(context, path);
  LogOutcome(context, texts, path, outcome);
  // Under the outcome it completes: the last lines of the find.
  for (const std::string& setAside : kept.setAside) {
    context.log.AddLogLine(false, "   +-> " + setAside);
  }
  context.log.AddLogLine(false, kept.kept ? kKeptPrefix + kept.id : kNotKeptPrefix + kept.reason);
  NoteOriginal(context.platform, path, KindName(kind), kept, OriginalState(outcome));
  FoundFile& file = context.Result.Record(path, kind, outcome);
  file.realPath = context.platform.RealPath(path);
  file.quarantineId = kept.id;
  file.sha256 = kept.sha256;
  file.quarantineFailure = kept.reason;
  file.deleteAtRestartRegistered |= outcome == FileOutcome::DeletedAtRestart;
}

void ReportTarget(ScanContext& context, TargetKind kind, const std::string& path) {
  context.log.AddLogLine(true, TextsFor(kind).detected);
  context.log.AddLogLine(false, kPathPrefix + path);
  context.log.AddLogLine(true, kLeftAsItIs);
  FoundFile& file = context.Result.Record(path, kind, FileOutcome::Found);
  file.realPath = context.platform.RealPath(path);
}

}  // namespace dizi
