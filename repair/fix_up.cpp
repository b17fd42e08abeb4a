#include "repair/fix_up.h"

#include "log/activity_log.h"
#include "platform/outside_tools.h"
#include "platform/platform.h"
#include "startup/system_paths.h"

namespace dizi {

void FixUpSystemTools(Platform& platform, const SystemPaths& paths, ActivityLog& log) {
  const std::string cleanCopy = ProgramDir(paths) + "\\msconfig.exe";
  platform.StartHidden(EnableTaskManagerCommand(paths));
  platform.StartHidden(EnableRegistryToolsCommand(paths));
  platform.Copy(cleanCopy, paths.SystemDir + "\\msconfig.exe");
  // Give the registry commands a moment before the repair program runs.
  platform.Sleep(1000);
  platform.StartHidden(RepairProgramCommand(paths));

  log.AddLogLine(true, "  -Unlocking \"Msconfig\" -- 1/4");
  log.AddLogLine(true, "  -Unlocking \"RegEdit\" -- 2/4");
  log.AddLogLine(true, "  -Fixing \"fservice.exe\" error -- 3/4");
  log.AddLogLine(true, "  -Fixing \"sservice.exe\" error -- 4/4");
}

}  // namespace dizi
