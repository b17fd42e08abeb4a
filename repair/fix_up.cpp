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
// returns the line that says what became of it.
std::string RestoreMsconfig(Platform& platform, const SystemPaths& paths) {
  const std::string cleanCopy = ProgramDir(paths) + kMsconfigName;
  if (!platform.FileExists(cleanCopy)) {
    return std::string(kMsconfigNotRestored) + kNoCleanCopy;
  }
  const Outcome copied = platform.Copy(cleanCopy, paths.SystemDir + kMsconfigName);
  if (!copied) {
    return kMsconfigNotRestored + (kCopyFailed + copied.reason);
  }
  return kMsconfigRestored;
}

}  // namespace

RunResult FixUpSystemTools(Platform& platform, const SystemPaths& paths, ActivityLog& log) {
  platform.StartHidden(EnableTaskManagerCommand(paths));
  platform.StartHidden(EnableRegistryToolsCommand(paths));
  const std::string msconfigLine = RestoreMsconfig(platform, paths);
  // Give the registry commands a moment before the repair program runs.
  platform.Sleep(1000);
  // Waited for, so that it has done its work before anything else runs; a
  // program that hangs is left to run rather than ended half-way.
  const RunResult repair =
      platform.RunHidden(RepairProgramCommand(paths), kRepairProgramWaitMs, AtTimeLimit::Leave);

  log.AddLogLine(true, msconfigLine);
  log.AddLogLine(true, "  -Unlocking \"RegEdit\" -- 2/4");
  log.AddLogLine(true, "  -Fixing \"fservice.exe\" error -- 3/4");
  log.AddLogLine(true, "  -Fixing \"sservice.exe\" error -- 4/4");
  return repair;
}

}  // namespace dizi
