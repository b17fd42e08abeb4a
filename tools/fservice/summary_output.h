// fservice.exe's summary for the program that runs it: a few lines of plain
// ASCII on standard output, when it has one (DiziTarvix.exe gives it a pipe;
// a technician may redirect it to a file). The format is described in
// main.cpp. Nothing is written where there is no standard output, and
// writing stops at the first failure (the reader went away).
#pragma once

#include <windows.h>

#include "fservice/report_line.h"

namespace dizi::tools {

class SummaryOutput {
 public:
  // Takes standard output and writes the summary's first line.
  SummaryOutput();
  SummaryOutput(const SummaryOutput&) = delete;
  SummaryOutput& operator=(const SummaryOutput&) = delete;

  // A finished report line of a failure ("fservice: cannot ..."), as
  // "failed<TAB>cannot ...".
  void Failure(const char* report_text);
  // A finished summary line.
  void Write(ReportLine& line);
  // The summary's last line, "end<TAB><exit code>".
  void End(int exit_code);

 private:
  void Put(const char* text);

  HANDLE out_;
};

}  // namespace dizi::tools
