#include "fservice/profile_hives.h"

#include "fservice/autostart_value.h"
#include "fservice/debug_report.h"
#include "fservice/profile_judge.h"
#include "fservice/registry_value.h"
#include "fservice/summary_output.h"
#include "fservice/system_folders.h"
#include "fservice/user_hives.h"
#include "platform/win32/error_text.h"
#include "platform/win32/kernel_functions.h"

namespace dizi::tools {

namespace {

constexpr wchar_t kProfileListPath[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// Appends the text of a string value, its variables expanded where its type
// says so; false when the value is missing or holds no text.
bool ReadText(HKEY key, const wchar_t* name, WideBuffer& out) {
  StoredValue value;
  if (ReadValue(key, name, value) != ERROR_SUCCESS ||
      (value.type != REG_SZ && value.type != REG_EXPAND_SZ)) {
    return false;
  }
  const WideView text = SplitStringData(value.data.get(), value.size).text;
  if (value.type == REG_SZ) {
    return !out.Append(text).Failed();
  }
  return AppendExpanded(text, WindowsLookup(), out);
}

DWORD ReadNumber(HKEY key, const wchar_t* name) {
  StoredValue value;
  if (ReadValue(key, name, value) != ERROR_SUCCESS || value.type != REG_DWORD ||
      value.size != sizeof(DWORD)) {
    return 0;
  }
  return *reinterpret_cast<const DWORD*>(value.data.get());
}

bool EnablePrivilege(HANDLE token, const wchar_t* name) {
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  return LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) &&
         AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
         GetLastError() == ERROR_SUCCESS;
}

// Windows' answers to the questions of profile_judge.h.
class WindowsProfiles final : public ProfileMachine {
 public:
  bool HiveLoaded(WideView name) const override {
    UserHive hive;
    return hive.Open(name);
  }

  void Look(WideView path, PathFacts& facts) const override {
    facts = PathFacts();
    WideBuffer terminated;
    if (terminated.Append(path).Failed()) {
      return;
    }
    const DWORD attributes = GetFileAttributesW(terminated.Terminated());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      return;
    }
    facts.exists = true;
    facts.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.reparse_point = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (facts.folder || facts.reparse_point) {
      return;
    }
    const ScopedFileHandle file(CreateFileW(terminated.Terminated(), FILE_READ_ATTRIBUTES,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                            nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    facts.links = file && GetFileInformationByHandle(file.Get(), &info) ? info.nNumberOfLinks : 0;
  }

  long LoadHive(WideView name, WideView file) override {
    if (!privileges_tried_) {
      // Loading and unloading a hive needs both; without them the load
      // fails and says so.
      privileges_tried_ = true;
      HANDLE opened = nullptr;
      if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened)) {
        const ScopedHandle token(opened);
        EnablePrivilege(token.Get(), L"SeRestorePrivilege");
        EnablePrivilege(token.Get(), L"SeBackupPrivilege");
      }
    }
    WideBuffer terminated_name;
    WideBuffer terminated_file;
    if (terminated_name.Append(name).Failed() || terminated_file.Append(file).Failed()) {
      return ERROR_NOT_ENOUGH_MEMORY;
    }
    return RegLoadKeyW(HKEY_USERS, terminated_name.Terminated(), terminated_file.Terminated());
  }

  void RemoveLeftover(WideView name) override {
    WideBuffer terminated;
    HKEY opened = nullptr;
    if (terminated.Append(name).Failed() ||
        RegOpenKeyExW(HKEY_USERS, terminated.Terminated(), 0, KEY_QUERY_VALUE, &opened) !=
            ERROR_SUCCESS) {
      return;
    }
    DWORD subkeys = 1;
    DWORD values = 1;
    {
      const ScopedRegistryKey key(opened);
      RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                       nullptr, nullptr, nullptr, nullptr);
    }
    if (subkeys == 0 && values == 0) {
      RegDeleteKeyW(HKEY_USERS, terminated.Terminated());
    }
  }

  long UnloadHive(WideView name) override {
    WideBuffer terminated;
    if (terminated.Append(name).Failed()) {
      return ERROR_NOT_ENOUGH_MEMORY;
    }
    return RegUnLoadKeyW(HKEY_USERS, terminated.Terminated());
  }

 private:
  bool privileges_tried_ = false;
};

// Cleans a profile's hive where it was loaded, under the user's own name.
class ProfileCleaner final : public HiveCleaner {
 public:
  ProfileCleaner(const Repair& repair, SummaryOutput& summary)
      : repair_(repair), record_{{}, summary} {}

  void Clean(WideView loaded_as, const ProfileEntry& entry, WideView file) override {
    name_.Clear();
    file_.Clear();
    name_.AppendAscii("HKU\\").Append(entry.sid);
    file_.Append(file);
    UserHive hive;
    const RegistryPlace place = {hive.Open(loaded_as) ? hive.Key() : nullptr, name_.Terminated(), 0,
                                 &record_, file_.Terminated()};
    if (name_.Failed() || file_.Failed() || place.root == nullptr) {
      ReportLine line;
      ReportFailure(place, line.Add("cannot open the hive of ")
                               .Add(entry.sid)
                               .Add(" loaded as HKU\\")
                               .Add(loaded_as));
      return;
    }
    tools_ = RepairUser(repair_, place, HiveKind::kProfile);
  }

