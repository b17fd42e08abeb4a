// What a run did, as one record: its exit code, its reports, the registry
// marker and the event log entry are all read from it, so they cannot
// disagree.
#pragma once

#include <string>
#include <vector>

#include "platform/local_time.h"
#include "platform/platform.h"
#include "scan/scan_result.h"

namespace dizi {

struct RunRecord {
  std::string runId;     // report/run_id.h
  std::string computer;  // UTF-8
  std::string user;      // UTF-8: the account the run used
  OsVersion windows;
  bool windows64 = false;  // a 64-bit Windows
  // The command line's arguments after the program's name, as given (ANSI);
  // none for a scan in the window.
  std::vector<std::string> switches;
  LocalTime started;
  LocalTime finished;
  // A scan that only looked, and changed nothing.
  bool scanOnly = false;
  // The check after a restart; the run it follows up when it is known.
  bool afterRestart = false;
  std::string follows;
  // False when the run stopped before scanning: a shipped file is missing or
  // the program lacks the rights it needs. `scan` is then empty.
  bool scanned = false;
  ScanResult scan;
  std::string logFile;    // the log file's full path
  bool logSaved = false;  // the log file holds the run's lines
  // What the run could not do, as the user would have read it (the texts of
  // the error boxes the window would have shown, why the run stopped, and the
  // reports that could not be written).
  std::vector<std::string> errors;
  // A report was asked for and could not be written, or the computer's own
  // copy could not be kept.
  bool reportFailed = false;
};

}  // namespace dizi
