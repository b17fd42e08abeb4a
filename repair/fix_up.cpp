#include "repair/fix_up.h"

#include "log/activity_log.h"
#include "places/outside_tools.h"
#include "platform/platform.h"
#include "places/companions.h"
#include "places/system_paths.h"

namespace dizi {

namespace {

constexpr char kMsconfigRestored[] = "  -Unlocking \"Msconfig\" -- 1/4";
constexpr char kMsconfigNotRestored[] = "  -\"Msconfig\" was not restored -- 1/4: ";
constexpr char kNoCleanCopy[] = "no clean msconfig.exe was supplied beside the program";
constexpr char kCameAfterStart[] =
    "the msconfig.exe beside the program was put there after the program started: start the "
    "program again to have it checked and used";
constexpr char kNotRecorded[] =
    "the msconfig.exe beside the program did not come with the package and cannot be checked";
constexpr char kNotShipped[] =
    "the msconfig.exe beside the program is not the clean copy that came with the package";
constexpr char kCopyFailed[] = "the clean copy could not be copied: ";

// How long the repair program may take before the fix-up goes on without it:
// enough to load and clean the hive of each of many profiles.
constexpr unsigned kRepairProgramWaitMs = 60000;
// How long a registry command may take before it is ended.
constexpr unsigned kPolicyCommandWaitMs = 30000;

constexpr char kRepairProgram[] = "the repair program fservice.exe";
constexpr char kNotFinished[] = "  -Not finished: ";

// Copies the clean msconfig.exe held since the start over the system's, when
// it is the one the package came with; sets the line that says what became of
// it. True when it was copied.
bool RestoreMsconfig(Platform& platform, const SystemPaths& paths, const HeldCompanion& cleanCopy,
                     std::string& line) {
  std::string why;
  switch (cleanCopy.state) {
    case CompanionState::Verified: {
      const Outcome copied = cleanCopy.file->CopyTo(paths.SystemDir + "\\" + kMsconfigName);
      if (copied) {
        line = kMsconfigRestored;
        return true;
      }
      why = kCopyFailed + copied.reason;
      break;
    }
    case CompanionState::Unreadable:
      why = kCopyFailed + cleanCopy.reason;
      break;
    case CompanionState::NotShipped:
      why = kNotShipped;
      break;
    case CompanionState::NotRecorded:
      why = kNotRecorded;
      break;
    case CompanionState::Absent:
      why = platform.FileExists(ProgramDir(paths) + "\\" + kMsconfigName) ? kCameAfterStart
                                                                          : kNoCleanCopy;
      break;
  }
  line = kMsconfigNotRestored + why;
  return false;
}

// The command's output as one line of printable ASCII, at most `most`
// characters: what a failing registry tool says.
std::string OutputLine(const std::string& output, std::size_t most) {
  std::string line;
  for (const char c : output) {
    const bool printable = c > ' ' && c <= '~';
    if (printable) {
      line += c;
    } else if (!line.empty() && line.back() != ' ') {
      line += ' ';
    }
  }
  while (!line.empty() && line.back() == ' ') {
    line.pop_back();
  }
  return line.size() > most ? line.substr(0, most) + "..." : line;
}

// Runs one of the two registry commands to its end; true when it succeeded,
// otherwise why not goes to `unfinished`.
bool RunPolicyCommand(Platform& platform, const Command& command, const char* what,
                      std::vector<std::string>& unfinished) {
  const CommandRun run =
      platform.RunHiddenForOutput(command, kPolicyCommandWaitMs, AtTimeLimit::End);
  const std::string subject = std::string("the registry command that re-enables ") + what;
  switch (run.result) {
    case RunResult::Finished:
      if (run.exitCode == 0) {
        return true;
      }
      {
        std::string why = subject + " failed (exit code " + std::to_string(run.exitCode) + ")";
        const std::string said = OutputLine(run.output, 200);
        unfinished.push_back(said.empty() ? why : why + ": " + said);
      }
      return false;
    case RunResult::NotStarted:
      unfinished.push_back(subject + " could not be started");
      return false;
    case RunResult::Ended:
    case RunResult::StillRunning:
      break;
  }
  unfinished.push_back(subject + " did not finish within " +
                       std::to_string(kPolicyCommandWaitMs / 1000) + " seconds");
  return false;
}

// Whether the repair program did all it had to; why not goes to `unfinished`.
bool JudgeRepairProgram(const CommandRun& run, const RepairSummary& summary,
                        std::vector<std::string>& unfinished) {
  const std::string name = kRepairProgram;
  switch (run.result) {
    case RunResult::NotStarted:
      unfinished.push_back(name + " could not be started");
      return false;
    case RunResult::Ended:
    case RunResult::StillRunning:
      unfinished.push_back(name + " was still running after " +
                           std::to_string(kRepairProgramWaitMs / 1000) +
                           " seconds; it is left to finish on its own");
      return false;
    case RunResult::Finished:
      break;
  }
  const std::size_t before = unfinished.size();
  if (run.exitCode == 1) {
    unfinished.push_back(name +
                         " could not read, save or change everything it had to (exit code 1)");
  } else if (run.exitCode == 2) {
    unfinished.push_back(
        name + " changed nothing: Windows did not say where its folders are (exit code 2)");
  } else if (run.exitCode != 0) {
    unfinished.push_back(name + " failed (exit code " + std::to_string(run.exitCode) + ")");
  }
  for (const std::string& failure : summary.failures) {
    unfinished.push_back("fservice.exe: " + failure);
  }
  if (summary.present && !summary.complete) {
    unfinished.push_back("the summary of " + name + " is cut short");
  }
  return unfinished.size() == before;
}

// "  -User <SID>: N settings repaired, Task Manager and RegEdit unlocked", for
// a hive where the repair program changed something.
std::string HiveLine(const UserHiveRepair& hive) {
  std::string line = "  -User " + hive.hive + ": " + std::to_string(hive.valuesChanged) +
                     (hive.valuesChanged == 1 ? " setting" : " settings") + " repaired";
  if (hive.tools == ToolsState::GivenBack) {
    line += ", Task Manager and RegEdit unlocked";
  }
  if (hive.done == HiveDone::Incomplete || hive.tools == ToolsState::NotGivenBack) {
    line += ", not everything could be repaired";
  }
  if (hive.kind == HiveKind::Profile) {
    line += " (not signed in: its hive was loaded from its profile)";
  }
  return line;
}

}  // namespace

FixUpOutcome FixUpSystemTools(Platform& platform, const SystemPaths& paths,
                              const HeldCompanion& cleanMsconfig, ActivityLog& log) {
  FixUpOutcome outcome;
  outcome.taskManagerReset = RunPolicyCommand(platform, EnableTaskManagerCommand(paths),
                                              "Task Manager", outcome.unfinished);
  outcome.registryToolsReset = RunPolicyCommand(platform, EnableRegistryToolsCommand(paths),
                                                "the registry editor", outcome.unfinished);
  std::string msconfigLine;
  outcome.msconfigRestored = RestoreMsconfig(platform, paths, cleanMsconfig, msconfigLine);
  // A moment before the repair program runs, as ever.
  platform.Sleep(1000);
  // Waited for, so that it has done its work before anything else runs; a
  // program that hangs is left to run rather than ended half-way.
  const CommandRun repair = platform.RunHiddenForOutput(RepairProgramCommand(paths),
                                                        kRepairProgramWaitMs, AtTimeLimit::Leave);
  outcome.repairProgram = repair.result;
  outcome.summary = ReadRepairSummary(repair.output);
  outcome.repairProgramSucceeded = JudgeRepairProgram(repair, outcome.summary, outcome.unfinished);

  log.AddLogLine(true, msconfigLine);
  log.AddLogLine(true, "  -Unlocking \"RegEdit\" -- 2/4");
  log.AddLogLine(true, "  -Fixing \"fservice.exe\" error -- 3/4");
  log.AddLogLine(true, "  -Fixing \"sservice.exe\" error -- 4/4");
  for (const UserHiveRepair& hive : outcome.summary.hives) {
    if (hive.valuesChanged > 0) {
      log.AddLogLine(true, HiveLine(hive));
    }
  }
  for (const std::string& why : outcome.unfinished) {
    log.AddLogLine(true, kNotFinished + why);
  }
  return outcome;
}

}  // namespace dizi
