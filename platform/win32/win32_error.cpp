#include "platform/win32/win32_error.h"

#include "platform/win32/error_text.h"

namespace dizi {

std::string Win32ErrorText(const char* function, DWORD code) {
  return DescribeFailure(function, code).text;
}

void ThrowLastError(const char* function) {
  throw Win32Failure(Win32ErrorText(function, ::GetLastError()));
}

Outcome LastErrorOutcome() {
  return Outcome{false, DescribeError(::GetLastError()).text};
}

}  // namespace dizi
