#include "fservice/user_hives.h"

#include "common/ascii_text.h"
#include "fservice/own_account.h"
#include "fservice/profile_hives.h"
#include "fservice/summary_output.h"
#include "platform/win32/error_text.h"

namespace dizi::tools {

namespace {

// The name under which the program loads a profile's hive (see
// AppendLoadName): one left by a run that could not unload it is not a user's.
constexpr std::string_view kLoadNameStart = "DiziTarvix-";

}  // namespace

unsigned RepairUserHive(const Repair& repair, SummaryOutput& summary, HKEY root,
                        const wchar_t* name, HiveKind kind, const wchar_t* hive_file) {
  PlaceRecord record = {{}, summary};
  const RegistryPlace place = {root, name, 0, &record, hive_file};
  const ToolsOutcome tools = RepairUser(repair, place, kind);
  ReportLine line("");
  StartHiveSummary(line, WideView(name + 4), kind, record.tally, tools);
  summary.Write(line);
  return record.tally.failed;
}

unsigned RepairUserHives(const Repair& repair, SummaryOutput& summary) {
  unsigned failed = 0;
  PlaceRecord users = {{}, summary};
  const RegistryPlace all_users = {HKEY_USERS, L"HKU", 0, &users};
  OwnAccount own;
  DWORD error = ERROR_SUCCESS;
  if (!own.Find(error)) {
    ReportLine line;
    ReportFailure(
        all_users,
        line.Add("cannot tell which account it runs as: ").Add(DescribeError(error).text));
  } else {
    UserHive hive;
    if (hive.Open(own.Sid())) {
      failed += RepairUserHive(repair, summary, hive.Key(), hive.Name(), HiveKind::kOwn);
    } else {
      // Reached as HKEY_CURRENT_USER, but named by its own name all the same.
      wchar_t name[4 + UserHive::kLongestKeyName + 1] = L"HKU\\";
      lstrcpynW(name + 4, own.Sid().data(), static_cast<int>(own.Sid().size() + 1));
      failed += RepairUserHive(repair, summary, HKEY_CURRENT_USER, name, HiveKind::kOwn);
    }
  }
  UserHive hive;
  for (DWORD index = 0; hive.OpenNext(index, users);) {
    if (EqualsIgnoringCase(hive.Hive(), own.Sid()) ||
        StartsWithIgnoringCase(hive.Hive(), kLoadNameStart)) {
      continue;
    }
    failed += RepairUserHive(repair, summary, hive.Key(), hive.Name(), HiveKind::kLoaded);
  }
  failed += RepairProfiles(repair, summary);
  return failed + users.tally.failed;
}

}  // namespace dizi::tools
