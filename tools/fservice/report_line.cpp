#include "fservice/report_line.h"

#include "common/ascii_text.h"

namespace dizi::tools {

namespace {

// Room kept at the end for the cut mark, the line break and the null.
constexpr std::size_t kReserve = 5;

}  // namespace

void ReportLine::Put(char c) {
  if (length_ + kReserve >= kRoom) {
    cut_ = true;
    return;
  }
  text_[length_++] = c;
}

ReportLine& ReportLine::Add(std::string_view ascii) {
  for (char c : ascii) {
    Put(c);
  }
  return *this;
}

ReportLine& ReportLine::Add(WideView text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (WideChar c : text) {
    const unsigned code = static_cast<unsigned>(c);
    if (code == 0) {
      Add("<NUL>");
    } else if (code >= 0x20 && code < 0x7F) {
      Put(static_cast<char>(code));
    } else {
      const char escaped[] = {'<',
                              'U',
                              '+',
                              kHex[(code >> 12) & 0xF],
                              kHex[(code >> 8) & 0xF],
                              kHex[(code >> 4) & 0xF],
                              kHex[code & 0xF],
                              '>'};
      Add(std::string_view(escaped, sizeof escaped));
    }
    if (cut_) {
      break;
    }
  }
  return *this;
}

ReportLine& ReportLine::AddQuoted(WideView text) {
  return Add("\"").Add(text).Add("\"");
}

ReportLine& ReportLine::AddNumber(unsigned long number) {
  char digits[kMostDecimalDigits];
  return Add(std::string_view(digits, DecimalDigits(number, digits)));
}

const char* ReportLine::Finish() {
  std::size_t end = length_;
  if (cut_) {
    for (char c : kCutMark) {
      text_[end++] = c;
    }
  }
  text_[end++] = '\n';
  text_[end] = '\0';
  return text_;
}

}  // namespace dizi::tools
