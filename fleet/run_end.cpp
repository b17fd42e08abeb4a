#include "fleet/run_end.h"

#include <algorithm>

#include "log/activity_log.h"
#include "log/log_file.h"
#include "places/system_paths.h"
#include "platform/platform.h"
#include "report/report_store.h"
#include "report/run_id.h"
#include "report/run_marker.h"
#include "report/run_report.h"
#include "scan/follow_up.h"
#include "scan/passes.h"
#include "scan/scan_context.h"
#include "scan/scan_run.h"

namespace dizi {

namespace {

constexpr char kReportFailed[] = "The report could not be written to ";
constexpr char kNotKeptHere[] = "The report could not be kept on this computer in ";
constexpr char kLogKeptInstead[] = "  The log is kept on this computer instead: ";
constexpr char kLogNotKeptHere[] = "  The log could not be kept on this computer in ";
constexpr char kMarkerFailed[] = "  The registry marker HKEY_LOCAL_MACHINE\\";
constexpr char kEventFailed[] = "  The run could not be noted in the Application event log: ";

// One pass of writing everything the run leaves, as the record now says.
class Evidence {
 public:
  Evidence(ScanContext& context, RunRecord& record, const std::string& reportPath)
      : context_(context),
        record_(record),
        reportPath_(reportPath),
        store_(context.platform),
        stem_(ReportFileStem(context.platform, record)),
        linesSaved_(context.log.Lines().size()),
        savedBeside_(record.logSaved) {
    for (const std::string& line : store_.SetAside()) {
      context_.log.AddLogLine(true, "  " + line + ".");
    }
  }

  void Write(int round) {
    Platform& platform = context_.platform;
    // The log first: where it could not be saved beside the program, the
    // computer's copy is the run's log.
    KeepLog();
    const Outcome kept = KeepReport();
    if (!reportPath_.empty()) {
      const Outcome written = WriteToTarget(round);
      if (!written) {
        record_.reportFailed = true;
        NoteError(kReportFailed + shareFile_ + ": " + written.reason);
        if (kept) {
          KeepReport();
        }
      }
    }
    if (const Outcome marker = WriteMarker(platform, record_); !marker) {
      context_.log.AddLogLine(true, std::string(kMarkerFailed) + kMarkerKey +
                                        " could not be written: " + marker.reason);
    }
    const std::string reportHere =
        kept ? store_.Path() + "\\" + stem_ + kReportExtension : std::string();
    if (const Outcome event =
            WriteRunEvent(platform, record_, context_.paths.ProgramCopy, reportHere);
        !event) {
      context_.log.AddLogLine(true, kEventFailed + event.reason);
    }
    FinishLogs();
    if (round == 1) {
      store_.Prune(record_.runId);
    }
  }

 private:
  // Logged and named in the reports, once however often it happens.
  void NoteError(const std::string& text) {
    if (std::find(record_.errors.begin(), record_.errors.end(), text) != record_.errors.end()) {
      return;
    }
    context_.log.AddLogLine(true, "  " + text);
    record_.errors.push_back(text);
  }

  // The computer's own copy; a failure is noted once.
  Outcome KeepReport() {
    const Outcome kept =
        store_.Keep(stem_ + kReportExtension, ReportText(record_, context_.platform));
    if (!kept && !notedNotKept_) {
      notedNotKept_ = true;
      record_.reportFailed = true;
      NoteError(kNotKeptHere + StorePath() + ": " + kept.reason);
    }
    return kept;
  }

  // Where the computer's copies go: the folder's path even where it could
  // not be used.
  std::string StorePath() const {
    return store_.Path().empty() ? DataFolderPath(context_.platform, DataFolder::Reports)
                                 : store_.Path();
  }

  Outcome WriteToTarget(int round) {
    Platform& platform = context_.platform;
    const std::string text = ReportText(record_, platform);
    if (reportPath_.back() != '\\') {
      shareFile_ = reportPath_;
      return WriteReport(platform, reportPath_, text);
    }
    shareFile_ = reportPath_ + stem_ + (round == 1 ? "" : "-2") + kReportExtension;
    return WriteNewFile(platform, shareFile_, text);
  }

  // The computer's copy of the log, as it now is. A failure to keep it is
  // said in the log beside the program; a log not saved there is the run's
  // log where it is kept.
  void KeepLog() {
    ActivityLog& log = context_.log;
    logKept_ = store_.Keep(stem_ + kLogExtension, LogFileText(log));
    if (!logKept_ && !notedLogNotKept_) {
      notedLogNotKept_ = true;
      log.AddLogLine(true, kLogNotKeptHere + StorePath() + ": " + logKept_.reason);
    }
    if (logKept_ && !savedBeside_ && !record_.logSaved) {
      record_.logSaved = true;
      record_.logFile = store_.Path() + "\\" + stem_ + kLogExtension;
      log.AddLogLine(true, kLogKeptInstead + record_.logFile);
    }
  }

  // Lines added since the logs were written: both written again (the one
  // beside the program only where it could be saved before).
  void FinishLogs() {
    ActivityLog& log = context_.log;
    if (log.Lines().size() == linesSaved_) {
      return;
    }
    linesSaved_ = log.Lines().size();
    if (logKept_) {
      store_.Keep(stem_ + kLogExtension, LogFileText(log));
    }
    if (savedBeside_) {
      SaveLogFile(context_.platform, context_.paths, log);
    }
  }

  ScanContext& context_;
  RunRecord& record_;
  const std::string& reportPath_;
  ReportStore store_;
  std::string stem_;
  std::size_t linesSaved_;
  bool savedBeside_;
  Outcome logKept_;
  std::string shareFile_;
  bool notedNotKept_ = false;
  bool notedLogNotKept_ = false;
};

}  // namespace

RunRecord BeginRun(Platform& machine) {
  RunRecord record;
  record.started = machine.Now();
  record.runId = MakeRunId(machine, record.started);
  record.computer = machine.ComputerName();
  record.user = machine.UserName();
  record.windows = machine.Version();
  record.windows64 = machine.Is64BitWindows();
  return record;
}

void FinishRun(ScanContext& context, RunRecord& record, const std::string& reportPath) {
  Evidence evidence(context, record, reportPath);
  evidence.Write(1);
  if (!StartWantedRestart(context)) {
    record.scan.restartFailed = true;
    evidence.Write(2);
  }
}

RunRecord RunWindowScan(ScanContext& context, ScanView& view) {
  Platform& platform = context.platform;
  RunRecord record = BeginRun(platform);
  context.FollowUp = PlanFollowUp(context.paths, record.runId, WindowFollowUpWay(platform), {});
  record.scan = RunScan(context, view);
  record.scanned = true;
  record.logSaved = record.scan.logSaved;
  record.logFile = LogFilePath(context.paths);
  record.finished = platform.Now();
  FinishRun(context, record, {});
  return record;
}

}  // namespace dizi
