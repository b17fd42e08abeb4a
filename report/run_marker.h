// What a run leaves for deployment tools besides its reports: the marker
// HKEY_LOCAL_MACHINE\SOFTWARE\DiziTarvix (detection rules read it), and one
// entry in the Application event log under the program's own source (event
// forwarding collects it).
#pragma once

#include <string>

#include "platform/platform.h"
#include "report/exit_code.h"

namespace dizi {

struct RunRecord;

// Below HKEY_LOCAL_MACHINE. The program is 32-bit: on 64-bit Windows the
// key lies in the 32-bit view, SOFTWARE\WOW6432Node\DiziTarvix.
inline constexpr char kMarkerKey[] = "SOFTWARE\\DiziTarvix";
// The event source, and where Windows looks up its messages.
inline constexpr char kEventSource[] = "DiziTarvix";
inline constexpr char kEventSourceKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\DiziTarvix";

// The event id of each result; app/messages.mc holds the message of each,
// compiled into DiziTarvix.exe.
unsigned EventIdOf(Verdict verdict);
// Information for a clean or removed result, a warning for a restart needed
// or a find that was left as it is, an error for the rest.
EventKind EventKindOf(Verdict verdict);

// Writes the marker's values Version, LastRunUtc (ISO 8601, the run's
// start in UTC), LastResult (report/exit_code.h), LastExitCode and
// LastRunId. On failure, why (the first value that failed).
Outcome WriteMarker(Platform& platform, const RunRecord& record);

// Registers the event source, its messages in `messageFile` (the program's
// verified copy; none registered when empty), then writes the run's entry:
// its texts are the run id, the exit code, `reportPath` (where the computer
// keeps the report, or a word that it keeps none) and a sentence on what
// kind of run it was.
Outcome WriteRunEvent(Platform& platform, const RunRecord& record, const std::string& messageFile,
                      const std::string& reportPath);

}  // namespace dizi
