// The four directory texts every full path is built from.
#pragma once

#include <string>

namespace dizi {

class Platform;

// Set once at start-up and read-only afterwards. Empty until filled.
struct SystemPaths {
  std::string WindowsDir;       // e.g. C:\WINDOWS
  std::string SystemDir;        // e.g. C:\WINDOWS\system32
  std::string LegacySystemDir;  // SystemDir less its last two characters
  std::string KillToolPath;     // the program's own folder followed by "\kill.exe"

  // Where the run starts the shipped kill tool and repair program from: their
  // verified copies in the data tree's Program folder once the start-up
  // checks made them; empty for the files beside the program.
  std::string KillToolCopy;
  std::string RepairProgramCopy;
  // The program's own verified copy there, with the read-me and the clean
  // msconfig.exe beside it, which a scan after the restart starts; empty
  // when none could be made.
  std::string ProgramCopy;

  // Where the log file is saved: empty for beside the program, as always,
  // unless the program's folder is reached through a link, which could be
  // pointed elsewhere while the program runs; then the data tree's Reports
  // folder.
  std::string LogFolder;
};

// Fills every text from the platform's module path and directories.
void FillSystemPaths(Platform& platform, SystemPaths& paths);

// The program's own folder without a trailing backslash: KillToolPath less
// "\kill.exe".
std::string ProgramDir(const SystemPaths& paths);

}  // namespace dizi
