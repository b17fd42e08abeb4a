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
  // Where to write the run's report (a full path); empty for none.
  std::string reportPath;
};

// Runs the start-up checks, then (unless a shipped file is missing or is not
// the one `recorded`, or the program lacks the rights it needs) one scan run
// as the Scan button makes it, with the shipped files held as the window
// holds them,
// with views that draw nothing. What a box would have said goes to the log
// file and the report instead; nothing is opened. Writes the report when
// asked to, and returns the run's exit code (0 to 4, or 7).
// `notes` are lines for the log about the run's lock (places/run_lock.h).
int RunSilently(Platform& machine, const RecordedDigests& recorded, const SilentOptions& options,
                const std::vector<std::string>& notes = {});

}  // namespace dizi
