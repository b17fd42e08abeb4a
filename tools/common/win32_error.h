// Turns a Win32 error code into text, in one place.
#pragma once

#include <windows.h>

namespace dizi::tools {

// A description of an error, e.g. "Access is denied. (error 5)".
struct ErrorText {
  char text[256];
};

// The system's message for `code` in its own language, on one line, followed by
// the number; just the number when the system has no message for it.
ErrorText DescribeError(DWORD code);

}  // namespace dizi::tools
