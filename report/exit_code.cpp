#include "report/exit_code.h"

#include <algorithm>

#include "report/run_record.h"

namespace dizi {

namespace {

bool Any(const ScanResult& scan, bool (*test)(const FoundFile&)) {
  return std::any_of(scan.found.begin(), scan.found.end(), test);
}

}  // namespace

const std::array<ExitCodeMeaning, 8> kExitCodeMeanings = {{
    {0, "clean: nothing was found"},
    {1, "found, and every file found is gone"},
    {2, "found; a restart is needed to finish"},
    {3, "found; a file was left (delete it by hand) or a repair did not finish"},
    {4, "cannot run: a shipped file is missing or rights are lacking"},
    {kExitBadCommandLine, "bad command line, or the usage text was asked for"},
    {kExitAnotherRun, "another run is in progress"},
    {7, "scanned, but the log or the report could not be written"},
}};

Verdict VerdictOf(const RunRecord& record) {
  if (!record.scanned) {
    return Verdict::CannotRun;
  }
  const ScanResult& scan = record.scan;
  if (scan.found.empty()) {
    return Verdict::Clean;
  }
  if (Any(scan, [](const FoundFile& f) { return f.outcome == FileOutcome::DeleteByHand; }) ||
      !scan.repairUnfinished.empty()) {
    return Verdict::Incomplete;
  }
  // A server find is finished by the restart; one that was not started (held
  // back on request, or it failed to start) is still needed.
  const bool serverFound =
      Any(scan, [](const FoundFile& f) { return f.kind == TargetKind::Server; });
  if (Any(scan, [](const FoundFile& f) { return f.outcome == FileOutcome::DeletedAtRestart; }) ||
      (serverFound && !scan.restartRequested)) {
    return Verdict::RestartNeeded;
  }
  return Verdict::Removed;
}

const char* VerdictName(Verdict verdict) {
  switch (verdict) {
    case Verdict::Clean:
      return "clean";
    case Verdict::Removed:
      return "removed";
    case Verdict::RestartNeeded:
      return "restart_needed";
    case Verdict::Incomplete:
      return "incomplete";
    case Verdict::CannotRun:
      break;
  }
  return "cannot_run";
}

int ExitCodeFor(const RunRecord& record) {
  const int code = static_cast<int>(VerdictOf(record));
  if (code <= 2 && (!record.logSaved || record.reportFailed)) {
    return 7;
  }
  return code;
}

}  // namespace dizi
