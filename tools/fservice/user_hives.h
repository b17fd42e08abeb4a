// Every user's hive on the machine, signed in or not.
#pragma once

#include "fservice/repair_places.h"

namespace dizi::tools {

class SummaryOutput;

// Cleans the hive of the account the program runs as first (by its SID; see
// OwnAccount), then every other hive loaded under HKEY_USERS, then every
// profile whose hive is not loaded (see RepairProfiles), each once, with one
// summary line for each. Returns how many failures there were.
unsigned RepairUserHives(const Repair& repair, SummaryOutput& summary);

// Cleans the user's hive at `root`, named `name` ("HKU\<hive>"), as a hive of
// that kind, and writes its summary line; returns its failures. The hive's
// file, for a profile's hive the program loaded itself, goes in `hive_file`.
unsigned RepairUserHive(const Repair& repair, SummaryOutput& summary, HKEY root,
                        const wchar_t* name, HiveKind kind, const wchar_t* hive_file = nullptr);

}  // namespace dizi::tools
