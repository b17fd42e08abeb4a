// A file held open through a Win32 handle that shares reading only.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"
#include "platform/win32/scoped_handle.h"

namespace dizi {

class Win32LockedFile final : public LockedFile {
 public:
  Win32LockedFile(std::string path, ScopedFileHandle file)
      : path_(std::move(path)), file_(std::move(file)) {}

  const std::string& Path() const override { return path_; }
  Outcome ReadInto(Sha256Stream& digest) override;
  // Refused at once, with the reason, when an existing destination cannot be
  // opened for writing (in use, read-only, protected); otherwise written into
  // a new file in the destination's folder first, which then replaces the
  // destination (MoveFileOver); the new file is deleted when anything fails.
  Outcome CopyTo(const std::string& destination) override;

 private:
  // Reads the whole content from its start, handing each piece to `take`,
  // which returns false (with GetLastError set) to stop.
  template <typename Take>
  Outcome ReadAll(Take take);

  std::string path_;
  ScopedFileHandle file_;
};

// Opens `path` for reading, sharing reading only: while the handle is open,
// nobody can open the file for writing or deleting (nor rename it), and it can
// still be started as a program.
LockedOpen OpenLockedFile(const std::string& path);

}  // namespace dizi
