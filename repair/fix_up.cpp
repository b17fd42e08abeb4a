#include "repair/fix_up.h"

#include "log/activity_log.h"
#include "places/outside_tools.h"
#include "platform/platform.h"
#include "places/companions.h"
#include "places/system_paths.h"

namespace dizi {

namespace {

constexpr char kMsconfigRestored[] = "  -Unlocking \"Msconfig\" -- 1/4";
constexpr char kMsconfigNotRestored[] = "  -\"Msconfig\" was not restored -- 1/4: ";
constexpr char kNoCleanCopy[] = "no clean msconfig.exe was supplied beside the program";
constexpr char kCameAfterStart[] =
    "the msconfig.exe beside the program was put there after the program started: start the "
    "program again to have it checked and used";
constexpr char kNotRecorded[] =
    "the msconfig.exe beside the program did not come with the package and cannot be checked";
constexpr char kNotShipped[] =
    "the msconfig.exe beside the program is not the clean copy that came with the package";
constexpr char kCopyFailed[] = "the clean copy could not be copied: ";

// How long the repair program may take before the fix-up goes on without it.
constexpr unsigned kRepairProgramWaitMs = 10000;

// Copies the clean msconfig.exe held since the start over the system's, when
// it is the one the package came with; sets the line that says what became of
// it. True when it was copied.
bool RestoreMsconfig(Platform& platform, const SystemPaths& paths, const HeldCompanion& cleanCopy,
                     std::string& line) {
  std::string why;
  switch (cleanCopy.state) {
    case CompanionState::Verified: {
      const Outcome copied = cleanCopy.file->CopyTo(paths.SystemDir + "\\" + kMsconfigName);
      if (copied) {
        line = kMsconfigRestored;
        return true;
      }
      why = kCopyFailed + copied.reason;
      break;
    }
    case CompanionState::Unreadable:
      why = kCopyFailed + cleanCopy.reason;
      break;
    case CompanionState::NotShipped:
      why = kNotShipped;
      break;
    case CompanionState::NotRecorded:
      why = kNotRecorded;
      break;
    case CompanionState::Absent:
      why = platform.FileExists(ProgramDir(paths) + "\\" + kMsconfigName) ? kCameAfterStart
                                                                          : kNoCleanCopy;
      break;
  }
  line = kMsconfigNotRestored + why;
  return false;
}

}  // namespace

FixUpOutcome FixUpSystemTools(Platform& platform, const SystemPaths& paths,
                              const HeldCompanion& cleanMsconfig, ActivityLog& log) {
  FixUpOutcome outcome{};
  outcome.taskManagerCommandStarted = platform.StartHidden(EnableTaskManagerCommand(paths));
  outcome.registryToolsCommandStarted = platform.StartHidden(EnableRegistryToolsCommand(paths));
  std::string msconfigLine;
  outcome.msconfigRestored = RestoreMsconfig(platform, paths, cleanMsconfig, msconfigLine);
  // Give the registry commands a moment before the repair program runs.
  platform.Sleep(1000);
  // Waited for, so that it has done its work before anything else runs; a
  // program that hangs is left to run rather than ended half-way.
  outcome.repairProgram =
      platform.RunHidden(RepairProgramCommand(paths), kRepairProgramWaitMs, AtTimeLimit::Leave);

  log.AddLogLine(true, msconfigLine);
  log.AddLogLine(true, "  -Unlocking \"RegEdit\" -- 2/4");
  log.AddLogLine(true, "  -Fixing \"fservice.exe\" error -- 3/4");
  log.AddLogLine(true, "  -Fixing \"sservice.exe\" error -- 4/4");
  return outcome;
}

}  // namespace dizi
