#include "kill/kill_report.h"

#include "common/ascii_text.h"

#include "scan/kill_tool_output.h"

namespace dizi::tools {

namespace {

// "kill: NAME (process ID)" without the leading "kill: ".
ReportLine& Process(ReportLine& line, std::string_view name, unsigned long id) {
  return line << name << " (process " << id << ")";
}

}  // namespace

ReportLine& ReportLine::operator<<(std::string_view text) {
  for (const char c : text) {
    if (length_ == kCapacity) {
      break;
    }
    text_[length_++] = c;
  }
  return *this;
}

ReportLine& ReportLine::operator<<(unsigned long number) {
  char digits[kMostDecimalDigits];
  return *this << std::string_view(digits, DecimalDigits(number, digits));
}

ReportLine EndedLine(std::string_view name, unsigned long id) {
  ReportLine line;
  Process(line << "kill: ended ", name, id);
  return line;
}

ReportLine AlreadyEndedLine(std::string_view name, unsigned long id) {
  ReportLine line;
  Process(line << "kill: ", name, id) << " had already ended";
  return line;
}

ReportLine LeftRunningLine(std::string_view name, unsigned long id, Verdict why,
                           std::string_view detail) {
  ReportLine line;
  Process(line << "kill: left ", name, id) << " running: ";
  switch (why) {
    case Verdict::LeaveWindowsOwn:
      line << detail << " is one of Windows' own programs";
      break;
    case Verdict::LeaveCritical:
      line << "Windows marks it critical, and ending it would stop the system";
      break;
    case Verdict::LeaveCriticalUnreadable:
      line << "whether Windows marks it critical could not be read: " << detail;
      break;
    case Verdict::End:
    case Verdict::CannotEnd:
      line << "no reason";
      break;
  }
  return line;
}

ReportLine NotCheckedLine(std::string_view name, unsigned long id, std::string_view error) {
  ReportLine line;
  Process(line << "kill: left ", name, id)
      << " running: it could not be opened to be checked: " << error;
  return line;
}

ReportLine CouldNotEndLine(std::string_view name, unsigned long id, std::string_view error) {
  ReportLine line;
  Process(line << "kill: could not end ", name, id) << ": " << error;
  return line;
}

ReportLine NotEndedLine(unsigned long id) {
  ReportLine line;
  line << kNotEndedLinePrefix << id;
  return line;
}

}  // namespace dizi::tools
