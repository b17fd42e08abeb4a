// The program started with switches: a run without a window for deployment
// tools, or the usage text.
#pragma once

#include "app/command_line.h"

namespace dizi {

// One run without a window, unless another run is in progress (exit code 6);
// returns the exit code. Nothing is shown, not even the system's own error
// boxes, but the box a check after a restart without /silent ends with when
// a user is at the screen; the report's path is taken as the starter's
// current folder sees it.
int RunWithoutWindow(const CommandLine& command);

// Puts files back from the quarantine (every one, or the item `id`) without a
// window, unless another run is in progress (exit code 6); writes a line per
// item to standard output and returns the exit code.
int RestoreWithoutWindow(const std::optional<std::string>& id);

// The usage text, after what is wrong for a bad command line: on standard
// output when the starter gave one, otherwise in a box when a user is at the
// screen and /silent was not given; else nowhere. Returns the exit code 5.
int TellUsage(const CommandLine& command);

// Writes the text, its line feeds as CR LF, to standard output. False when
// there is none or it cannot be written.
bool WriteToStandardOutput(const std::string& text);

}  // namespace dizi
