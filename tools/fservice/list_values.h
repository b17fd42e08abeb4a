// The values that hold lists of programs: Winlogon's Shell and Userinit, and
// the Windows key's load and run.
#pragma once

#include "fservice/autostart_command.h"
#include "fservice/program_list.h"
#include "fservice/registry_place.h"

namespace dizi::tools {

class UndoFiles;

inline constexpr wchar_t kWinlogonKeyPath[] =
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
inline constexpr wchar_t kWindowsKeyPath[] =
    L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

struct ListValue {
  const wchar_t* key_path;
  const wchar_t* name;
  ListRules rules;
  // A user's own Shell that held only the family's programs is deleted, so
  // that the machine's Shell applies again, rather than set to the default.
  bool delete_when_only_default;
};

// Takes the family's programs out of the list in `place`\`value.key_path`
// value `value.name` (see RemoveFamilyEntries) and writes the new list back
// with the value's own type, followed by whatever the old data held after its
// text. A value without the family's programs is not written at all; one that
// cannot be worked out exactly is left and reported.
void RemoveFamilyEntries(const RegistryPlace& place, const ListValue& value,
                         const AutostartMatcher& matcher, UndoFiles& undo);

}  // namespace dizi::tools
