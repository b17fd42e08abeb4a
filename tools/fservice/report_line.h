// One line of what fservice.exe reports, as plain ASCII text. A wide text's
// characters outside printable ASCII are written as <U+XXXX> and a null as
// <NUL>, so that names and data with any characters (a hidden null included)
// read unambiguously in any debug-output viewer.
#pragma once

#include <cstddef>
#include <string_view>

#include "fservice/wide_text.h"

namespace dizi::tools {

class ReportLine {
 public:
  ReportLine() { Add("fservice: "); }
  // A line that begins with `start` rather than "fservice: ".
  explicit ReportLine(std::string_view start) { Add(start); }

  ReportLine& Add(std::string_view ascii);
  ReportLine& Add(WideView text);
  // `text` in double quotes.
  ReportLine& AddQuoted(WideView text);
  ReportLine& AddNumber(unsigned long number);

  // The line with a line break and a null. A line longer than its room is cut
  // and ends with "...".
  const char* Finish();

 private:
  static constexpr std::size_t kRoom = 1024;
  static constexpr std::string_view kCutMark = "...";

  void Put(char c);

  char text_[kRoom];
  std::size_t length_ = 0;
  bool cut_ = false;
};

}  // namespace dizi::tools
