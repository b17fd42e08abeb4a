#include "platform/win32/win32_output_file.h"

#include <algorithm>

#include "platform/win32/error_text.h"

namespace dizi {

bool Win32OutputFile::Failed() {
  failure_ = DescribeError(::GetLastError()).text;
  return false;
}

bool Win32OutputFile::Write(std::string_view bytes) {
  if (!file_) {
    return false;
  }
  // WriteFile may write less than asked; carry on until all is written or a
  // call writes nothing.
  while (!bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    if (!::WriteFile(file_.Get(), bytes.data(), chunk, &written, nullptr)) {
      return Failed();
    }
    if (written == 0) {
      ::SetLastError(ERROR_WRITE_FAULT);
      return Failed();
    }
    bytes.remove_prefix(written);
  }
  return true;
}

std::unique_ptr<Win32OutputFile> CreateTemporaryIn(const std::string& directory) {
  // GetTempFileNameA creates the file, empty, under a name of its own choosing;
  // it fails for a folder that is missing, read-only or too long a path.
  char name[MAX_PATH] = {};
  if (::GetTempFileNameA(directory.c_str(), "DTL", 0, name) == 0) {
    return nullptr;
  }
  ScopedFileHandle file{::CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (!file) {
    const DWORD error = ::GetLastError();
    ::DeleteFileA(name);
    ::SetLastError(error);
    return nullptr;
  }
  return std::make_unique<Win32OutputFile>(name, std::move(file));
}

bool Win32OutputFile::Close() {
  if (!file_) {
    return false;
  }
  if (!::FlushFileBuffers(file_.Get())) {
    Failed();
    file_.Reset();
    return false;
  }
  return ::CloseHandle(file_.Release()) != 0 || Failed();
}

}  // namespace dizi
