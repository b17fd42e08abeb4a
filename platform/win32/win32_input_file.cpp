#include "platform/win32/win32_input_file.h"

#include <algorithm>

#include "platform/win32/error_text.h"

namespace dizi {

bool Win32InputFile::Read(std::size_t size, std::string& bytes, std::string& reason) {
  bytes.resize(std::min<std::size_t>(size, 1u << 30));
  DWORD read = 0;
  if (!::ReadFile(file_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr)) {
    reason = DescribeError(::GetLastError()).text;
    bytes.clear();
    return false;
  }
  bytes.resize(read);
  return true;
}

}  // namespace dizi
