#include "startup/startup_checks.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

#include "places/companions.h"
#include "places/outside_tools.h"
#include "places/program_copies.h"
#include "places/system_paths.h"
#include "platform/platform.h"
#include "platform/probe.h"

namespace dizi {

namespace {

// A clean msconfig.exe is welcome beside them but not required: it is
// Windows' own, and the package cannot carry it.
constexpr std::array<const char*, 3> kRequiredFiles = {
    "fservice.exe",
    "kill.exe",
    kReadMeFileName,
};

constexpr char kMissingFilesText[] =
    "If you extracted the ZIP file content to a temp folder, please extract them somewhere "
    "else.\n\nOr you might downloaded the package with missing files. Please redownload it";
constexpr char kMissingFilesCaption[] = "Missing file(s)";
// Where no box is shown, the line that replaces it names the file.
constexpr char kCannotBeRead[] = " is missing or cannot be read.\n\n";

constexpr char kReadMeWarningText[] = "Please read the ReadMe file that will appear carefully.";
constexpr char kReadMeWarningCaption[] = "WARNING!!!";

constexpr char kOldWindowsText[] =
    "This is not windows XP or later. Diri Tarvix 2.5 was not tested under these platforms.";
constexpr char kOldWindowsCaption[] = "Windows 9x or 2000";

constexpr char kChangedFileCaption[] = "Changed file";

// The box for a shipped program that is not the one the build recorded.
std::string ChangedFileText(std::string_view name) {
  return std::string(name) +
         " is not the file that came with Diri Tarvix 2.5: it has been changed or replaced, or "
         "another program keeps it from being read.\n\nPlease redownload the package and "
         "extract it again.";
}

// The programs the scan starts, each of which must be the one shipped.
struct Companion {
  std::string_view name;
  HeldCompanion HeldCompanions::*held;
};
constexpr std::array<Companion, 2> kCompanions = {{
    {kRepairProgramName, &HeldCompanions::repairProgram},
    {"kill.exe", &HeldCompanions::killTool},
}};

// 5.1 (XP) and later; a failed query reads as 0.0 and counts as older.
bool IsXpOrLater(OsVersion version) {
  return version.major > 5 || (version.major == 5 && version.minor >= 1);
}

}  // namespace

void RunStartupChecks(Platform& platform, SystemPaths& paths, const RecordedDigests& recorded,
                      HeldCompanions& held, StartupFor run) {
  // The paths come first: the shipped files are looked for beside the program,
  // whatever folder it was started from.
  FillSystemPaths(platform, paths);
  const std::string programDir = ProgramDir(paths);
  // Held from now on: what is checked below stays what the run uses.
  HoldProgramFolder(platform, paths, held);
  held.self = HoldAsItIs(platform, platform.ModulePath());

  // Every file is checked, and each missing one gets its own box.
  std::vector<std::string_view> missing;
  for (const char* name : kRequiredFiles) {
    const std::string path = programDir + "\\" + name;
    if (!Probe(platform, path)) {
      platform.ShowMessage(
          run == StartupFor::Window ? kMissingFilesText : path + kCannotBeRead + kMissingFilesText,
          kMissingFilesCaption, BoxIcon::Error);
      platform.RequestTermination();
      missing.push_back(name);
    }
  }
  held.readMe = HoldAsItIs(platform, programDir + "\\" + kReadMeFileName);

  // A run without a window opens no read-me, so it has no box about one.
  if (run == StartupFor::Window) {
    platform.ShowMessage(kReadMeWarningText, kReadMeWarningCaption, BoxIcon::Warning);
    platform.ShellOpen(programDir + "\\" + kReadMeFileName);
  }

  // From here on, what is held is what the scan starts and copies.
  HeldCompanions files = HoldCompanions(platform, paths, recorded);
  held.repairProgram = std::move(files.repairProgram);
  held.killTool = std::move(files.killTool);
  held.msconfig = std::move(files.msconfig);

  if (!IsXpOrLater(platform.Version())) {
    platform.ShowMessage(kOldWindowsText, kOldWindowsCaption, BoxIcon::Error);
    // Also put the kill tool in the Windows folder, where a bare "kill" typed
    // at a prompt finds it on these systems: the one shipped, or none; and
    // never by a scan that changes nothing.
    if (held.killTool.Verified() && run != StartupFor::ScanOnly) {
      held.killTool.file->CopyTo(paths.WindowsDir + "\\kill.exe");
    }
  }

  // A program already reported missing has had its box.
  for (const Companion& companion : kCompanions) {
    if (!(held.*companion.held).Verified() &&
        std::find(missing.begin(), missing.end(), companion.name) == missing.end()) {
      platform.ShowMessage(ChangedFileText(companion.name), kChangedFileCaption, BoxIcon::Error);
      platform.RequestTermination();
    }
  }
  StartFromCopies(platform, paths, recorded, held);
}

}  // namespace dizi
