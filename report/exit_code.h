// The exit code of a run without a window, fixed and documented: deployment
// tools read it to tell success, a needed restart and failure apart.
#pragma once

#include <array>

namespace dizi {

struct RunRecord;

// What the run's record says about the machine.
enum class Verdict {
  Clean,          // nothing found (exit code 0)
  Removed,        // found, and every file found is gone (1)
  RestartNeeded,  // found; a restart is needed to finish (2)
  Incomplete,     // found; a file could not be removed and must be deleted by hand, or
                  // the repair of what the infection disabled did not finish (3)
  CannotRun,      // not scanned: a shipped file is missing or the rights are lacking (4)
  Returned,       // found again after the restart: removed again, never restarted (3)
  Found,          // found by a scan that changed nothing (8)
};

Verdict VerdictOf(const RunRecord& record);

// The verdict as the report and the registry marker name it: "clean",
// "removed", "restart_needed", "incomplete", "cannot_run", "returned" or
// "found".
const char* VerdictName(Verdict verdict);

// The exit code a verdict gives, before the log and the report are counted.
int ExitCodeOf(Verdict verdict);

// The exit code of the run the record describes (that of its verdict, or 7
// when the log or a report could not be written where the code would
// otherwise be 0, 1 or 2).
int ExitCodeFor(const RunRecord& record);

// The codes given before any run starts.
inline constexpr int kExitBadCommandLine = 5;
inline constexpr int kExitAnotherRun = 6;
// Not counted in a verdict: the log or a report could not be written.
inline constexpr int kExitNotWritten = 7;

struct ExitCodeMeaning {
  int code;
  const char* meaning;
};

// Every exit code with its meaning, as the usage text, the read-me and
// README list them.
extern const std::array<ExitCodeMeaning, 9> kExitCodeMeanings;

}  // namespace dizi
