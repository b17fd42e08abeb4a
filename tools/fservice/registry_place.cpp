#include "fservice/registry_place.h"

#include "common/ascii_text.h"
#include "fservice/debug_report.h"
#include "platform/win32/error_text.h"
#include "platform/win32/kernel_functions.h"

namespace dizi::tools {

namespace {

constexpr wchar_t kClassesSuffix[] = L"_Classes";

bool IsClassesHive(WideView name) {
  const WideView suffix(kClassesSuffix);
  return name.size() >= suffix.size() &&
         EqualsIgnoringCase(From(name, name.size() - suffix.size()), suffix);
}

}  // namespace

int MachinePlaces(RegistryPlace (&places)[2]) {
  int count = 0;
  places[count++] = {HKEY_LOCAL_MACHINE, L"HKLM", 0};
  if (RunsUnderWow64()) {
    places[count++] = {HKEY_LOCAL_MACHINE, L"HKLM", KEY_WOW64_64KEY};
  }
  return count;
}

bool UserHive::OpenNext(DWORD& index) {
  wchar_t* const hive = name_ + 4;
  while (true) {
    DWORD length = kLongestKeyName + 1;
    const LONG listed =
        RegEnumKeyExW(HKEY_USERS, index++, hive, &length, nullptr, nullptr, nullptr, nullptr);
    if (listed == ERROR_NO_MORE_ITEMS) {
      return false;
    }
    if (listed != ERROR_SUCCESS) {
      ReportKeyError("cannot list", {HKEY_USERS, L"HKU", 0}, L"", listed);
      return false;
    }
    if (IsClassesHive(WideView(hive, length))) {
      continue;
    }
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_USERS, hive, 0, KEY_ENUMERATE_SUB_KEYS, &key);
    if (opened == ERROR_SUCCESS) {
      key_.Reset(key);
      return true;
    }
    ReportKeyError("cannot open", {HKEY_USERS, L"HKU", 0}, hive, opened);
  }
}

ReportLine& AddKeyName(ReportLine& line, const RegistryPlace& place, const wchar_t* key_path) {
  line.Add(WideView(place.name)).Add("\\").Add(WideView(key_path));
  return place.view == KEY_WOW64_64KEY ? line.Add(" (64-bit view)") : line;
}

void ReportKeyError(const char* doing, const RegistryPlace& place, const wchar_t* key_path,
                    LONG error) {
  ReportLine line;
  line.Add(doing).Add(" ");
  Report(AddKeyName(line, place, key_path).Add(": ").Add(DescribeError(error).text));
}

void ReportValueLeft(const RegistryPlace& place, const wchar_t* key_path, WideView name,
                     const char* why) {
  ReportLine line;
  line.Add("left ");
  Report(
      AddKeyName(line, place, key_path).Add(" value ").AddQuoted(name).Add(" as it is: ").Add(why));
}

}  // namespace dizi::tools
