#include "repair/fix_up.h"

#include "log/activity_log.h"
#include "platform/outside_tools.h"
#include "platform/platform.h"
#include "startup/system_paths.h"

namespace dizi {

namespace {

constexpr char kMsconfigName[] = "\\msconfig.exe";
constexpr char kMsconfigRestored[] = "  -Unlocking \"Msconfig\" -- 1/4";
constexpr char kMsconfigNotRestored[] = "  -\"Msconfig\" was not restored -- 1/4: ";
constexpr char kNoCleanCopy[] = "no clean msconfig.exe was supplied beside the program";
constexpr char kCopyFailed[] = "the clean copy could not be copied: ";

// How long the repair program may take before the fix-up goes on without it.
constexpr unsigned kRepairProgramWaitMs = 10000;

// Copies the clean msconfig.exe, when one was supplied, over the system's;
// sets the line that says what became of it. True when it was copied.
bool RestoreMsconfig(Platform& platform, const SystemPaths& paths, std::string& line) {
  const std::string cleanCopy = ProgramDir(paths) + kMsconfigName;
  if (!platform.FileExists(cleanCopy)) {
    line = std::string(kMsconfigNotRestored) + kNoCleanCopy;
    return false;
  }
  const Outcome copied = platform.Copy(cleanCopy, paths.SystemDir + kMsconfigName);
  if (!copied) {
    line = kMsconfigNotRestored + (kCopyFailed + copied.reason);
    return false;
  }
  line = kMsconfigRestored;
  return true;
}

}  // namespace

FixUpOutcome FixUpSystemTools(Platform& platform, const SystemPaths& paths, ActivityLog& log) {
  FixUpOutcome outcome{};
  outcome.taskManagerCommandStarted = platform.StartHidden(EnableTaskManagerCommand(paths));
  outcome.registryToolsCommandStarted = platform.StartHidden(EnableRegistryToolsCommand(paths));
  std::string msconfigLine;
  outcome.msconfigRestored = RestoreMsconfig(platform, paths, msconfigLine);
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
