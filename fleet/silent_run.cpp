#include "fleet/silent_run.h"

#include <algorithm>

#include "fleet/quiet_platform.h"
#include "fleet/quiet_views.h"
#include "log/activity_log.h"
#include "log/log_file.h"
#include "places/system_paths.h"
#include "report/exit_code.h"
#include "report/run_record.h"
#include "report/run_report.h"
#include "scan/scan_context.h"
#include "scan/scan_run.h"
#include "startup/startup_checks.h"

namespace dizi {

namespace {

constexpr char kNoRightsLine[] =
    "Diri Tarvix cannot run: it needs administrator rights. Run it as an administrator "
    "(elevated) or as SYSTEM.";
constexpr char kReportFailedLine[] = "  The report could not be written to ";

// A run that stops before scanning still leaves its log, which says why.
void Stop(QuietPlatform& platform, const SystemPaths& paths, ActivityLog& log, RunRecord& record) {
  record.scanned = false;
  record.logSaved = SaveLogFile(platform, paths, log);
}

}  // namespace

int RunSilently(Platform& machine, const RecordedDigests& recorded, const SilentOptions& options,
                const std::vector<std::string>& notes) {
  QuietLogView logView;
  QuietScanView scanView;
  ActivityLog log(logView);
  QuietPlatform platform(machine, log);
  SystemPaths paths;
  RunRecord record;
  record.started = machine.Now();
  record.computer = machine.ComputerName();
  record.user = machine.UserName();

  // The scan's state holds the shipped files from the start-up checks on.
  ScanContext context(platform, paths, log);
  RunStartupChecks(platform, paths, recorded, context.Companions);
  context.Companions.notes.insert(context.Companions.notes.end(), notes.begin(), notes.end());
  record.logFile = LogFilePath(paths);
  if (platform.TerminationRequested()) {
    Stop(platform, paths, log, record);
  } else if (!machine.HasAdministratorRights()) {
    platform.NoteError(kNoRightsLine);
    Stop(platform, paths, log, record);
  } else {
    context.HoldBackRestart = options.noReboot;
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

  if (!options.reportPath.empty()) {
    const Outcome written = WriteReport(machine, options.reportPath, ReportText(record, machine));
    if (!written) {
      // The log says why, saved again with that line.
      record.reportFailed = true;
      log.AddLogLine(true, kReportFailedLine + options.reportPath + ": " + written.reason);
      record.logSaved = SaveLogFile(platform, paths, log);
    }
  }
  return ExitCodeFor(record);
}

}  // namespace dizi
