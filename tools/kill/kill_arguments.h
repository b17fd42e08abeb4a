// The command line of kill.exe: "kill -f <image name>".
#pragma once

#include <optional>
#include <string_view>

namespace dizi::tools {

// The one-line usage message written to standard error for a wrong command line.
inline constexpr char kKillUsage[] =
    "usage: kill -f <image name>    (ends every process of that image, e.g. kill -f app.exe)";

// The image name from the program's arguments (argv[0] is the program itself),
// or nothing when the command line is not exactly "-f" followed by one image
// name. An image name is a bare file name: empty or blank names and names
// holding a directory are refused, since no process could match them.
std::optional<std::string_view> ParseKillArguments(int argc, const char* const* argv);

}  // namespace dizi::tools
