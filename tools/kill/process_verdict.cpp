#include "kill/process_verdict.h"

#include "common/ascii_text.h"
#include "scan/image_names.h"

namespace dizi::tools {

namespace {

// NTSTATUS values of a system without the information class.
constexpr std::uint32_t kStatusNotImplemented = 0xC0000002;
constexpr std::uint32_t kStatusInvalidInfoClass = 0xC0000003;

// `path` without its last component and the separator before it; empty for
// a bare name.
std::string_view FolderPart(std::string_view path) {
  const std::string_view name = FileNamePart(path);
  if (name.size() == path.size()) {
    return {};
  }
  path.remove_suffix(name.size() + 1);
  return path;
}

// A folder named with a trailing backslash ("C:\") is the same folder.
std::string_view WithoutTrailingSeparator(std::string_view folder) {
  if (!folder.empty() && IsPathSeparator(folder.back())) {
    folder.remove_suffix(1);
  }
  return folder;
}

}  // namespace

CriticalMark CriticalMarkFrom(std::int32_t status, unsigned long value) {
  if (status >= 0) {
    return value != 0 ? CriticalMark::Present : CriticalMark::Absent;
  }
  const auto code = static_cast<std::uint32_t>(status);
  if (code == kStatusInvalidInfoClass || code == kStatusNotImplemented) {
    return CriticalMark::Absent;
  }
  return CriticalMark::Unreadable;
}

bool IsWindowsOwnImage(std::string_view imagePath, const std::string_view* systemFolders,
                       std::size_t folderCount) {
  if (!IsWindowsProcessName(FileNamePart(imagePath))) {
    return false;
  }
  const std::string_view folder = FolderPart(imagePath);
  for (std::size_t i = 0; i < folderCount; ++i) {
    const std::string_view systemFolder = WithoutTrailingSeparator(systemFolders[i]);
    if (!systemFolder.empty() && EqualsIgnoringCase(folder, systemFolder)) {
      return true;
    }
  }
  return false;
}

Verdict Judge(const ProcessFacts& facts) {
  if (facts.windowsOwn) {
    return Verdict::LeaveWindowsOwn;
  }
  switch (facts.critical) {
    case CriticalMark::Present:
      return Verdict::LeaveCritical;
    case CriticalMark::Unreadable:
      return Verdict::LeaveCriticalUnreadable;
    case CriticalMark::Absent:
      break;
  }
  return facts.mayEnd ? Verdict::End : Verdict::CannotEnd;
}

}  // namespace dizi::tools
