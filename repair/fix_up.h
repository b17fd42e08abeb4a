// Gives back the system tools an infection leaves disabled.
#pragma once

#include <string>
#include <vector>

#include "repair/repair_summary.h"

namespace dizi {

class ActivityLog;
class Platform;
struct HeldCompanion;
enum class RunResult;
struct SystemPaths;

// What each step of a fix-up came to. A step is done only when it finished
// and succeeded.
struct FixUpOutcome {
  bool taskManagerReset = false;        // its registry command finished and succeeded
  bool registryToolsReset = false;      // likewise
  bool msconfigRestored = false;        // the clean copy is in the system folder
  RunResult repairProgram{};            // how the repair program's run ended
  bool repairProgramSucceeded = false;  // it finished and changed everything it had to
  RepairSummary summary;                // what the repair program said it did
  // Why the fix-up did not finish, one sentence each: a registry command
  // that could not start, failed or did not end; the repair program not
  // started, still running, or failing, and each value it could not change.
  // Empty when every step but msconfig.exe's (which the package may lack) is
  // done.
  std::vector<std::string> unfinished;
};

// Re-enables Task Manager and the registry editor for the current user (each
// registry command waited for, in turn), copies the clean msconfig.exe held
// since the start (`cleanMsconfig`), when it is the one the package came
// with, over the system's copy, runs the shipped repair program and waits a
// while for it, reading its summary, and logs four lines; the first says
// truthfully whether msconfig.exe was restored, and why not. After them come
// one line for each user's hive where the repair program changed something,
// and one for each reason the fix-up did not finish.
FixUpOutcome FixUpSystemTools(Platform& platform, const SystemPaths& paths,
                              const HeldCompanion& cleanMsconfig, ActivityLog& log);

}  // namespace dizi
