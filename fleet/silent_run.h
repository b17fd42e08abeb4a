// A whole run without a window, for deployment tools: the start-up checks and
// one scan run, exactly as the window makes them, with nothing shown.
#pragma once

#include <string>
#include <vector>

namespace dizi {

class Platform;
struct RecordedDigests;

struct SilentOptions {
  // No restart is started after a server find; the exit code then says that
  // one is needed.
  bool noReboot = false;
  // Where to write the run's report besides the computer's Reports folder: a
  // file's full path, or a folder's ending in a backslash; empty for none.
  std::string reportPath{};
  // Find and report, and change nothing.
  bool scanOnly = false;
  // The check after a restart: removes again what it finds, never restarts.
  // `follows` is the run it follows up, when known (a valid run id).
  bool afterRestart = false;
  std::string follows{};
  // The command line's arguments after the program's name, for the report.
  std::vector<std::string> switches{};
  // At the end, one box saying what the run found (a check after a restart
  // that a user's sign-in started).
  bool showFinalState = false;
};

// Runs the start-up checks, then (unless a shipped file is missing or is not
// the one `recorded`, or the program lacks the rights it needs) one scan run
// as the Scan button makes it, with the shipped files held as the window
// holds them, with views that draw nothing. What a box would have said goes
// to the log file and the report instead; nothing is opened. A check after a
// restart started by the system first removes the start-up task that
// started it. Then everything the run leaves (fleet/run_end.h: its reports,
// the registry marker, the event log entry) and, last, the restart it wants.
// Returns the run's exit code (report/exit_code.h).
// `notes` are lines for the log about the run's lock (places/run_lock.h).
int RunSilently(Platform& machine, const RecordedDigests& recorded, const SilentOptions& options,
                const std::vector<std::string>& notes = {});

}  // namespace dizi
