// What the program checks and sets up when its main window is created.
#pragma once

namespace dizi {

class Platform;
struct SystemPaths;

// Fills the path texts, checks that the three required shipped files
// (fservice.exe, kill.exe and the read-me; msconfig.exe is optional) lie in
// the program's own folder (one box and a termination request for each one
// that cannot be read), warns the user and opens the read-me, and on systems older
// than XP warns again and copies the kill tool into the Windows folder.
void RunStartupChecks(Platform& platform, SystemPaths& paths);

}  // namespace dizi
