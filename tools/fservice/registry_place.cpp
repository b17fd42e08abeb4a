#include "fservice/registry_place.h"

#include "common/ascii_text.h"
#include "fservice/debug_report.h"
#include "fservice/summary_output.h"
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

int MachinePlaces(RegistryPlace (&places)[2], PlaceRecord& record) {
  int count = 0;
  places[count++] = {HKEY_LOCAL_MACHINE, L"HKLM", 0, &record};
  if (RunsUnderWow64()) {
    places[count++] = {HKEY_LOCAL_MACHINE, L"HKLM", KEY_WOW64_64KEY, &record};
  }
  return count;
}

bool UserHive::OpenNext(DWORD& index, PlaceRecord& record) {
  wchar_t* const hive = name_ + 4;
  const RegistryPlace users = {HKEY_USERS, L"HKU", 0, &record};
  while (true) {
    DWORD length = kLongestKeyName + 1;
    const LONG listed =
        RegEnumKeyExW(HKEY_USERS, index++, hive, &length, nullptr, nullptr, nullptr, nullptr);
    if (listed == ERROR_NO_MORE_ITEMS) {
      return false;
    }
    if (listed != ERROR_SUCCESS) {
      ReportKeyError("cannot list", users, L"", listed);
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
    ReportKeyError("cannot open", users, hive, opened);
  }
}

bool UserHive::Open(WideView hive) {
  if (hive.empty() || hive.size() > kLongestKeyName) {
    return false;
  }
  for (std::size_t i = 0; i < hive.size(); ++i) {
    name_[4 + i] = hive[i];
  }
  name_[4 + hive.size()] = L'\0';
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_USERS, name_ + 4, 0, KEY_ENUMERATE_SUB_KEYS, &key) != ERROR_SUCCESS) {
    return false;
  }
  key_.Reset(key);
  return true;
}

ReportLine& AddKeyName(ReportLine& line, const RegistryPlace& place, const wchar_t* key_path) {
  line.Add(WideView(place.name));
  if (*key_path != L'\0') {
    line.Add("\\").Add(WideView(key_path));
  }
  return place.view == KEY_WOW64_64KEY ? line.Add(" (64-bit view)") : line;
}

void ReportFailure(const RegistryPlace& place, ReportLine& line) {
  const char* const text = Report(line);
  ++place.record->tally.failed;
  place.record->summary.Failure(text);
}

void ReportKeyError(const char* doing, const RegistryPlace& place, const wchar_t* key_path,
                    LONG error) {
  ReportLine line;
  line.Add(doing).Add(" ");
  ReportFailure(place, AddKeyName(line, place, key_path).Add(": ").Add(DescribeError(error).text));
}

void ReportValueLeft(const RegistryPlace& place, const wchar_t* key_path, WideView name,
                     const char* why) {
  ReportLine line;
  line.Add("left ");
  ReportFailure(
      place,
      AddKeyName(line, place, key_path).Add(" value ").AddQuoted(name).Add(" as it is: ").Add(why));
}

}  // namespace dizi::tools
