// The exit code of a run without a window, fixed and documented: deployment
// tools read it to tell success, a needed restart and failure apart.
#pragma once

#include <array>

namespace dizi {

struct RunRecord;

// What the run's record says about the machine; each is its exit code too.
enum class Verdict {
  Clean = 0,          // nothing found
  Removed = 1,        // found, and every file found is gone
  RestartNeeded = 2,  // found; a restart is needed to finish
  Incomplete = 3,     // found; a file could not be removed and must be deleted by hand, or
                      // the repair of what the infection disabled did not finish
  CannotRun = 4,      // not scanned: a shipped file is missing or the rights are lacking
};

Verdict VerdictOf(const RunRecord& record);

// The verdict as the report names it: "clean", "removed", "restart_needed",
// "incomplete" or "cannot_run".
const char* VerdictName(Verdict verdict);

// The exit code of the run the record describes (0 to 4, or 7 when the log or
// the report could not be written where the code would otherwise be 0, 1 or 2).
int ExitCodeFor(const RunRecord& record);

// The codes given before any run starts.
inline constexpr int kExitBadCommandLine = 5;
inline constexpr int kExitAnotherRun = 6;

struct ExitCodeMeaning {
  int code;
  const char* meaning;
};

// Every exit code with its meaning, as the usage text, the read-me and
// README list them.
extern const std::array<ExitCodeMeaning, 8> kExitCodeMeanings;

}  // namespace dizi
