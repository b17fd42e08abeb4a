// Gives back the system tools an infection leaves disabled.
#pragma once

namespace dizi {

class ActivityLog;
class Platform;
struct HeldCompanion;
enum class RunResult;
struct SystemPaths;

// What each step of a fix-up came to.
struct FixUpOutcome {
  bool taskManagerCommandStarted;
  bool registryToolsCommandStarted;
  bool msconfigRestored;    // the clean copy is in the system folder
  RunResult repairProgram;  // how the repair program's run ended
};

// Re-enables Task Manager and the registry editor for the current user,
// copies the clean msconfig.exe held since the start (`cleanMsconfig`), when
// it is the one the package came with, over the system's copy, runs the
// shipped repair program and waits a while for it, and logs four lines; the
// first says truthfully whether msconfig.exe was restored, and why not.
FixUpOutcome FixUpSystemTools(Platform& platform, const SystemPaths& paths,
                              const HeldCompanion& cleanMsconfig, ActivityLog& log);

}  // namespace dizi
