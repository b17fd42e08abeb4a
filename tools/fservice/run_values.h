// The Run-style autostart keys and the family's leftovers in them.
#pragma once

#include "fservice/registry_place.h"

namespace dizi::tools {

// The keys under Software\Microsoft\Windows\CurrentVersion whose values Windows
// starts at boot or logon.
inline constexpr const char* kRunKeyPaths[] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices",
    "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
};

// Deletes every text value of `place`\`key_path` whose data starts one of the
// family's files (see StartsFamilyFile); every other value stays untouched. A
// missing key is skipped quietly.
void RemoveFamilyRunValues(const RegistryPlace& place, const char* key_path);

}  // namespace dizi::tools
