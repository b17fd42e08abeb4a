// Where in the registry fservice.exe looks: a root key in one registry view.
#pragma once

#include <windows.h>

namespace dizi::tools {

struct RegistryPlace {
  HKEY root;
  const char* root_name;  // "HKLM" or "HKCU", for reports
  // 0 for the program's own view, or KEY_WOW64_64KEY for the 64-bit view seen
  // from a 32-bit program on 64-bit Windows.
  REGSAM view;

  const char* ViewName() const { return view == KEY_WOW64_64KEY ? " (64-bit view)" : ""; }
};

// The places to clean under HKLM: the program's own view and, only when it
// runs under WOW64, the 64-bit view too, since a 32-bit program on 64-bit
// Windows otherwise sees just the 32-bit copy of HKLM\Software. The 64-bit
// flag is not used elsewhere: 32-bit Windows ignores it, and Windows 2000
// refuses to open keys with it. `places` receives at most two entries; the
// result is how many.
int MachinePlaces(RegistryPlace (&places)[2]);

// The current user's place; HKCU\Software is the same in both views.
inline RegistryPlace UserPlace() {
  return {HKEY_CURRENT_USER, "HKCU", 0};
}

}  // namespace dizi::tools
