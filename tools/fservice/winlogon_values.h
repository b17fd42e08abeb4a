// The Winlogon Shell and Userinit values and the family's programs in them.
#pragma once

#include "fservice/registry_place.h"

namespace dizi::tools {

inline constexpr char kWinlogonKeyPath[] =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

// Takes the family's programs out of the Shell and Userinit lists under
// `place`\Winlogon (see RemoveFamilyEntries) and writes a changed list back
// with the value's own type. A list left without any program is set to
// Windows' default: "Explorer.exe" for Shell, and the system folder's
// "userinit.exe," for Userinit. Values without the family's programs are not
// written at all.
void RemoveFamilyWinlogonEntries(const RegistryPlace& place);

}  // namespace dizi::tools
