#include "fservice/autostart_command.h"

#include <algorithm>

#include "common/ascii_text.h"
#include "fservice/family_names.h"

namespace dizi::tools {

namespace {

constexpr std::string_view kDefaultExtension = ".exe";
// Room for a name with the default extension added; every family name is far
// shorter, so a longer name cannot match anyway.
constexpr std::size_t kLongestCheckedName = 64;

bool HasExtension(std::string_view file_name) {
  return file_name.find('.') != std::string_view::npos;
}

// Whether the program path names a family file, directly or, for a name
// without extension, once Windows has added ".exe".
bool IsFamilyProgram(std::string_view program) {
  const std::string_view name = FileNamePart(program);
  if (HasExtension(name)) {
    return IsFamilyFileName(name);
  }
  char with_extension[kLongestCheckedName];
  if (name.empty() || name.size() + kDefaultExtension.size() > sizeof with_extension) {
    return false;
  }
  std::copy(name.begin(), name.end(), with_extension);
  std::copy(kDefaultExtension.begin(), kDefaultExtension.end(), with_extension + name.size());
  return IsFamilyFileName(std::string_view(with_extension, name.size() + kDefaultExtension.size()));
}

}  // namespace

bool StartsFamilyFile(std::string_view command) {
  command = TrimBlanks(command);
  if (!command.empty() && command.front() == '"') {
    std::string_view quoted = command;
    quoted.remove_prefix(1);
    return IsFamilyProgram(Head(quoted, std::min(quoted.find('"'), quoted.size())));
  }
  // Each candidate ends just before a blank that follows a non-blank, or at
  // the end of the command.
  for (std::size_t end = 1; end <= command.size(); ++end) {
    const bool candidate_end =
        end == command.size() || (IsBlank(command[end]) && !IsBlank(command[end - 1]));
    if (!candidate_end) {
      continue;
    }
    const std::string_view candidate = Head(command, end);
    if (IsFamilyProgram(candidate)) {
      return true;
    }
    if (HasExtension(FileNamePart(candidate))) {
      return false;
    }
  }
  return false;
}

}  // namespace dizi::tools
