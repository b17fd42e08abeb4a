// An existing file read through a Win32 file handle.
#pragma once

#include "platform/platform.h"
#include "platform/win32/scoped_handle.h"

namespace dizi {

class Win32InputFile final : public InputFile {
 public:
  explicit Win32InputFile(ScopedFileHandle file) : file_(std::move(file)) {}

  bool Read(std::size_t size, std::string& bytes, std::string& reason) override;

 private:
  ScopedFileHandle file_;
};

}  // namespace dizi
