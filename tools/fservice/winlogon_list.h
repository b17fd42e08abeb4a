// Taking the family's programs out of a Winlogon program list (the Shell and
// Userinit values), keeping everything else as it was.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

namespace dizi::tools {

struct ListRewrite {
  std::size_t removed = 0;  // entries taken out
  std::size_t length = 0;   // bytes of the new list written to the output
  // True when entries were taken out and what is left starts no program (it
  // is empty, or holds only separators and blanks): the value must then be
  // set back to Windows' default rather than to the new list.
  bool needs_default = false;
};

// Copies `list` into `out` without the entries that start one of the family's
// files (see StartsFamilyFile). `out` must hold at least list.size() bytes.
//
// Entries are separated by a comma and the blanks that follow it. Between two
// entries that stay goes the separator that followed the first of them in the
// original list, so taking out "fservice.exe" gives:
//   "Explorer.exe,fservice.exe"       -> "Explorer.exe"
//   "fservice.exe, Explorer.exe"      -> "Explorer.exe"
//   "C:\x\userinit.exe,fservice.exe," -> "C:\x\userinit.exe,"
// Everything else, blanks and empty entries included, is copied unchanged.
ListRewrite RemoveFamilyEntries(std::string_view list, std::span<char> out);

}  // namespace dizi::tools
