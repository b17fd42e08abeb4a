// Win32 failures as text, composed in one place.
#pragma once

#include <windows.h>

#include <string>

namespace dizi {

// "Function failed (error N): the system's message for N."
std::string Win32ErrorText(const char* function, DWORD code);

// Throws std::runtime_error with the text of the calling thread's last error.
[[noreturn]] void ThrowLastError(const char* function);

}  // namespace dizi
