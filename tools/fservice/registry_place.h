// Where in the registry fservice.exe looks: a root key in one registry view.
#pragma once

#include <windows.h>

#include "fservice/report_line.h"
#include "platform/win32/scoped_handle.h"

namespace dizi::tools {

struct RegistryPlace {
  HKEY root;
  const wchar_t* name;  // "HKLM", "HKCU" or "HKU\<hive>", for reports
  // 0 for the program's own view, or KEY_WOW64_64KEY for the 64-bit view seen
  // from a 32-bit program on 64-bit Windows.
  REGSAM view;
};

// The places to clean under HKLM: the program's own view and, only when it
// runs under WOW64, the 64-bit view too, since a 32-bit program on 64-bit
// Windows otherwise sees just the 32-bit copy of HKLM\Software. The 64-bit
// flag is not used elsewhere: 32-bit Windows ignores it, and Windows 2000
// refuses to open keys with it. `places` receives at most two entries; the
// result is how many.
int MachinePlaces(RegistryPlace (&places)[2]);

// The user running the program; a user's Software key is the same in both views.
inline RegistryPlace CurrentUserPlace() {
  return {HKEY_CURRENT_USER, L"HKCU", 0};
}

// One user's hive loaded under HKEY_USERS: every signed-in user's, the
// system accounts' and the default one. The "_Classes" hives beside them hold
// file associations, no autostart keys, and are passed over.
class UserHive {
 public:
  // Opens the hive at `index` of HKEY_USERS or, when that one is a "_Classes"
  // hive or cannot be opened (which is reported), the next one; `index` then
  // counts past it. False when there are no more.
  bool OpenNext(DWORD& index);
  RegistryPlace Place() const { return {key_.Get(), name_, 0}; }

 private:
  static constexpr DWORD kLongestKeyName = 255;

  ScopedRegistryKey key_;
  wchar_t name_[4 + kLongestKeyName + 1] = L"HKU\\";
};

// "<place>\<key path>" and, for the 64-bit view, " (64-bit view)".
ReportLine& AddKeyName(ReportLine& line, const RegistryPlace& place, const wchar_t* key_path);

// Reports "<doing> <key>: <error>", e.g. "cannot open HKLM\...\Run: Access is
// denied. (error 5)".
void ReportKeyError(const char* doing, const RegistryPlace& place, const wchar_t* key_path,
                    LONG error);

// Reports "left <key> value "<name>" as it is: <why>".
void ReportValueLeft(const RegistryPlace& place, const wchar_t* key_path, WideView name,
                     const char* why);

}  // namespace dizi::tools
