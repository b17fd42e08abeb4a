// What a run without a window did, as one record: its exit code and its
// report are both read from it, so they cannot disagree.
#pragma once

#include <string>
#include <vector>

#include "platform/local_time.h"
#include "scan/scan_result.h"

namespace dizi {

struct RunRecord {
  std::string computer;  // UTF-8
  std::string user;      // UTF-8: the account the run used
  LocalTime started;
  LocalTime finished;
  // False when the run stopped before scanning: a shipped file is missing or
  // the program lacks the rights it needs. `scan` is then empty.
  bool scanned = false;
  ScanResult scan;
  std::string logFile;    // the log file's full path
  bool logSaved = false;  // the log file holds the run's lines
  // What the run could not do, as the user would have read it (the texts of
  // the error boxes the window would have shown, and why the run stopped).
  std::vector<std::string> errors;
  // A report was asked for and could not be written.
  bool reportFailed = false;
};

}  // namespace dizi
