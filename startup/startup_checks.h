// What the program checks and sets up when its main window is created.
#pragma once

namespace dizi {

class Platform;
struct HeldCompanions;
struct RecordedDigests;
struct SystemPaths;

// What the start-up is for.
enum class StartupFor {
  Window,     // the window: boxes, and the read-me opened
  SilentRun,  // a run without a window: no read-me, so no box about it
  ScanOnly,   // the same, for a scan that changes nothing on the machine
};

// Fills the path texts, holds the program's own file, checks that the three
// required shipped files (fservice.exe, kill.exe and the read-me;
// msconfig.exe is optional) lie in the program's own folder (one box and a
// termination request for each one that cannot be read; without a window
// the box's text names the file), warns the user and opens the read-me (in
// the window only), and holds in `held` the read-me and the shipped files
// that are the ones `recorded` (HoldCompanions). On systems older than XP it
// warns again and copies the held kill tool into the Windows folder (unless
// scanning only). Then each of kill.exe and fservice.exe that is there but
// not the one recorded gets a box naming it and a termination request. Last,
// the copies in the data tree are made (places/program_copies.h).
void RunStartupChecks(Platform& platform, SystemPaths& paths, const RecordedDigests& recorded,
                      HeldCompanions& held, StartupFor run = StartupFor::Window);

}  // namespace dizi
