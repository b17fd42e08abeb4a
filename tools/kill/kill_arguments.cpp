#include "kill/kill_arguments.h"

#include "common/ascii_text.h"

namespace dizi::tools {

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// "X:\..." with a drive letter, or "\\..." (a network share, or a path in the
// "\\?\" form).
bool IsFullPath(std::string_view text) {
  const bool drive = text.size() >= 3 &&
                     ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z')) &&
                     text[1] == ':' && IsSeparator(text[2]);
  return drive || (text.size() >= 2 && IsSeparator(text[0]) && IsSeparator(text[1]));
}

}  // namespace

std::optional<KillTarget> ParseKillArguments(int argc, const char* const* argv) {
  if (argc != 3 || argv[1] == nullptr || argv[2] == nullptr) {
    return std::nullopt;
  }
  if (std::string_view(argv[1]) != "-f") {
    return std::nullopt;
  }
  const std::string_view text = argv[2];
  const std::string_view name = FileNamePart(text);
  if (TrimBlanks(name).empty()) {
    return std::nullopt;
  }
  if (name == text) {
    return KillTarget{KillTarget::Form::ImageName, text};
  }
  if (IsFullPath(text)) {
    return KillTarget{KillTarget::Form::ImagePath, text};
  }
  return std::nullopt;
}

}  // namespace dizi::tools
