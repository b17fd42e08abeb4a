// Where in the registry fservice.exe looks: a root key in one registry view,
// and where what it does there is counted and reported.
#pragma once

#include <windows.h>

#include "fservice/hive_outcome.h"
#include "fservice/report_line.h"
#include "platform/win32/scoped_handle.h"

namespace dizi::tools {

class SummaryOutput;

// What was done in one place: counted, and each failure also written to the
// summary for DiziTarvix.exe.
struct PlaceRecord {
  PlaceTally tally;
  SummaryOutput& summary;
};

struct RegistryPlace {
  HKEY root;
  // "HKLM" or "HKU\<hive>", for reports and undo files: a user's hive is
  // always named by its own name under HKEY_USERS (the user's SID), even
  // where it is reached otherwise.
  const wchar_t* name;
  // 0 for the program's own view, or KEY_WOW64_64KEY for the 64-bit view seen
  // from a 32-bit program on 64-bit Windows.
  REGSAM view;
  PlaceRecord* record;
  // For a profile's hive that the program loaded from its file itself: that
  // file, which must be loaded again before the undo file is imported.
  const wchar_t* hive_file = nullptr;
};

// The places to clean under HKLM: the program's own view and, only when it
// runs under WOW64, the 64-bit view too, since a 32-bit program on 64-bit
// Windows otherwise sees just the 32-bit copy of HKLM\Software. The 64-bit
// flag is not used elsewhere: 32-bit Windows ignores it, and Windows 2000
// refuses to open keys with it. `places` receives at most two entries, each
// counted in `record`; the result is how many.
int MachinePlaces(RegistryPlace (&places)[2], PlaceRecord& record);

// One hive loaded under HKEY_USERS: every signed-in user's, the system
// accounts' and the default one. The "_Classes" hives beside them hold file
// associations, no autostart keys, and are passed over.
class UserHive {
 public:
  static constexpr DWORD kLongestKeyName = 255;

  // Opens the hive at `index` of HKEY_USERS or, when that one is a "_Classes"
  // hive or cannot be opened (which is reported in `record`), the next one;
  // `index` then counts past it. False when there are no more.
  bool OpenNext(DWORD& index, PlaceRecord& record);
  // Opens the hive HKEY_USERS\<hive>; false when it is not loaded.
  bool Open(WideView hive);
  HKEY Key() const { return key_.Get(); }
  // "HKU\<hive>", and the hive's name alone.
  const wchar_t* Name() const { return name_; }
  WideView Hive() const { return WideView(name_ + 4); }

 private:
  ScopedRegistryKey key_;
  wchar_t name_[4 + kLongestKeyName + 1] = L"HKU\\";
};

// "<place>\<key path>" and, for the 64-bit view, " (64-bit view)".
ReportLine& AddKeyName(ReportLine& line, const RegistryPlace& place, const wchar_t* key_path);

// Reports a failure in `place`: counted there, and written to the summary.
void ReportFailure(const RegistryPlace& place, ReportLine& line);

// Reports "<doing> <key>: <error>", e.g. "cannot open HKLM\...\Run: Access is
// denied. (error 5)", as a failure.
void ReportKeyError(const char* doing, const RegistryPlace& place, const wchar_t* key_path,
                    LONG error);

// Reports "left <key> value "<name>" as it is: <why>" as a failure: a value
// of the family's that stays.
void ReportValueLeft(const RegistryPlace& place, const wchar_t* key_path, WideView name,
                     const char* why);

}  // namespace dizi::tools
