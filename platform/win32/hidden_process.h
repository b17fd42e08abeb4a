// Starting a command line hidden, as every outside program of the cleaner is
// started: by its full path, with no search path and no current directory
// consulted, and handing it no handle of the program's but those asked for.
#pragma once

#include <windows.h>

#include "platform/platform.h"
#include "platform/win32/scoped_handle.h"

namespace dizi {

// Creates the command's process hidden; `output`, when given, becomes its
// standard output and error (it must be inheritable). An empty handle when
// the process could not be created.
ScopedHandle CreateHidden(const Command& command, HANDLE output = nullptr);

// True when the process ended within `milliseconds`.
bool Waited(const ScopedHandle& process, DWORD milliseconds);

// Runs the command with a pipe as its standard output and error, reading
// what it writes while waiting for it (so that it never blocks on a full
// pipe), up to `milliseconds`.
CommandRun RunForOutput(const Command& command, unsigned milliseconds, AtTimeLimit atLimit);

}  // namespace dizi
