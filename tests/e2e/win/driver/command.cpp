#include "command.h"

#include <cstdlib>

#include "commands.h"

namespace e2e {

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--dismiss") {
      options.dismiss = true;
      continue;
    }
    if (arg == "--caption" || arg == "--image" || arg == "--timeout" || arg == "--until" ||
        arg == "--view" || arg == "--window" || arg == "--answer") {
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      const std::string& value = args[++i];
      if (arg == "--caption") {
        options.caption = value;
      } else if (arg == "--image") {
        options.image = value;
      } else if (arg == "--timeout") {
        options.timeoutMs = static_cast<DWORD>(std::strtoul(value.c_str(), nullptr, 10));
      } else if (arg == "--until") {
        options.until = value;
      } else if (arg == "--window") {
        options.window = value;
      } else if (arg == "--answer") {
        options.answer = value;
      } else {
        options.view = value;
      }
      continue;
    }
    if (arg.rfind("--", 0) == 0) {
      error = "unknown option " + arg;
      return false;
    }
    options.words.push_back(arg);
  }
  if (options.until != "none" && options.until != "main" && options.until != "exit") {
    error = "--until takes main, exit or none";
    return false;
  }
  if (!options.view.empty() && options.view != "32" && options.view != "64") {
    error = "--view takes 32 or 64";
    return false;
  }
  return true;
}

const char* CommandSummary() {
  return "commands:\n"
         "  wait-window                 wait until the main window is shown\n"
         "  state                       the program's windows as JSON (read inside the program)\n"
         "  boxes [--dismiss [--answer BUTTON]] [--until main|exit]\n"
         "                              the program's message boxes in order, one JSON line each\n"
         "  click CAPTION [--window CAPTION]\n"
         "                              press a button of the main window (or of the window\n"
         "                              named), wait for its handler\n"
         "  select CONTROL-ID ROW --window CAPTION\n"
         "                              select a row of a list box of that window\n"
         "  menu CAPTION                choose a menu item, wait for its handler\n"
         "  mouse-click CONTROL-ID      click a control with the mouse, do not wait\n"
         "  close                       close the main window as its close box does\n"
         "  processes                   the running processes as JSON\n"
         "  reg-dump KEY [--view 32|64] the values of a registry key as JSON, from the\n"
         "                              driver's own registry view or the one named\n"
         "  file-info PATH              a program file's version record and icon sizes as JSON\n"
         "  watch-windows               wait for the program to start and end; the visible\n"
         "                              top-level windows it showed meanwhile as JSON\n"
         "  start-bare PROGRAM ARGUMENTS\n"
         "                              start a program without standard handles, no wait\n"
         "  exit-code                   wait for that program to end; its exit code as JSON\n"
         "  serve                       read commands from standard input, one a line\n"
         "options: --caption TEXT --image NAME --timeout MS\n";
}

Outcome RunCommand(const Options& options, HookClient& hook) {
  if (options.words.empty()) {
    return {false, "no command given"};
  }
  const std::string& name = options.words[0];
  const std::size_t arguments = options.words.size() - 1;
  struct Entry {
    const char* name;
    std::size_t arguments;
    Outcome (*run)(const Options&, HookClient&);
  };
  static const Entry kCommands[] = {
      {"wait-window", 0, WaitWindow},
      {"state", 0, State},
      {"boxes", 0, Boxes},
      {"click", 1, Click},
      {"select", 2, Select},
      {"menu", 1, Menu},
      {"mouse-click", 1, MouseClick},
      {"close", 0, Close},
      {"processes", 0, Processes},
      {"reg-dump", 1, RegistryDump},
      {"file-info", 1, FileInfo},
      {"watch-windows", 0, WatchWindows},
      {"start-bare", 2, StartBare},
      {"exit-code", 0, ExitCode},
  };
  for (const Entry& entry : kCommands) {
    if (name == entry.name) {
      if (arguments != entry.arguments) {
        return {false, name + " takes " + std::to_string(entry.arguments) + " argument(s)"};
      }
      return entry.run(options, hook);
    }
  }
  return {false, "unknown command " + name};
}

}  // namespace e2e
