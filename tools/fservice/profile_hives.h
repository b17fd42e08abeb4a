// The profiles whose hive is not loaded: the users who are not signed in,
// whose own start-up entries would otherwise greet them at their next
// sign-in. Windows lists every profile under HKLM\SOFTWARE\Microsoft\Windows
// NT\CurrentVersion\ProfileList (the key's ProfilesDirectory names the
// profiles folder, each SID's subkey the profile's folder).
#pragma once

#include "fservice/repair_places.h"

namespace dizi::tools {

class SummaryOutput;

// For each profile whose hive is not loaded: loads its NTUSER.DAT under a name
// of the program's own (with the backup and restore privileges), cleans it as
// any other user's hive but under the user's own name HKU\<SID> in reports and
// undo files, and unloads it again, whatever happens (see VisitProfile); or
// skips it with one line saying why. A hive that is loaded was cleaned where
// it is, and is passed over here. Writes one summary line for each profile
// cleaned or skipped; returns how many failures there were.
unsigned RepairProfiles(const Repair& repair, SummaryOutput& summary);

}  // namespace dizi::tools
