// The command line of kill.exe: "kill -f <image name>" or "kill -f <full path>".
#pragma once

#include <optional>
#include <string_view>

namespace dizi::tools {

// The one-line usage message written to standard error for a wrong command line.
inline constexpr char kKillUsage[] =
    "usage: kill -f <image name> | kill -f \"<full path>\"    (ends every process of that "
    "image name, or only those whose image is that file)";

// What the processes to end are chosen by.
struct KillTarget {
  enum class Form {
    ImageName,  // a bare file name: every process of that image name
    ImagePath,  // a full path: only processes whose image is that file
  };
  Form form;
  std::string_view text;
};

// The target from the program's arguments (argv[0] is the program itself), or
// nothing when the command line is not exactly "-f" followed by one image name
// or one full path ("X:\..." or "\\..."). Empty or blank names, and paths that
// are relative or end without a file name, are refused: no process could match.
std::optional<KillTarget> ParseKillArguments(int argc, const char* const* argv);

}  // namespace dizi::tools
