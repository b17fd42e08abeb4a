#include "platform/win32/win32_locked_file.h"

#include <memory>
#include <vector>

#include "platform/win32/move_file_over.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_output_file.h"

namespace dizi {

namespace {

constexpr DWORD kPieceSize = 64 * 1024;

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Whether an existing file at `path` may be written now, by this program,
// beside whatever else has it open; a missing one may.
Outcome MayBeWritten(const std::string& path) {
  const ScopedFileHandle existing{::CreateFileA(
      path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (!existing && ::GetLastError() != ERROR_FILE_NOT_FOUND) {
    return LastErrorOutcome();
  }
  return Outcome{true, {}};
}

}  // namespace

template <typename Take>
Outcome Win32LockedFile::ReadAll(Take take) {
  if (::SetFilePointer(file_.Get(), 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
    return LastErrorOutcome();
  }
  std::vector<char> piece(kPieceSize);
  for (;;) {
    DWORD read = 0;
    if (!::ReadFile(file_.Get(), piece.data(), kPieceSize, &read, nullptr)) {
      return LastErrorOutcome();
    }
    if (read == 0) {
      return Outcome{true, {}};
    }
    if (!take(std::string_view(piece.data(), read))) {
      return LastErrorOutcome();
    }
  }
}

Outcome Win32LockedFile::ReadInto(Sha256Stream& digest) {
  return ReadAll([&](std::string_view piece) {
    digest.Add(piece);
    return true;
  });
}

Outcome Win32LockedFile::CopyTo(const std::string& destination) {
  // Asked first, so that the reason is the one that matters: a destination in
  // use or protected says so here, where replacing it would only say that
  // access is denied.
  if (const Outcome writable = MayBeWritten(destination); !writable) {
    return writable;
  }
  std::unique_ptr<Win32OutputFile> copy = CreateTemporaryIn(FolderOf(destination));
  if (!copy) {
    return LastErrorOutcome();
  }
  const std::string temporary = copy->Path();
  Outcome outcome = ReadAll([&](std::string_view piece) { return copy->Write(piece); });
  if (outcome && !copy->Close()) {
    outcome = LastErrorOutcome();
  }
  if (outcome && !MoveFileOver(temporary, destination)) {
    outcome = LastErrorOutcome();
  }
  if (!outcome) {
    copy.reset();
    ::DeleteFileA(temporary.c_str());
  }
  return outcome;
}

LockedOpen OpenLockedFile(const std::string& path) {
  // Read access and read sharing only: a program can be started from a file
  // opened so, but no handle that could change it can be opened beside it.
  ScopedFileHandle file{::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (!file) {
    return LockedOpen{nullptr, LastErrorOutcome().reason};
  }
  return LockedOpen{std::make_unique<Win32LockedFile>(path, std::move(file)), {}};
}

}  // namespace dizi
