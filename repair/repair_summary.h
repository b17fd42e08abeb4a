// What the repair program fservice.exe says it did: its summary on standard
// output, one line each (the format is described in tools/fservice/main.cpp),
// read into what the log and the report say of each user's hive.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace dizi {

// How the user's hive came to be cleaned.
enum class HiveKind {
  Own,      // the hive of the account the repair program ran as
  Loaded,   // another hive that was loaded (a signed-in user, a system account)
  Profile,  // a profile's hive that was not loaded: loaded from its file for the repair, or skipped
};

enum class HiveDone {
  Cleaned,       // the family's start-up entries found there are gone
  NothingFound,  // none of the family's start-up entries was there
  Incomplete,    // something there could not be read or changed
  Skipped,       // a profile that was not looked at, and why is in `note`
};

// The policies that lock a user out of Task Manager and the registry editor.
enum class ToolsState {
  NotLocked,     // neither was set
  GivenBack,     // every one set is 0 now
  LeftLocked,    // another user's lock-down, in a hive without the family: left as it is
  NotGivenBack,  // not every one set could be set to 0
  NotLookedAt,   // a skipped profile
};

struct UserHiveRepair {
  std::string hive;  // its name under HKEY_USERS: the user's SID
  HiveKind kind = HiveKind::Loaded;
  HiveDone done = HiveDone::NothingFound;
  unsigned valuesChanged = 0;
  ToolsState tools = ToolsState::NotLocked;
  std::string note;  // for a skipped profile, why (with its folder)
};

struct RepairSummary {
  bool present = false;       // the summary's first line was there
  bool complete = false;      // and its last: nothing was cut short
  unsigned long endCode = 0;  // the exit code its last line gives
  std::vector<UserHiveRepair> hives;
  // What could not be read, saved or changed, in the program's words.
  std::vector<std::string> failures;
  // Lines of the summary that were not understood (none from this package's
  // fservice.exe).
  std::size_t unreadLines = 0;
};

// Reads the program's output. Anything before the summary's first line and
// after its last is passed over; lines may end with a line feed or a carriage
// return and a line feed.
RepairSummary ReadRepairSummary(std::string_view output);

// Adds what a later repair of the same run did (`later`) to what the run's
// repairs did so far (`hives`): a hive's later line replaces its earlier one,
// unless the later repair found nothing left to do there (nothing found,
// nothing changed, nothing locked), which says nothing of what the earlier
// one did, and the earlier one did not leave it incomplete. Hives new in
// `later` are added in their order.
void MergeHiveRepairs(std::vector<UserHiveRepair>& hives, std::vector<UserHiveRepair> later);

// The words the report uses: "own", "loaded", "profile"; "cleaned",
// "nothing_found", "incomplete", "skipped"; "not_locked", "given_back",
// "left_locked", "not_given_back", "not_looked_at".
const char* HiveKindName(HiveKind kind);
const char* HiveDoneName(HiveDone done);
const char* ToolsStateName(ToolsState tools);

}  // namespace dizi
