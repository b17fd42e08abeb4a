#include "platform/win32/win32_error.h"

namespace dizi {

std::string Win32ErrorText(const char* function, DWORD code) {
  std::string text = std::string(function) + " failed (error " + std::to_string(code) + ")";
  char* message = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&message), 0, nullptr);
  if (length != 0 && message != nullptr) {
    std::string described(message, length);
    while (!described.empty() && (described.back() == '\n' || described.back() == '\r')) {
      described.pop_back();
    }
    text += ": " + described;
  }
  ::LocalFree(message);
  return text;
}

void ThrowLastError(const char* function) {
  throw Win32Failure(Win32ErrorText(function, ::GetLastError()));
}

}  // namespace dizi
