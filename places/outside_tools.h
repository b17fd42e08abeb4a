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
// The system's registry tool importing a registry-editor file (a full path):
// into the program's own view of the registry, or with `view64` into the
// 64-bit view of 64-bit Windows.
Command ImportRegistryFileCommand(const SystemPaths& paths, const std::string& file, bool view64);

}  // namespace dizi
