// The text /? shows: the command line of a run without a window and its exit
// codes.
#pragma once

#include <string>

namespace dizi {

// Lines ended by "\n"; plain ASCII.
std::string UsageText();

// One exit code as the usage text and the read-me list it: "  0  clean: ...".
std::string ExitCodeLine(int code, const char* meaning);

}  // namespace dizi
