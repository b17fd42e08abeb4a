// Win32 error codes as text on a real (Wine) system: the system's message on
// one line, the number never lost, and the exception text of the program.
#include <windows.h>

#include <string>

#include "check.h"
#include "platform/win32/error_text.h"
#include "platform/win32/win32_error.h"

namespace dizi {
namespace {

// Application-defined codes (bit 29 set) have no system message.
constexpr DWORD kCodeWithoutMessage = 0x20000001;

// The system's message as FormatMessage gives it, trailing line break removed.
std::string RawMessage(DWORD code) {
  char buffer[4096] = {};
  DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, buffer, sizeof buffer, nullptr);
  while (length > 0 &&
         (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' || buffer[length - 1] == ' ')) {
    --length;
  }
  return std::string(buffer, length);
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

TEST_CASE(TheSystemsMessageIsGivenWithoutItsLineBreak) {
  const std::string expected = RawMessage(ERROR_ACCESS_DENIED);
  CHECK(!expected.empty());
  CHECK(!HasLineBreak(expected));
  CHECK_EQ(std::string(SystemMessage(ERROR_ACCESS_DENIED).text), expected);
  CHECK_EQ(std::string(SystemMessage(ERROR_FILE_NOT_FOUND).text), RawMessage(ERROR_FILE_NOT_FOUND));
}

TEST_CASE(AnErrorIsDescribedByItsMessageAndItsNumber) {
  CHECK_EQ(std::string(DescribeError(ERROR_ACCESS_DENIED).text),
           RawMessage(ERROR_ACCESS_DENIED) + " (error 5)");
  CHECK_EQ(std::string(DescribeError(ERROR_INVALID_PARAMETER).text),
           RawMessage(ERROR_INVALID_PARAMETER) + " (error 87)");
}

TEST_CASE(AnErrorWithoutMessageIsDescribedByItsNumberAlone) {
  CHECK_EQ(std::string(SystemMessage(kCodeWithoutMessage).text), std::string());
  CHECK_EQ(std::string(DescribeError(kCodeWithoutMessage).text), std::string("error 536870913"));
  CHECK_EQ(std::string(DescribeError(0xFFFFFFFF).text), std::string("error 4294967295"));
}

// Every message the system has for the common codes comes out on one line,
// without trailing blanks, and its description ends with the number, which a
// long message never pushes out.
TEST_CASE(EveryDescriptionIsOneLineEndingWithTheNumber) {
  for (DWORD code = 0; code < 1300; ++code) {
    const std::string message = SystemMessage(code).text;
    const std::string described = DescribeError(code).text;
    const std::string number = "error " + std::to_string(code);
    CHECK(!HasLineBreak(message));
    CHECK(message.empty() || (message.back() != ' ' && message.back() != '\t'));
    if (message.empty()) {
      CHECK_EQ(described, number);
      continue;
    }
    const std::string suffix = " (" + number + ")";
    CHECK(described.size() > suffix.size());
    if (described.size() <= suffix.size()) {
      continue;
    }
    CHECK_EQ(described.substr(described.size() - suffix.size()), suffix);
    // The message, cut when it would not leave room for the number.
    const std::string messagePart = described.substr(0, described.size() - suffix.size());
    CHECK_EQ(message.substr(0, messagePart.size()), messagePart);
  }
}

TEST_CASE(AFailedCallIsNamedWithItsNumberAndTheSystemsMessage) {
  CHECK_EQ(Win32ErrorText("CreateFileA", ERROR_FILE_NOT_FOUND),
           "CreateFileA failed (error 2): " + RawMessage(ERROR_FILE_NOT_FOUND));
  CHECK_EQ(Win32ErrorText("RegisterClassExA", kCodeWithoutMessage),
           std::string("RegisterClassExA failed (error 536870913)"));
}

TEST_CASE(ATextTooLongForItsBufferIsCutAndEnded) {
  const std::string name(230, 'F');
  const std::string whole = name + " failed (error 5): " + RawMessage(ERROR_ACCESS_DENIED);
  const std::size_t room = sizeof(ErrorText::text) - 1;
  CHECK(whole.size() > room);
  CHECK_EQ(std::string(DescribeFailure(name.c_str(), ERROR_ACCESS_DENIED).text),
           whole.substr(0, room));

  // No room left for any of the message: not even the colon stays.
  const std::string longer(250, 'F');
  CHECK_EQ(std::string(DescribeFailure(longer.c_str(), ERROR_ACCESS_DENIED).text),
           longer + " fail");
  const std::string longest(400, 'F');
  CHECK_EQ(std::string(DescribeFailure(longest.c_str(), ERROR_ACCESS_DENIED).text),
           longest.substr(0, room));
}

TEST_CASE(ThrowLastErrorCarriesTheCallingThreadsLastError) {
  bool thrown = false;
  ::SetLastError(ERROR_ACCESS_DENIED);
  try {
    ThrowLastError("OpenProcess");
  } catch (const Win32Failure& failure) {
    thrown = true;
    CHECK_EQ(std::string(failure.what()),
             "OpenProcess failed (error 5): " + RawMessage(ERROR_ACCESS_DENIED));
  }
  CHECK(thrown);
}

}  // namespace
}  // namespace dizi
