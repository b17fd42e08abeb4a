// What fservice.exe did, one line per change or failure, for a technician:
// the program has neither window nor console, so the lines go to the debug
// output (OutputDebugStringA), which a debug-output viewer shows.
#pragma once

namespace dizi::tools {

void Report(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace dizi::tools
