#include "scan/system_processes.h"

#include <array>

#include "tools/common/ascii_text.h"

namespace dizi {

namespace {

constexpr std::array<std::string_view, 7> kWindowsProcessNames = {
    "smss.exe",     "csrss.exe", "wininit.exe", "winlogon.exe",
    "services.exe", "lsass.exe", "svchost.exe",
};

}  // namespace

bool IsWindowsProcessName(std::string_view imageName) {
  for (const std::string_view name : kWindowsProcessNames) {
    if (tools::EqualsIgnoringCase(name, imageName)) {
      return true;
    }
  }
  return false;
}

}  // namespace dizi
