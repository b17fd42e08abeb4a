// Win32 error codes as text, in one place for every program: no C++ library
// strings and no exceptions, so that the companion programs (built without
// exceptions to stay small) use it as DiziTarvix.exe does.
#pragma once

#include <windows.h>

namespace dizi {

// Text in a buffer of its own, always null-terminated.
struct ErrorText {
  char text[256];
};

// The system's message for `code` in its own language, on one line and without
// trailing blanks, cut to fit; empty when the system has no message for it.
ErrorText SystemMessage(DWORD code);

// The system's message followed by the number, e.g. "Access is denied. (error 5)";
// just the number, "error 5", when the system has no message for it. A long
// message is cut, the number never.
ErrorText DescribeError(DWORD code);

// A failed call: "Function failed (error N): the system's message for N", the
// message cut to fit; without the colon and message when the system has none.
ErrorText DescribeFailure(const char* function, DWORD code);

}  // namespace dizi
