#include "fleet/silent_run.h"

#include <algorithm>

#include "fleet/quiet_platform.h"
#include "fleet/quiet_views.h"
#include "fleet/run_end.h"
#include "log/activity_log.h"
#include "log/log_file.h"
#include "places/data_tree.h"
#include "places/system_paths.h"
#include "report/exit_code.h"
#include "report/run_record.h"
#include "scan/follow_up.h"
#include "scan/scan_context.h"
#include "scan/scan_run.h"
#include "startup/startup_checks.h"

namespace dizi {

namespace {

constexpr char kNoRightsLine[] =
    "Diri Tarvix cannot run: it needs administrator rights. Run it as an administrator "
    "(elevated) or as SYSTEM.";
constexpr char kFinalStateCaption[] = "Diri Tarvix 2.5";
constexpr char kGone[] =
    "Diri Tarvix scanned this computer once more after the restart: Tarvix is gone.";
constexpr char kBack[] =
    "Tarvix came back after the restart, and Diri Tarvix removed it again.\n\nSomething starts "
    "it in a way Diri Tarvix does not clean, so the computer is not restarted again: have it "
    "checked by hand.";
constexpr char kNotScanned[] = "Diri Tarvix could not scan this computer after the restart.";

// A run that stops before scanning still leaves its log, which says why.
void Stop(QuietPlatform& platform, const SystemPaths& paths, ActivityLog& log, RunRecord& record) {
  record.scanned = false;
  record.logSaved = SaveLogFile(platform, paths, log);
}

ScanMode ModeOf(const SilentOptions& options) {
  return options.scanOnly       ? ScanMode::ScanOnly
         : options.afterRestart ? ScanMode::AfterRestart
                                : ScanMode::Clean;
}

// The folder a report folder path names ("\\server\share\"), or nothing for
// a report file.
std::string ReportFolderOf(const std::string& reportPath) {
  return !reportPath.empty() && reportPath.back() == '\\' ? reportPath : std::string();
}

// The text of the box a check after a restart ends with: what it found,
// and what it could not do.
std::string FinalStateText(bool clean, bool scanned, const std::vector<std::string>& errors) {
  std::string text = !scanned ? kNotScanned : clean ? kGone : kBack;
  for (const std::string& error : errors) {
    text += "\n\n" + error;
  }
  return text;
}

}  // namespace

int RunSilently(Platform& machine, const RecordedDigests& recorded, const SilentOptions& options,
                const std::vector<std::string>& notes) {
  QuietLogView logView;
  QuietScanView scanView;
  ActivityLog log(logView);
  QuietPlatform platform(machine, log);
  SystemPaths paths;
  RunRecord record = BeginRun(machine);
  record.switches = options.switches;
  record.scanOnly = options.scanOnly;
  record.afterRestart = options.afterRestart;
  record.follows = options.follows;

  // The scan's state holds the shipped files from the start-up checks on.
  ScanContext context(platform, paths, log);
  RunStartupChecks(platform, paths, recorded, context.Companions,
                   options.scanOnly ? StartupFor::ScanOnly : StartupFor::SilentRun);
  context.Companions.notes.insert(context.Companions.notes.end(), notes.begin(), notes.end());
  record.logFile = LogFilePath(paths);
  // Started by the system's start-up task: it runs once.
  if (options.afterRestart && !options.showFinalState) {
    RemoveFollowUpTask(context);
  }
  if (platform.TerminationRequested()) {
    Stop(platform, paths, log, record);
  } else if (!machine.HasAdministratorRights()) {
    platform.NoteError(kNoRightsLine);
    Stop(platform, paths, log, record);
  } else {
    context.HoldBackRestart = options.noReboot;
    context.Mode = ModeOf(options);
    context.FollowsRunId = options.follows;
    if (context.Mode == ScanMode::Clean) {
      context.FollowUp = PlanFollowUp(paths, record.runId, FollowUp::StartupTask,
                                      ReportFolderOf(options.reportPath));
    }
    record.scan = RunScan(context, scanView);
    record.scanned = true;
    record.logSaved = record.scan.logSaved;
  }
  record.finished = machine.Now();
  record.errors = platform.Errors();
  // What the quarantine could not keep, and why, once for each reason.
  std::vector<std::string> notKept;
  for (const FoundFile& file : record.scan.found) {
    if (file.quarantineId.empty() && !file.quarantineFailure.empty() &&
        std::find(notKept.begin(), notKept.end(), file.quarantineFailure) == notKept.end()) {
      notKept.push_back(file.quarantineFailure);
      record.errors.push_back("A file found could not be kept in the quarantine: " +
                              file.quarantineFailure);
    }
  }

  FinishRun(context, record, options.reportPath);
  if (options.showFinalState) {
    const bool clean = VerdictOf(record) == Verdict::Clean;
    machine.ShowMessage(FinalStateText(clean, record.scanned, record.errors), kFinalStateCaption,
                        !record.scanned || !clean ? BoxIcon::Error : BoxIcon::Information);
  }
  return ExitCodeFor(record);
}

}  // namespace dizi
