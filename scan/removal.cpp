#include "scan/removal.h"

#include "log/activity_log.h"
#include "places/outside_tools.h"
#include "platform/platform.h"
#include "quarantine/keep.h"
#include "scan/image_names.h"
#include "scan/scan_context.h"
#include "scan/signatures.h"

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

// The second signal is never started where it would reach a process that is
// not the family's: it selects by image name only.
constexpr char kSecondSignalWithheld[] =
    "   +-> Killing signal 2/2 was not sent: it would also end ";
constexpr char kWindowsOwn[] = "Windows' own ";
constexpr char kRepairProgramOwn[] = "Diri Tarvix's own ";
constexpr char kStillRunning[] = ", which is still running";

// How long an abort and a kill that could reach the program's own repair
// program may take before they are ended.
constexpr unsigned kCommandWaitMs = 5000;
// How long the kill tool may take: it waits up to 3 seconds for each process
// it ends, so that the file is free when it exits.
constexpr unsigned kKillToolWaitMs = 10000;

// Why the image name must not be killed by name, as the end of the withheld
// line; empty when nothing stands in the way.
std::string WhoElseRunsAs(const ScanContext& context, const std::string& imageName) {
  if (IsWindowsProcessName(imageName)) {
    return kWindowsOwn + imageName;
  }
  if (context.RepairProgramMayBeRunning && SameImageName(imageName, kRepairProgramName)) {
    return kRepairProgramOwn + imageName + kStillRunning;
  }
  return {};
}

// The kill tool by the file's full path, then the system's by its image name.
void SendKillSignals(ScanContext& context, const std::string& path, const std::string& imageName) {
  ActivityLog& log = context.log;
  Platform& platform = context.platform;
  log.AddLogLine(true, "   -> Sending killing signal...");
  // Waited for: the tool reads the file's identity to choose the processes,
  // and the deletion must not find the file still open by it.
  platform.RunHidden(KillToolCommand(context.paths, path), kKillToolWaitMs, AtTimeLimit::Leave);
  log.AddLogLine(false, "   +-> Killing signal 1/2 has been sent");

  const std::string other = WhoElseRunsAs(context, imageName);
  if (!other.empty()) {
    log.AddLogLine(false, kSecondSignalWithheld + other);
    return;
  }
  const Command byName = TaskKillCommand(context.paths, imageName);
  if (SameImageName(imageName, kRepairProgramName)) {
    // Over before the fix-up starts the program's own repair program.
    platform.RunHidden(byName, kCommandWaitMs, AtTimeLimit::End);
  } else {
    platform.StartHidden(byName);
  }
  log.AddLogLine(false, "   +-> Killing signal 2/2 has been sent in case of failure of 1/2");
  log.AddLogLine(false, "   +-> Killing signals has been sent. 1,2/2");
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

// What became of the file, never claiming a deletion that did not happen.
FileOutcome Settle(Platform& platform, const std::string& path) {
  if (!platform.FileExists(path)) {
    return FileOutcome::Deleted;
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

void RemoveTarget(ScanContext& context, TargetKind kind, const std::string& path,
                  const Signature& entry) {
  const KindTexts& texts = TextsFor(kind);
  context.log.AddLogLine(true, texts.detected);
  context.log.AddLogLine(false, kPathPrefix + path);
  SendKillSignals(context, path, ImageName(entry));
  if (kind == TargetKind::Server) {
    AbortPendingShutdown(context);
  }
  // Kept once the kills have released it, before the first deletion attempt.
  // Whatever becomes of the copy, the removal goes on exactly as it would.
  const KeptFile kept = KeepOnce(context, kind, path);
  DeleteWithRetries(context, path);
  const FileOutcome outcome = Settle(context.platform, path);
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
}

void ReportTarget(ScanContext& context, TargetKind kind, const std::string& path) {
  context.log.AddLogLine(true, TextsFor(kind).detected);
  context.log.AddLogLine(false, kPathPrefix + path);
  context.log.AddLogLine(true, kLeftAsItIs);
  FoundFile& file = context.Result.Record(path, kind, FileOutcome::Found);
  file.realPath = context.platform.RealPath(path);
}

}  // namespace dizi
