#include "startup/startup_checks.h"

#include <array>

#include "platform/platform.h"
#include "scan/probe.h"
#include "startup/system_paths.h"

namespace dizi {

namespace {

constexpr char kReadMeName[] = "ReadMe First.txt";

// A clean msconfig.exe is welcome beside them but not required: it is
// Windows' own, and the package cannot carry it.
constexpr std::array<const char*, 3> kRequiredFiles = {
    "fservice.exe",
    "kill.exe",
    kReadMeName,
};

constexpr char kMissingFilesText[] =
    "If you extracted the ZIP file content to a temp folder, please extract them somewhere "
    "else.\n\nOr you might downloaded the package with missing files. Please redownload it";
constexpr char kMissingFilesCaption[] = "Missing file(s)";

constexpr char kReadMeWarningText[] = "Please read the ReadMe file that will appear carefully.";
constexpr char kReadMeWarningCaption[] = "WARNING!!!";

constexpr char kOldWindowsText[] =
    "This is not windows XP or later. Diri Tarvix 2.5 was not tested under these platforms.";
constexpr char kOldWindowsCaption[] = "Windows 9x or 2000";

// 5.1 (XP) and later; a failed query reads as 0.0 and counts as older.
bool IsXpOrLater(OsVersion version) {
  return version.major > 5 || (version.major == 5 && version.minor >= 1);
}

}  // namespace

void RunStartupChecks(Platform& platform, SystemPaths& paths) {
  // The paths come first: the shipped files are looked for beside the program,
  // whatever folder it was started from.
  FillSystemPaths(platform, paths);
  const std::string programDir = ProgramDir(paths);

  // Every file is checked, and each missing one gets its own box.
  for (const char* name : kRequiredFiles) {
    if (!Probe(platform, programDir + "\\" + name)) {
      platform.ShowMessage(kMissingFilesText, kMissingFilesCaption, BoxIcon::Error);
      platform.RequestTermination();
    }
  }

  platform.ShowMessage(kReadMeWarningText, kReadMeWarningCaption, BoxIcon::Warning);
  platform.ShellOpen(programDir + "\\" + kReadMeName);

  if (!IsXpOrLater(platform.Version())) {
    platform.ShowMessage(kOldWindowsText, kOldWindowsCaption, BoxIcon::Error);
    // Also put the kill tool in the Windows folder, where a bare "kill" typed
    // at a prompt finds it on these systems.
    platform.Copy(paths.KillToolPath, paths.WindowsDir + "\\kill.exe");
  }
}

}  // namespace dizi
