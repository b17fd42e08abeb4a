// The Run-style autostart keys and the family's leftovers in them.
#pragma once

#include "fservice/autostart_command.h"
#include "fservice/registry_place.h"

namespace dizi::tools {

class UndoFiles;

// The keys whose values Windows starts at boot or logon, under HKLM and under
// each user's hive alike.
inline constexpr const wchar_t* kRunKeyPaths[] = {
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run",
};

// Deletes every value of `place`\`key_path` that starts one of the family's
// files (see StartsFamilyFile), each by its exact name; every other value stays
// untouched. A missing key is skipped quietly; a value that cannot be judged
// exactly is left and reported.
void RemoveFamilyRunValues(const RegistryPlace& place, const wchar_t* key_path,
                           const AutostartMatcher& matcher, UndoFiles& undo);

}  // namespace dizi::tools
