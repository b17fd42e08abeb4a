#include "fservice/autostart_command.h"

#include <algorithm>
#include <utility>

#include "common/ascii_text.h"
#include "fservice/family_names.h"
#include "fservice/program_path.h"

namespace dizi::tools {

namespace {

constexpr std::string_view kProgramExtension = ".exe";
constexpr std::string_view kLibraryExtension = ".dll";
constexpr WideChar kQuote = '"';

// Where a program lies, as far as the family is concerned.
enum class Place { kNameAlone, kWindows, kSystem, kLegacySystem, kElsewhere };

Answer AnswerOf(bool yes) {
  return yes ? Answer::kYes : Answer::kNo;
}

}  // namespace

// A program's path in the form Windows opens it, long where known, and what it
// means for the family.
struct AutostartMatcher::Program {
  WideBuffer path;
  WideView name;
  Place place = Place::kElsewhere;
};

Answer AutostartMatcher::StartsFamilyFile(WideView command) const {
  return FirstProgram(command, &AutostartMatcher::IsFamilyProgram);
}

Answer AutostartMatcher::StartsUserinit(WideView command) const {
  return FirstProgram(command, &AutostartMatcher::IsUserinit);
}

Answer AutostartMatcher::StartsExplorer(WideView command) const {
  return FirstProgram(command, &AutostartMatcher::IsExplorer);
}

Answer AutostartMatcher::FirstProgram(WideView command, Test test) const {
  WideBuffer expanded;
  if (!AppendExpanded(command, machine_, expanded)) {
    return Answer::kUnknown;
  }
  const WideView text = TrimBlanks(expanded.View());
  if (text.empty()) {
    return Answer::kNo;
  }
  if (text.front() == kQuote) {
    const WideView quoted = From(text, 1);
    const std::size_t close = std::min(quoted.find(kQuote), quoted.size());
    const WideView arguments = close == quoted.size() ? WideView() : From(quoted, close + 1);
    return Judge(Head(quoted, close), arguments, test);
  }
  // Each candidate ends just before a blank that follows a non-blank, or at
  // the end of the command.
  for (std::size_t end = 1; end <= text.size(); ++end) {
    if (end < text.size() && !(IsBlank(text[end]) && !IsBlank(text[end - 1]))) {
      continue;
    }
    const WideView candidate = Head(text, end);
    const Answer answer = Judge(candidate, From(text, end), test);
    if (answer != Answer::kNo || HasExtension(FileNamePart(candidate))) {
      return answer;
    }
  }
  return Answer::kNo;
}

Answer AutostartMatcher::Judge(WideView path, WideView arguments, Test test) const {
  Program program;
  if (!Identify(path, kProgramExtension, program)) {
    return Answer::kUnknown;
  }
  return (this->*test)(program, arguments);
}

bool AutostartMatcher::Identify(WideView path, std::string_view default_extension,
                                Program& program) const {
  const WideView written_name = FileNamePart(path);
  if (written_name.empty()) {
    return true;  // a folder, or nothing: no program
  }
  if (!AppendNormalPath(path, program.path)) {
    return false;
  }
  // Windows adds the extension only to a name written without one ("krt32"),
  // not to one that merely lost its trailing dot ("krt32.").
  if (!HasExtension(written_name)) {
    program.path.AppendAscii(default_extension);
  }
  if (program.path.View().find(WideChar('~')) != WideView::npos) {
    LookUpShortNames(program);
  }
  if (program.path.Failed()) {
    return false;
  }
  const PathParts parts = SplitPath(program.path.View());
  program.name = parts.name;
  if (written_name.size() == path.size()) {
    program.place = Place::kNameAlone;
  } else if (EqualsIgnoringCase(parts.folder, folders_.windows)) {
    program.place = Place::kWindows;
  } else if (EqualsIgnoringCase(parts.folder, folders_.system) ||
             (!folders_.system_wow64.empty() &&
              EqualsIgnoringCase(parts.folder, folders_.system_wow64))) {
    program.place = Place::kSystem;
  } else if (EqualsIgnoringCase(parts.folder, folders_.legacy_system)) {
    program.place = Place::kLegacySystem;
  }
  return true;
}

// A path holding a "~" may hold short names. The whole path is looked up when
// the file exists; otherwise (the family's files are gone) only its folder,
// and a short file name is left for IsShortNameOfFamilyFile.
void AutostartMatcher::LookUpShortNames(Program& program) const {
  WideBuffer long_path;
  if (machine_.AppendLongPath(program.path.View(), long_path)) {
    program.path = std::move(long_path);
    return;
  }
  const PathParts parts = SplitPath(program.path.View());
  long_path.Clear();
  if (parts.folder.find(WideChar('~')) != WideView::npos &&
      machine_.AppendLongPath(parts.folder, long_path)) {
    long_path.Append(WideChar('\\')).Append(parts.name);
    program.path = std::move(long_path);
  }
}

bool AutostartMatcher::IsFamilyFile(const Program& program) {
  if (program.name.empty() || program.place == Place::kElsewhere) {
    return false;
  }
  const bool windows_own = IsWindowsSystemFileName(program.name) &&
                           (program.place == Place::kSystem || program.place == Place::kNameAlone);
  return !windows_own && (IsFamilyFileName(program.name) || IsShortNameOfFamilyFile(program.name));
}

Answer AutostartMatcher::IsFamilyProgram(const Program& program, WideView arguments) const {
  if (IsFamilyFile(program)) {
    return Answer::kYes;
  }
  const bool rundll32 = EqualsIgnoringCase(program.name, std::string_view("rundll32.exe")) &&
                        (program.place == Place::kSystem || program.place == Place::kNameAlone);
  return rundll32 ? StartsFamilyLibrary(arguments) : Answer::kNo;
}

// rundll32.exe's first argument names the library, up to a comma or blank:
// "wininv.dll,Start", "\"C:\WINDOWS\system32\wininv.dll\",Start". Like
// LoadLibrary, a name without extension gets ".dll".
Answer AutostartMatcher::StartsFamilyLibrary(WideView arguments) const {
  arguments = TrimBlanks(arguments);
  WideView library;
  if (!arguments.empty() && arguments.front() == kQuote) {
    arguments.remove_prefix(1);
    library = Head(arguments, std::min(arguments.find(kQuote), arguments.size()));
  } else {
    std::size_t end = 0;
    while (end < arguments.size() && arguments[end] != WideChar(',') && !IsBlank(arguments[end])) {
      ++end;
    }
    library = Head(arguments, end);
  }
  Program program;
  if (!Identify(library, kLibraryExtension, program)) {
    return Answer::kUnknown;
  }
  return AnswerOf(IsFamilyFile(program));
}

Answer AutostartMatcher::IsUserinit(const Program& program, WideView) const {
  return AnswerOf(EqualsIgnoringCase(program.name, std::string_view("userinit.exe")) &&
                  (program.place == Place::kSystem || program.place == Place::kNameAlone));
}

Answer AutostartMatcher::IsExplorer(const Program& program, WideView) const {
  return AnswerOf(EqualsIgnoringCase(program.name, std::string_view("explorer.exe")) &&
                  (program.place == Place::kWindows || program.place == Place::kSystem ||
                   program.place == Place::kNameAlone));
}

}  // namespace dizi::tools
