// Win32 failures as text, composed in one place.
#pragma once

#include <windows.h>

#include <exception>
#include <string>
#include <utility>

#include "platform/platform.h"

namespace dizi {

// A Win32 call that failed where the program cannot go on without it. Its own
// type, not std::runtime_error: that class would link the C++ library's second
// string implementation into the program.
class Win32Failure : public std::exception {
 public:
  explicit Win32Failure(std::string text) : text_(std::move(text)) {}
  const char* what() const noexcept override { return text_.c_str(); }

 private:
  std::string text_;
};

// "Function failed (error N): the system's message for N" (DescribeFailure).
std::string Win32ErrorText(const char* function, DWORD code);

// Throws a Win32Failure with the text of the calling thread's last error.
[[noreturn]] void ThrowLastError(const char* function);

// A failed Outcome whose reason is the calling thread's last error, in the
// system's words (DescribeError).
Outcome LastErrorOutcome();

}  // namespace dizi
