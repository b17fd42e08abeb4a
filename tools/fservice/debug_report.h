// What fservice.exe did, one line per change or failure, for a technician:
// the program has neither window nor console, so the lines go to the debug
// output (OutputDebugStringA), which a debug-output viewer shows.
#pragma once

#include "fservice/report_line.h"

namespace dizi::tools {

// Sends the line; returns its finished text.
const char* Report(ReportLine& line);

}  // namespace dizi::tools
