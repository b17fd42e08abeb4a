#include "app/command_line.h"

#include <algorithm>
#include <array>

#include "report/run_id.h"

namespace dizi {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return lower;
}

// Where the program's own name ends: at the closing quote when it begins with
// one (no escapes in it); after the program's path when a starter gave that
// unquoted, blanks and all; otherwise at the first blank.
std::size_t ProgramNameEnd(std::string_view commandLine, std::string_view programPath) {
  const std::size_t pathEnd = programPath.size();
  if (!programPath.empty() && commandLine.size() >= pathEnd &&
      Lower(commandLine.substr(0, pathEnd)) == Lower(programPath) &&
      (commandLine.size() == pathEnd || IsBlank(commandLine[pathEnd]))) {
    return pathEnd;
  }
  if (!commandLine.empty() && commandLine[0] == '"') {
    const std::size_t quote = commandLine.find('"', 1);
    return quote == std::string_view::npos ? commandLine.size() : quote + 1;
  }
  std::size_t end = 0;
  while (end < commandLine.size() && !IsBlank(commandLine[end])) {
    ++end;
  }
  return end;
}

// One switch as written: "/report:x" is the name "report" with the value "x".
struct Switch {
  std::string written;  // the whole argument, for messages
  std::string name;     // lower case, without the leading / or -
  bool hasValue = false;
  std::string value;
};

// The names a switch may have.
constexpr std::array<std::string_view, 8> kKnown = {"silent",   "noreboot",     "report", "restore",
                                                    "scanonly", "afterrestart", "?",      "help"};

bool IsKnown(const std::string& name) {
  return std::find(kKnown.begin(), kKnown.end(), name) != kKnown.end();
}

// Checks one switch and notes it; sets the problem when it is wrong.
void Take(const Switch& given, CommandLine& result, bool& help, std::string& problem) {
  if (!IsKnown(given.name)) {
    problem = "unknown argument " + given.written;
    return;
  }
  if (given.name == "report") {
    if (!given.hasValue || given.value.empty()) {
      problem =
          "/report needs the report file's path or a folder's: /report:<file> or "
          "/report:<folder>\\";
      return;
    }
    // A folder ends in a backslash; "C:" alone names no folder but the
    // drive's current one, and a slash is no folder's end here.
    const char last = given.value.back();
    if (last == '/' || last == ':' || given.value == "\\") {
      problem = "/report: names no file and no folder: " + given.value +
                " (a folder ends in a backslash)";
      return;
    }
    result.silent.reportPath = given.value;
    return;
  }
  if (given.name == "afterrestart") {
    result.silent.afterRestart = true;
    if (given.hasValue) {
      // From a task or a RunOnce value anyone may have read: only a run id.
      if (!IsRunId(given.value)) {
        problem =
            "/afterrestart:<run id> takes a run id such as 20240517-142301-a1b2c3: " + given.value;
        return;
      }
      result.silent.follows = given.value;
    }
    return;
  }
  if (given.name == "restore") {
    if (!given.hasValue || given.value.empty()) {
      problem = "/restore needs what to restore: /restore:all or /restore:<id>";
      return;
    }
    result.mode = StartMode::Restore;
    if (Lower(given.value) != "all") {
      result.restoreId = given.value;
    }
    return;
  }
  if (given.hasValue) {
    problem = given.written + ": the switch takes no value";
    return;
  }
  if (given.name == "silent") {
    result.silentSwitch = true;
  } else if (given.name == "noreboot") {
    result.silent.noReboot = true;
  } else if (given.name == "scanonly") {
    result.silent.scanOnly = true;
  } else {
    help = true;
  }
}

CommandLine Bad(CommandLine result, std::string problem) {
  result.mode = StartMode::BadCommandLine;
  result.problem = std::move(problem);
  return result;
}

}  // namespace

std::vector<std::string> SplitArguments(std::string_view commandLine,
                                        std::string_view programPath) {
  std::vector<std::string> arguments;
  std::size_t i = ProgramNameEnd(commandLine, programPath);
  for (;;) {
    while (i < commandLine.size() && IsBlank(commandLine[i])) {
      ++i;
    }
    if (i >= commandLine.size()) {
      return arguments;
    }
    std::string argument;
    bool quoted = false;
    while (i < commandLine.size() && (quoted || !IsBlank(commandLine[i]))) {
      std::size_t backslashes = 0;
      while (i < commandLine.size() && commandLine[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < commandLine.size() && commandLine[i] == '"') {
        // 2n backslashes and a quote: n backslashes, and the quote opens or
        // closes; 2n+1: n backslashes and a literal quote.
        argument.append(backslashes / 2, '\\');
        if (backslashes % 2 == 0) {
          quoted = !quoted;
        } else {
          argument += '"';
        }
        ++i;
      } else {
        argument.append(backslashes, '\\');
        if (i < commandLine.size() && (quoted || !IsBlank(commandLine[i]))) {
          argument += commandLine[i++];
        }
      }
    }
    arguments.push_back(std::move(argument));
  }
}

CommandLine ParseCommandLine(std::string_view commandLine, std::string_view programPath) {
  CommandLine result;
  const std::vector<std::string> arguments = SplitArguments(commandLine, programPath);
  if (arguments.empty()) {
    return result;
  }
  // Every switch is read, so that /silent anywhere keeps a bad command line
  // from being shown in a box; the first problem is the one reported.
  std::string problem;
  std::vector<std::string> seen;
  bool help = false;
  for (const std::string& argument : arguments) {
    Switch given;
    given.written = argument;
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) {
      problem = problem.empty() ? "unknown argument " + argument : problem;
      continue;
    }
    const std::size_t colon = argument.find(':');
    given.name = Lower(argument.substr(1, colon == std::string::npos ? colon : colon - 1));
    given.hasValue = colon != std::string::npos;
    given.value = given.hasValue ? argument.substr(colon + 1) : std::string();
    std::string wrong;
    const std::string canonical = given.name == "help" ? "?" : given.name;
    if (std::find(seen.begin(), seen.end(), canonical) != seen.end() && IsKnown(given.name)) {
      wrong = given.written + " is given more than once";
    } else {
      Take(given, result, help, wrong);
    }
    seen.push_back(canonical);
    if (problem.empty()) {
      problem = wrong;
    }
  }
  if (!problem.empty()) {
    return Bad(result, problem);
  }
  if (help) {
    result.mode = StartMode::Usage;
    return result;
  }
  const SilentOptions& silent = result.silent;
  if (result.mode == StartMode::Restore) {
    if (silent.noReboot || !silent.reportPath.empty() || silent.scanOnly || silent.afterRestart) {
      return Bad(result, "/restore goes with no other switch but /silent");
    }
    return result;
  }
  if (silent.scanOnly && silent.afterRestart) {
    return Bad(result, "/scanonly changes nothing and /afterrestart removes: give one of them");
  }
  if (silent.scanOnly && !result.silentSwitch) {
    return Bad(result, "/scanonly goes with /silent");
  }
  if (!result.silentSwitch && !silent.afterRestart) {
    return Bad(result, "/noreboot and /report go with /silent or /afterrestart");
  }
  result.mode = StartMode::Silent;
  result.silent.switches = arguments;
  return result;
}

}  // namespace dizi
