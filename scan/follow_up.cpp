#include "scan/follow_up.h"

#include <algorithm>

#include "log/activity_log.h"
#include "places/outside_tools.h"
#include "places/system_paths.h"
#include "platform/platform.h"

namespace dizi {

namespace {

// How long the task scheduler tool may take.
constexpr unsigned kTaskToolWaitMs = 30000;

constexpr char kTaskArranged[] =
    "  After the restart Diri Tarvix scans once more, before anyone signs in (the start-up task "
    "\"DiziTarvix after restart\"); its report is kept in the Reports folder.";
constexpr char kRunOnceArranged[] =
    "  After the restart Diri Tarvix scans once more when you sign in, and says what it found.";
constexpr char kNotArranged[] =
    "  Diri Tarvix could not arrange to scan once more after the restart: ";
constexpr char kScanAgainYourself[] = ". Scan again yourself after the restart.";
constexpr char kTaskRemoved[] =
    "  The start-up task \"DiziTarvix after restart\" that started this scan was removed.";

bool NeedsQuotes(const std::string& text) {
  return text.find_first_of(" \t\"") != std::string::npos;
}

bool Any(const ScanResult& result, bool (*test)(const FoundFile&)) {
  return std::any_of(result.found.begin(), result.found.end(), test);
}

}  // namespace

FollowUp WindowFollowUpWay(Platform& platform) {
  return platform.SignInGetsTheseRights() ? FollowUp::RunOnce : FollowUp::StartupTask;
}

FollowUpPlan PlanFollowUp(const SystemPaths& paths, const std::string& runId, FollowUp way,
                          const std::string& reportFolder) {
  FollowUpPlan plan;
  if (paths.ProgramCopy.empty()) {
    plan.note = "the program's own copy, which only administrators may change, could not be made";
    return plan;
  }
  std::string line = QuotedArgument(paths.ProgramCopy);
  if (way == FollowUp::StartupTask) {
    line += " /silent";
  }
  const std::string last = " /afterrestart:" + runId;
  if (!reportFolder.empty()) {
    // Before the last switch: a backslash that ends the command line would
    // escape the quote a task scheduler's tool puts after it.
    const std::string report = " /report:" + reportFolder;
    if (NeedsQuotes(reportFolder) ||
        QuotedArgument(line + report + last).size() > kLongestFollowUpCommand) {
      plan.note = "the report folder " + reportFolder +
                  " cannot be passed on to it; its report is kept on this computer only";
    } else {
      line += report;
    }
  }
  line += last;
  if (QuotedArgument(line).size() > kLongestFollowUpCommand) {
    plan.note = "its command line is longer than Windows takes: " + line;
    return plan;
  }
  plan.way = way;
  plan.commandLine = line;
  return plan;
}

bool NeedsFollowUp(const ScanContext& context) {
  const ScanResult& result = context.Result;
  return context.Mode == ScanMode::Clean &&
         (Any(result, [](const FoundFile& f) { return f.kind == TargetKind::Server; }) ||
          Any(result,
              [](const FoundFile& f) { return f.outcome == FileOutcome::DeletedAtRestart; }));
}

void ArrangeFollowUp(ScanContext& context) {
  Platform& platform = context.platform;
  const FollowUpPlan& plan = context.FollowUp;
  std::string why;
  switch (plan.way) {
    case FollowUp::StartupTask: {
      const bool olderTool = platform.Version().major < 6;
      if (olderTool) {
        platform.RunHiddenForOutput(DeleteStartupTaskCommand(context.paths), kTaskToolWaitMs,
                                    AtTimeLimit::End);
      }
      const CommandRun made = platform.RunHiddenForOutput(
          MakeStartupTaskCommand(context.paths, plan.commandLine, olderTool), kTaskToolWaitMs,
          AtTimeLimit::End);
      if (made.result == RunResult::Finished && made.exitCode == 0) {
        context.Result.followUp = FollowUp::StartupTask;
        context.log.AddLogLine(true, kTaskArranged);
      } else {
        why = made.result == RunResult::NotStarted
                  ? "the task scheduler's tool could not be started"
              : made.result == RunResult::Finished
                  ? "the task scheduler's tool failed (exit code " + std::to_string(made.exitCode) +
                        ")"
                  : "the task scheduler's tool did not finish in time";
      }
      break;
    }
    case FollowUp::RunOnce: {
      const Outcome written =
          platform.SetRegistryValue(RegistryRoot::CurrentUser, kRunOnceKey, kFollowUpName,
                                    RegistryValue::Text(plan.commandLine));
      if (written) {
        context.Result.followUp = FollowUp::RunOnce;
        context.log.AddLogLine(true, kRunOnceArranged);
      } else {
        why = "its RunOnce value could not be written: " + written.reason;
      }
      break;
    }
    case FollowUp::None:
    case FollowUp::Failed:
      if (plan.note.empty()) {
        return;  // the caller wants none
      }
      why = plan.note;
      break;
  }
  if (!why.empty()) {
    context.Result.followUp = FollowUp::Failed;
    context.log.AddLogLine(true, kNotArranged + why + kScanAgainYourself);
  } else if (!plan.note.empty()) {
    // Arranged, with something left out.
    context.log.AddLogLine(false, "   +-> " + plan.note);
  }
}

void RemoveFollowUpTask(ScanContext& context) {
  const CommandRun removed = context.platform.RunHiddenForOutput(
      DeleteStartupTaskCommand(context.paths), kTaskToolWaitMs, AtTimeLimit::End);
  if (removed.result == RunResult::Finished && removed.exitCode == 0) {
    context.log.AddLogLine(true, kTaskRemoved);
  }
}

}  // namespace dizi