  PlaceRecord& Record() { return record_; }
  ToolsOutcome Tools() const { return tools_; }

 private:
  const Repair& repair_;
  PlaceRecord record_;
  ToolsOutcome tools_ = ToolsOutcome::kNotLocked;
  WideBuffer name_;
  WideBuffer file_;
};

void ReportSkipped(SummaryOutput& summary, const ProfileEntry& entry, const ProfileVisit& visit) {
  // The same words for the technician and for DiziTarvix.exe's report.
  ReportLine debug;
  ReportLine line("");
  StartSkippedHiveSummary(line, entry.sid);
  debug.Add("skipped the profile of ").Add(entry.sid).Add(": ");
  for (ReportLine* to : {&debug, &line}) {
    to->Add(ProfileSkipText(visit.skip));
    if (!entry.image_path.empty()) {
      to->Add(" (").Add(entry.image_path).Add(")");
    }
    if (visit.error != 0) {
      to->Add(": ").Add(DescribeError(static_cast<DWORD>(visit.error)).text);
    }
  }
  Report(debug);
  summary.Write(line);
}

}  // namespace

unsigned RepairProfiles(const Repair& repair, SummaryOutput& summary) {
  const REGSAM view = RunsUnderWow64() ? KEY_WOW64_64KEY : 0;
  PlaceRecord record = {{}, summary};
  const RegistryPlace machine = {HKEY_LOCAL_MACHINE, L"HKLM", view, &record};
  HKEY opened = nullptr;
  const LONG error =
      RegOpenKeyExW(HKEY_LOCAL_MACHINE, kProfileListPath, 0, KEY_READ | view, &opened);
  if (error != ERROR_SUCCESS) {
    if (error != ERROR_FILE_NOT_FOUND) {
      ReportKeyError("cannot open", machine, kProfileListPath, error);
    }
    return record.tally.failed;
  }
  const ScopedRegistryKey list(opened);
  WideBuffer profiles_folder;
  ReadText(list.Get(), L"ProfilesDirectory", profiles_folder);
  WindowsProfiles windows;
  unsigned failed = 0;
  for (DWORD index = 0;; ++index) {
    wchar_t sid[UserHive::kLongestKeyName + 1];
    DWORD length = UserHive::kLongestKeyName + 1;
    const LONG listed =
        RegEnumKeyExW(list.Get(), index, sid, &length, nullptr, nullptr, nullptr, nullptr);
    if (listed == ERROR_NO_MORE_ITEMS) {
      break;
    }
    if (listed != ERROR_SUCCESS) {
      ReportKeyError("cannot list", machine, kProfileListPath, listed);
      break;
    }
    HKEY entry_key = nullptr;
    if (RegOpenKeyExW(list.Get(), sid, 0, KEY_QUERY_VALUE | view, &entry_key) != ERROR_SUCCESS) {
      continue;  // gone meanwhile
    }
    const ScopedRegistryKey key(entry_key);
    WideBuffer image_path;
    WideBuffer central_profile;
    ReadText(key.Get(), L"ProfileImagePath", image_path);
    ReadText(key.Get(), L"CentralProfile", central_profile);
    ProfileEntry entry;
    entry.sid = WideView(sid, length);
    entry.image_path = image_path.View();
    entry.central_profile = central_profile.View();
    entry.state = ReadNumber(key.Get(), L"State");

    WideBuffer load_name;
    AppendLoadName(load_name, entry.sid, GetCurrentProcessId());
    ProfileCleaner cleaner(repair, summary);
    WideBuffer file;
    const ProfileVisit visit =
        VisitProfile(entry, profiles_folder.View(), load_name.View(), windows, cleaner, file);
    if (visit.kind == ProfileVisit::Kind::kSkipped) {
      ReportSkipped(summary, entry, visit);
    } else if (visit.kind == ProfileVisit::Kind::kCleaned) {
      PlaceRecord& cleaned = cleaner.Record();
      if (visit.unload_error != 0) {
        const RegistryPlace users = {HKEY_USERS, L"HKU", 0, &cleaned};
        ReportLine line;
        ReportFailure(users, line.Add("cannot unload the hive of ")
                                 .Add(entry.sid)
                                 .Add(", loaded as HKU\\")
                                 .Add(load_name.View())
                                 .Add(": ")
                                 .Add(DescribeError(static_cast<DWORD>(visit.unload_error)).text));
      }
      ReportLine line("");
      StartHiveSummary(line, entry.sid, HiveKind::kProfile, cleaned.tally, cleaner.Tools());
      summary.Write(line);
      failed += cleaned.tally.failed;
    }
  }
  return failed + record.tally.failed;
}

}  // namespace dizi::tools
