#include "report/exit_code.h"

#include <algorithm>

#include "report/run_record.h"

namespace dizi {

namespace {

bool Any(const ScanResult& scan, bool (*test)(const FoundFile&)) {
  return std::any_of(scan.found.begin(), scan.found.end(), test);
}

}  // namespace

const std::array<ExitCodeMeaning, 9> kExitCodeMeanings = {{
    {0, "clean: nothing was found"},
    {1, "found, and every file found is gone"},
    {2, "found; a restart is needed to finish"},
    {3, "found; a file was left (delete it by hand) or a repair did not finish"},
    {4, "cannot run: a shipped file is missing or rights are lacking"},
    {kExitBadCommandLine, "bad command line, or the usage text was asked for"},
    {kExitAnotherRun, "another run is in progress"},
    {kExitNotWritten, "scanned, but the log or the report could not be written"},
    {8, "found (scan only: nothing was changed)"},
}};

Verdict VerdictOf(const RunRecord& record) {
  if (!record.scanned) {
    return Verdict::CannotRun;
  }
  const ScanResult& scan = record.scan;
  if (scan.found.empty()) {
    return Verdict::Clean;
  }
  if (record.scanOnly) {
    return Verdict::Found;
  }
  if (record.afterRestart) {
    return Verdict::Returned;
  }
  if (Any(scan, [](const FoundFile& f) { return f.outcome == FileOutcome::DeleteByHand; }) ||
      !scan.repairUnfinished.empty()) {
    return Verdict::Incomplete;
  }
  // A server find is finished by the restart; one that was not asked for
  // (held back on request, or its command cannot start) is still needed.
  const bool serverFound =
      Any(scan, [](const FoundFile& f) { return f.kind == TargetKind::Server; });
  if (Any(scan, [](const FoundFile& f) { return f.outcome == FileOutcome::DeletedAtRestart; }) ||
      (serverFound && !scan.RestartScheduled())) {
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
    case Verdict::Returned:
      return "returned";
    case Verdict::Found:
      return "found";
    case Verdict::CannotRun:
      break;
  }
  return "cannot_run";
}

int ExitCodeOf(Verdict verdict) {
  switch (verdict) {
    case Verdict::Clean:
      return 0;
    case Verdict::Removed:
      return 1;
    case Verdict::RestartNeeded:
      return 2;
    case Verdict::Incomplete:
    case Verdict::Returned:
      return 3;
    case Verdict::Found:
      return 8;
    case Verdict::CannotRun:
      break;
  }
  return 4;
}

int ExitCodeFor(const RunRecord& record) {
  const int code = ExitCodeOf(VerdictOf(record));
  if (code <= 2 && (!record.logSaved || record.reportFailed)) {
    return kExitNotWritten;
  }
  return code;
}

}  // namespace dizi
