#include "kill/kill_arguments.h"

#include "common/ascii_text.h"

namespace dizi::tools {

std::optional<std::string_view> ParseKillArguments(int argc, const char* const* argv) {
  if (argc != 3 || argv[1] == nullptr || argv[2] == nullptr) {
    return std::nullopt;
  }
  if (std::string_view(argv[1]) != "-f") {
    return std::nullopt;
  }
  const std::string_view name = argv[2];
  if (TrimBlanks(name).empty() || FileNamePart(name) != name) {
    return std::nullopt;
  }
  return name;
}

}  // namespace dizi::tools
