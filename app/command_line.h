// The program's command line: none for the window, or the switches of a run
// without one. Portable, so that it is tested natively.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/silent_run.h"

namespace dizi {

enum class StartMode {
  Window,          // no arguments: the program as a double-click starts it
  Silent,          // /silent or /afterrestart: one run without a window, then the exit code
  Restore,         // /restore:all or /restore:<id>: files put back from the quarantine
  Usage,           // /? or /help: the usage text
  BadCommandLine,  // the usage text after what is wrong
};

struct CommandLine {
  StartMode mode = StartMode::Window;
  // /silent was given: nothing may be shown, even when the rest is wrong.
  bool silentSwitch = false;
  SilentOptions silent;  // for StartMode::Silent
  // For StartMode::Restore: the item's id, or nothing for every item.
  std::optional<std::string> restoreId;
  std::string problem;  // for StartMode::BadCommandLine: what is wrong, one line
};

// The arguments after the program's own name, split as the C runtime splits
// them: blanks separate, "double quotes" keep blanks, and backslashes escape
// a quote only when they stand right before it. The name is the first word,
// or the quoted text, or `programPath` (the program's full path) where the
// command line begins with it unquoted, blanks and all, as some starters
// write it.
std::vector<std::string> SplitArguments(std::string_view commandLine, std::string_view programPath);

// Reads the whole command line as the system gives it (the program's own name
// first). Switches begin with / or -, in any case; "/report:<file>" (or
// "/report:<folder>\"), "/restore:all" or "/restore:<id>", and optionally
// "/afterrestart:<run id>" take a value after a colon; every switch may be
// given once, /restore with nothing but /silent, /scanonly only with /silent
// and never with /afterrestart, and /noreboot and /report with /silent or
// /afterrestart (which without /silent ends with a box). An unknown,
// repeated or malformed argument makes it a bad command line.
CommandLine ParseCommandLine(std::string_view commandLine, std::string_view programPath);

}  // namespace dizi
