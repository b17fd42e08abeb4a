// The outside programs the cleaner starts, each by its full path so that no
// search path and no current directory decides which file runs.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace dizi {

struct SystemPaths;

// The shipped repair program's file name, beside the program.
inline constexpr char kRepairProgramName[] = "fservice.exe";

// The shipped kill tool (its verified copy, where the start-up made one) for
// every process whose image is the file at `path` (a full path), and no other.
Command KillToolCommand(const SystemPaths& paths, const std::string& path);
// The system's task-kill tool, forced, for exactly the processes of these ids
// (one "/PID" each): never by image name, never with the process tree.
Command TaskKillCommand(const SystemPaths& paths, const std::vector<unsigned long>& processIds);
// Aborts a pending system shutdown.
Command ShutdownAbortCommand(const SystemPaths& paths);
// A forced restart in 10 seconds, with a comment asking for a rescan.
Command RestartCommand(const SystemPaths& paths);
// Reset the per-user policy values that disable Task Manager and the registry editor.
Command EnableTaskManagerCommand(const SystemPaths& paths);
Command EnableRegistryToolsCommand(const SystemPaths& paths);
// The shipped repair program (its verified copy, where the start-up made
// one), without arguments.
Command RepairProgramCommand(const SystemPaths& paths);
// The name of the start-up task a run makes for the check after its restart,
// and of the RunOnce value that does the same at a user's next sign-in.
inline constexpr char kFollowUpName[] = "DiziTarvix after restart";
// The current user's RunOnce key, below HKEY_CURRENT_USER.
inline constexpr char kRunOnceKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The system's task scheduler tool making the start-up task kFollowUpName,
// run as the system at the next start before anyone signs in, which starts
// `taskCommand` (a whole command line) with the highest rights, replacing a
// task of that name. The tool of Windows XP and 2003 (`olderTool`) knows no
// run level and cannot replace a task: there the task is deleted first.
Command MakeStartupTaskCommand(const SystemPaths& paths, const std::string& taskCommand,
                               bool olderTool);
// The same tool deleting the task kFollowUpName, without asking.
Command DeleteStartupTaskCommand(const SystemPaths& paths);

// `text` as one argument of a command line, in double quotes, written so that
// the C runtime's splitting (and the task scheduler's) gives it back as it is.
std::string QuotedArgument(const std::string& text);

// The system's registry tool importing a registry-editor file (a full path):
// into the program's own view of the registry, or with `view64` into the
// 64-bit view of 64-bit Windows.
Command ImportRegistryFileCommand(const SystemPaths& paths, const std::string& file, bool view64);

}  // namespace dizi
