#include "scan/image_names.h"

#include <array>

namespace dizi {

namespace {

constexpr std::array<std::string_view, 7> kWindowsProcessNames = {
    "smss.exe",     "csrss.exe", "wininit.exe", "winlogon.exe",
    "services.exe", "lsass.exe", "svchost.exe",
};

char FoldAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool SameImageName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) {
      return false;
    }
  }
  return true;
}

bool IsWindowsProcessName(std::string_view imageName) {
  for (const std::string_view name : kWindowsProcessNames) {
    if (SameImageName(name, imageName)) {
      return true;
    }
  }
  return false;
}

}  // namespace dizi
