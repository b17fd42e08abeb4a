// The driver's commands (see CommandSummary in command.cpp).
#pragma once

#include "command.h"

namespace e2e {

// window_commands.cpp
Outcome WaitWindow(const Options& options, HookClient& hook);
Outcome State(const Options& options, HookClient& hook);
Outcome Click(const Options& options, HookClient& hook);
Outcome Select(const Options& options, HookClient& hook);
Outcome Menu(const Options& options, HookClient& hook);
Outcome MouseClick(const Options& options, HookClient& hook);
Outcome Close(const Options& options, HookClient& hook);

// box_commands.cpp
Outcome Boxes(const Options& options, HookClient& hook);

// system_commands.cpp
Outcome Processes(const Options& options, HookClient& hook);
Outcome RegistryDump(const Options& options, HookClient& hook);

// file_info_command.cpp
Outcome FileInfo(const Options& options, HookClient& hook);

// run_commands.cpp
Outcome WatchWindows(const Options& options, HookClient& hook);
Outcome StartBare(const Options& options, HookClient& hook);
Outcome ExitCode(const Options& options, HookClient& hook);

}  // namespace e2e
