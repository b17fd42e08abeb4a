// What the program checks and sets up when its main window is created.
#pragma once

namespace dizi {

class Platform;
struct HeldCompanions;
struct RecordedDigests;
struct SystemPaths;

// Fills the path texts, checks that the three required shipped files
// (fservice.exe, kill.exe and the read-me; msconfig.exe is optional) lie in
// the program's own folder (one box and a termination request for each one
// that cannot be read), warns the user and opens the read-me, and holds in
// `held` the shipped files that are the ones `recorded` (HoldCompanions). On
// systems older than XP it warns again and copies the held kill tool into the
// Windows folder. Last, each of kill.exe and fservice.exe that is there but
// not the one recorded gets a box naming it and a termination request.
void RunStartupChecks(Platform& platform, SystemPaths& paths, const RecordedDigests& recorded,
                      HeldCompanions& held);

}  // namespace dizi
