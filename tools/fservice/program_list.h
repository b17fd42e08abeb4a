// Taking the family's programs out of a list of programs that Windows starts
// (Winlogon's Userinit and Shell, the Windows key's load and run), keeping
// everything else as it was, byte for byte.
#pragma once

#include <cstddef>

#include "fservice/autostart_command.h"
#include "fservice/wide_buffer.h"
#include "fservice/wide_text.h"

namespace dizi::tools {

enum class ListKind {
  // Entries separated by commas. After a change the list must still start
  // Windows' userinit.exe, or nobody can log on.
  kUserinit,
  // Entries separated by commas. Explorer runs its argument, so an entry
  // "Explorer.exe <family program>" is cut back to its Explorer part. After a
  // change the list must still start a shell.
  kShell,
  // Programs separated by blanks or commas (load, run).
  kPrograms,
};

struct ListRules {
  ListKind kind;
  // kUserinit: the default entry with its separator, put first when no entry
  // kept starts userinit.exe ("C:\WINDOWS\system32\userinit.exe,").
  // kShell: the value that replaces a list left without a program
  // ("Explorer.exe"). Not used for kPrograms.
  WideView default_text;
};

struct ListRewrite {
  // kNo: the list holds none of the family's programs and stays as it is.
  // kYes: the new list is in the output. kUnknown: the new list could not be
  // worked out exactly; the list must stay as it is.
  Answer changed = Answer::kNo;
  std::size_t removed = 0;    // entries taken out or cut back
  bool only_default = false;  // nothing of the old list is kept, only the default
};

// Appends to `out` the list without the family's programs (see
// AutostartMatcher::StartsFamilyFile). Between two entries that stay goes the
// separator that followed the first of them, so taking out "fservice.exe"
// gives:
//   "Explorer.exe,fservice.exe"       -> "Explorer.exe"
//   "fservice.exe, Explorer.exe"      -> "Explorer.exe"
//   "C:\x\userinit.exe,fservice.exe," -> "C:\x\userinit.exe,"
// A comma or blank inside double quotes separates nothing. Every entry kept is
// copied unchanged, blanks and empty entries included; so is the list when
// nothing is taken out.
ListRewrite RemoveFamilyEntries(WideView list, const ListRules& rules,
                                const AutostartMatcher& matcher, WideBuffer& out);

}  // namespace dizi::tools
