#include "places/outside_tools.h"

#include "places/system_paths.h"

namespace dizi {

namespace {

// `arguments` follow the quoted program path verbatim; empty means none.
Command Started(std::string application, const std::string& arguments) {
  std::string line = "\"" + application + "\"";
  if (!arguments.empty()) {
    line += " " + arguments;
  }
  return Command{std::move(application), std::move(line)};
}

std::string InSystemDir(const SystemPaths& paths, const char* name) {
  return paths.SystemDir + "\\" + name;
}

std::string PolicyReset(const char* valueName) {
  return std::string(
             "add HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System /v ") +
         valueName + " /t REG_DWORD /d 0 /f";
}

}  // namespace

Command KillToolCommand(const SystemPaths& paths, const std::string& path) {
  return Started(paths.KillToolCopy.empty() ? paths.KillToolPath : paths.KillToolCopy,
                 "-f \"" + path + "\"");
}

Command TaskKillCommand(const SystemPaths& paths, const std::vector<unsigned long>& processIds) {
  std::string arguments = "/F";
  for (const unsigned long id : processIds) {
    arguments += " /PID " + std::to_string(id);
  }
  return Started(InSystemDir(paths, "taskkill.exe"), arguments);
}

Command ShutdownAbortCommand(const SystemPaths& paths) {
  return Started(InSystemDir(paths, "shutdown.exe"), "-a");
}

Command RestartCommand(const SystemPaths& paths) {
  return Started(InSystemDir(paths, "shutdown.exe"),
                 "-r -f -t 10 -c \"Diri Tarvix System Restart -- Please rescan your computer "
                 "with Diri Tarvix after the restart.\"");
}

Command EnableTaskManagerCommand(const SystemPaths& paths) {
  return Started(InSystemDir(paths, "reg.exe"), PolicyReset("DisableTaskMgr"));
}

Command EnableRegistryToolsCommand(const SystemPaths& paths) {
  return Started(InSystemDir(paths, "reg.exe"), PolicyReset("DisableRegistryTools"));
}

Command RepairProgramCommand(const SystemPaths& paths) {
  return Started(paths.RepairProgramCopy.empty() ? ProgramDir(paths) + "\\" + kRepairProgramName
                                                 : paths.RepairProgramCopy,
                 "");
}

std::string QuotedArgument(const std::string& text) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : text) {
    if (c == '\\') {
      ++backslashes;
    } else if (c == '"') {
      // Each backslash before a quote is doubled, and the quote escaped.
      quoted.append(backslashes + 1, '\\');
      backslashes = 0;
    } else {
      backslashes = 0;
    }
    quoted += c;
  }
  // Backslashes before the closing quote are doubled too.
  quoted.append(backslashes, '\\');
  return quoted + "\"";
}

Command MakeStartupTaskCommand(const SystemPaths& paths, const std::string& taskCommand,
                               bool olderTool) {
  return Started(InSystemDir(paths, "schtasks.exe"),
                 std::string("/create /tn \"") + kFollowUpName + "\" /sc onstart /ru SYSTEM /tr " +
                     QuotedArgument(taskCommand) + (olderTool ? "" : " /rl highest /f"));
}

Command DeleteStartupTaskCommand(const SystemPaths& paths) {
  return Started(InSystemDir(paths, "schtasks.exe"),
                 std::string("/delete /tn \"") + kFollowUpName + "\" /f");
}

Command ImportRegistryFileCommand(const SystemPaths& paths, const std::string& file, bool view64) {
  return Started(InSystemDir(paths, "reg.exe"),
                 "import \"" + file + "\"" + (view64 ? " /reg:64" : ""));
}

}  // namespace dizi
