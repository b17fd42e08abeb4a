// A new file written through a Win32 file handle.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/win32/scoped_handle.h"

namespace dizi {

class Win32OutputFile final : public OutputFile {
 public:
  Win32OutputFile(std::string path, ScopedFileHandle file)
      : path_(std::move(path)), file_(std::move(file)) {}

  const std::string& Path() const override { return path_; }
  bool Write(std::string_view bytes) override;
  bool Close() override;
  std::string FailureReason() const override { return failure_; }

 private:
  // Notes the calling thread's last error as the failure.
  bool Failed();

  std::string path_;
  ScopedFileHandle file_;  // closed by the destructor when Close was not called
  std::string failure_;
};

// A new, empty file with a unique name in `directory`, open for writing; null,
// with GetLastError set, when none can be made there (a missing or read-only
// folder, too long a path).
std::unique_ptr<Win32OutputFile> CreateTemporaryIn(const std::string& directory);

}  // namespace dizi
