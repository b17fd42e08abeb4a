#include "platform/win32/error_text.h"

#include <cstddef>

namespace dizi {

namespace {

// " (error 4294967295)": the most DescribeError adds after the message.
constexpr std::size_t kNumberPartRoom = 19;

bool IsTrailingNoise(char c) {
  return c == '\r' || c == '\n' || c == ' ' || c == '\t';
}

// Builds text in an ErrorText, dropping what does not fit.
class TextBuilder {
 public:
  explicit TextBuilder(ErrorText& result) : result_(result) { result_.text[0] = '\0'; }

  std::size_t Length() const { return length_; }

  // Drops what was appended after the first `length` characters.
  void CutTo(std::size_t length) {
    length_ = length;
    result_.text[length_] = '\0';
  }

  TextBuilder& Append(const char* part) {
    while (*part != '\0' && length_ + 1 < sizeof result_.text) {
      result_.text[length_++] = *part++;
    }
    result_.text[length_] = '\0';
    return *this;
  }

  TextBuilder& Append(DWORD number) {
    char digits[11];  // 4294967295 and the null
    char* first = digits + sizeof digits - 1;
    *first = '\0';
    do {
      *--first = static_cast<char>('0' + number % 10);
      number /= 10;
    } while (number != 0);
    return Append(first);
  }

  // Appends the system's message for `code`, leaving `reserve` characters of
  // room after it. System messages end with a line break, and a few span
  // several lines: each break becomes one space, trailing blanks are dropped.
  TextBuilder& AppendSystemMessage(DWORD code, std::size_t reserve) {
    char* message = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
    const std::size_t start = length_;
    const std::size_t end = sizeof result_.text - 1 - reserve;
    for (DWORD i = 0; i < length && length_ < end; ++i) {
      const char c = message[i];
      if (c != '\r' && c != '\n') {
        result_.text[length_++] = c;
      } else if (length_ > start && result_.text[length_ - 1] != ' ') {
        result_.text[length_++] = ' ';
      }
    }
    ::LocalFree(message);
    while (length_ > start && IsTrailingNoise(result_.text[length_ - 1])) {
      --length_;
    }
    result_.text[length_] = '\0';
    return *this;
  }

 private:
  ErrorText& result_;
  std::size_t length_ = 0;
};

}  // namespace

ErrorText SystemMessage(DWORD code) {
  ErrorText result;
  TextBuilder(result).AppendSystemMessage(code, 0);
  return result;
}

ErrorText DescribeError(DWORD code) {
  // The message leaves room for the number, which is never cut.
  ErrorText result;
  TextBuilder text(result);
  if (text.AppendSystemMessage(code, kNumberPartRoom).Length() == 0) {
    text.Append("error ").Append(code);
  } else {
    text.Append(" (error ").Append(code).Append(")");
  }
  return result;
}

ErrorText DescribeFailure(const char* function, DWORD code) {
  ErrorText result;
  TextBuilder text(result);
  text.Append(function).Append(" failed (error ").Append(code).Append(")");
  const std::size_t withoutMessage = text.Length();
  text.Append(": ");
  const std::size_t messageStart = text.Length();
  if (text.AppendSystemMessage(code, 0).Length() == messageStart) {
    text.CutTo(withoutMessage);  // no message, or no room for it
  }
  return result;
}

}  // namespace dizi
