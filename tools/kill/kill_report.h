// The lines kill.exe writes on its standard output, one for each process it
// identified: what it did with it, and why it left one running. One kind of
// line is for DiziTarvix to read (scan/kill_tool_output.h describes it): for
// every process that was to be ended and could not be, the line that says why
// is followed by "kill: not ended: process <id>".
#pragma once

#include <cstddef>
#include <string_view>

#include "kill/image_match.h"
#include "kill/process_verdict.h"

namespace dizi::tools {

// One line, without its line end, in a buffer of its own; text beyond its
// room is cut off.
class ReportLine {
 public:
  ReportLine& operator<<(std::string_view text);
  ReportLine& operator<<(unsigned long number);
  std::string_view View() const { return {text_, length_}; }

 private:
  static constexpr std::size_t kCapacity = 2 * kPathCapacity;
  char text_[kCapacity] = {};
  std::size_t length_ = 0;
};

// "kill: ended NAME (process ID)".
ReportLine EndedLine(std::string_view name, unsigned long id);

// "kill: NAME (process ID) had already ended": it was gone before it could be opened.
ReportLine AlreadyEndedLine(std::string_view name, unsigned long id);

// Why a process is left running (a verdict other than End and CannotEnd):
// "kill: left NAME (process ID) running: " and the reason. `detail` is the
// image path for one of Windows' own programs, and the system's words for the
// failure where whether it is critical could not be read.
ReportLine LeftRunningLine(std::string_view name, unsigned long id, Verdict why,
                           std::string_view detail);

// A process that could not even be opened to be checked, and is left running.
ReportLine NotCheckedLine(std::string_view name, unsigned long id, std::string_view error);

// "kill: could not end NAME (process ID): ERROR", for a process that was to be
// ended; NotEndedLine(id) follows it.
ReportLine CouldNotEndLine(std::string_view name, unsigned long id, std::string_view error);

// "kill: not ended: process ID", the line DiziTarvix reads.
ReportLine NotEndedLine(unsigned long id);

}  // namespace dizi::tools
