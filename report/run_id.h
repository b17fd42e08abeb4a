// Every run's name: its report, its log in the Reports folder, the registry
// marker and the event log entry carry it, and a check after the restart
// names the run it follows up by it.
#pragma once

#include <string>
#include <string_view>

#include "platform/local_time.h"

namespace dizi {

class Platform;

// "yyyymmdd-hhmmss-xxxxxx": the moment the run started in UTC, then six
// lower-case hexadecimal digits of the platform's random number, so that
// ids sort by time and two runs started in the same second differ.
std::string MakeRunId(Platform& platform, const LocalTime& started);

// True when `text` is a run id exactly as MakeRunId makes them (any other
// text, from a command line or a file name, names no run).
bool IsRunId(std::string_view text);

// The run id a file name of the Reports folder ends with before its
// extension ("<computer>-<run id>.json"); empty when it has none.
std::string RunIdOfFileName(std::string_view name, std::string_view extension);

}  // namespace dizi
