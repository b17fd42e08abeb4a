#include "places/system_paths.h"

#include "platform/platform.h"

namespace dizi {

namespace {

constexpr std::string_view kKillToolName = "\\kill.exe";

// Removes `count` characters from the end, or everything when shorter.
std::string DropLast(const std::string& text, std::size_t count) {
  return text.substr(0, text.size() >= count ? text.size() - count : 0);
}

}  // namespace

void FillSystemPaths(Platform& platform, SystemPaths& paths) {
  std::string module = platform.ModulePath();
  // Cut at the last backslash, the backslash included; a path without one
  // leaves nothing of the folder.
  const std::size_t slash = module.rfind('\\');
  module.erase(slash == std::string::npos ? 0 : slash);
  paths.KillToolPath = module + std::string(kKillToolName);

  paths.WindowsDir = platform.WindowsDirectory();
  paths.SystemDir = platform.SystemDirectory();
  paths.LegacySystemDir = DropLast(paths.SystemDir, 2);
}

std::string ProgramDir(const SystemPaths& paths) {
  return DropLast(paths.KillToolPath, kKillToolName.size());
}

}  // namespace dizi
