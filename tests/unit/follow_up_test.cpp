// One more scan after the restart a run asks for or needs: what arranges it
// (a start-up task, or the user's RunOnce value), and what the scan after the
// restart finds: nothing, or the family back, removed again and never
// restarted again.
#include <gtest/gtest.h>

#include <algorithm>

#include "fleet/run_end.h"
#include "fleet/silent_run.h"
#include "json_parse.h"
#include "places/outside_tools.h"
#include "scan/follow_up.h"
#include "startup/startup_checks.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kServerFile = std::string(kWindows) + "\\krt32.exe";
const std::string kDownloaderFile = std::string(kSystem) + "\\kservice.exe";
const std::string kHeldFile = std::string(kSystem) + "\\winkey.dll";
const std::string kCopy = kProgramCopies + "\\DiziTarvix.exe";
const std::string kSchtasks = "\"" + std::string(kSystem) + "\\schtasks.exe\"";
const std::string kDeleteTask = kSchtasks + " /delete /tn \"DiziTarvix after restart\" /f";
const std::string kTaskArranged =
    "  After the restart Diri Tarvix scans once more, before anyone signs in (the start-up task "
    "\"DiziTarvix after restart\"); its report is kept in the Reports folder.";
const std::string kCameBack =
    "  Tarvix came back after the restart, and it was removed again. Something starts it in a "
    "way Diri Tarvix does not clean, so Diri Tarvix does not restart the computer again: have "
    "the computer checked by hand.";
const std::string kLog = "C:\\Tools\\DiziTarvix_Log.txt";
const std::string kKeptReport = kReportsFolder + "\\PC-042-" + kFirstRunId + ".json";

std::string CreateTask(const std::string& taskCommand, bool olderTool) {
  return kSchtasks + " /create /tn \"DiziTarvix after restart\" /sc onstart /ru SYSTEM /tr " +
         QuotedArgument(taskCommand) + (olderTool ? "" : " /rl highest /f");
}

Json Report(const Machine& m) {
  const std::optional<Json> parsed = JsonParser::Parse(m.platform.Content(kKeptReport));
  EXPECT_TRUE(parsed);
  return parsed.value_or(Json{});
}

Texts LogLines(const Machine& m) {
  return FileLines(m.platform.Content(kLog));
}

std::size_t CountOf(const Texts& texts, const std::string& text) {
  return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), text));
}

TEST(FollowUpTest, ARunThatRestartsMakesAStartupTaskForTheProgramsOwnCopy) {
  const std::string task = QuotedArgument(kCopy) + " /silent /afterrestart:" + kFirstRunId;
  // Windows XP's tool can neither replace a task nor give it a run level.
  Machine xp;
  xp.platform.AddFile(kServerFile);
  EXPECT_EQ(RunSilently(xp.platform, xp.recorded, {}), 1);
  const Texts started = xp.Started();
  const auto create = std::find(started.begin(), started.end(), CreateTask(task, true));
  ASSERT_NE(create, started.end());
  EXPECT_EQ(*(create - 1), kDeleteTask);
  EXPECT_EQ(started.back(), kRestartCommand);
  EXPECT_EQ(CountOf(LogLines(xp), kTaskArranged), 1u);
  EXPECT_EQ(Report(xp)["follow_up"].text, "startup_task");

  Machine seven;
  seven.platform.SetVersion({6, 1, 7601});
  seven.platform.AddFile(kServerFile);
  EXPECT_EQ(RunSilently(seven.platform, seven.recorded, {}), 1);
  EXPECT_EQ(CountOf(seven.Started(), CreateTask(task, false)), 1u);
  EXPECT_EQ(CountOf(seven.Started(), kDeleteTask), 0u);

  // Its report goes to the same report folder; one whose path needs quotes
  // is left out, and the log says so.
  Machine drop;
  drop.platform.AddDirectory("C:\\Drop");
  drop.platform.AddFile(kServerFile);
  RunSilently(drop.platform, drop.recorded, {.reportPath = "C:\\Drop\\"});
  EXPECT_EQ(CountOf(drop.Started(),
                    CreateTask(QuotedArgument(kCopy) +
                                   " /silent /report:C:\\Drop\\ /afterrestart:" + kFirstRunId,
                               true)),
            1u);
  Machine blanks;
  blanks.platform.AddDirectory("C:\\Drop Box");
  blanks.platform.AddFile(kServerFile);
  RunSilently(blanks.platform, blanks.recorded, {.reportPath = "C:\\Drop Box\\"});
  EXPECT_EQ(CountOf(blanks.Started(), CreateTask(task, true)), 1u);
  EXPECT_EQ(CountOf(LogLines(blanks),
                    "   +-> the report folder C:\\Drop Box\\ cannot be passed on to it; its report "
                    "is kept on this computer only"),
            1u);
}

TEST(FollowUpTest, OnlyARunThatAsksForOrNeedsARestartArrangesOne) {
  const struct {
    const char* what;
    void (*set)(Machine&);
    SilentOptions options;
    bool arranged;
  } cases[] = {
      {"nothing found", [](Machine&) {}, {}, false},
      {"a downloader file deleted",
       [](Machine& m) { m.platform.AddFile(kDownloaderFile); },
       {},
       false},
      {"a file deleted only at the restart",
       [](Machine& m) {
         m.platform.AddFile(kHeldFile);
         m.platform.HoldOpen(kHeldFile, "C:\\x\\holder.exe", true);
       },
       {},
       true},
      {"a server find, restart held back",
       [](Machine& m) { m.platform.AddFile(kServerFile); },
       {.noReboot = true},
       true},
      {"a server find, scanning only",
       [](Machine& m) { m.platform.AddFile(kServerFile); },
       {.scanOnly = true},
       false},
      {"a server find after the restart",
       [](Machine& m) { m.platform.AddFile(kServerFile); },
       {.afterRestart = true},
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Machine m;
    c.set(m);
    RunSilently(m.platform, m.recorded, c.options);
    const Texts started = m.Started();
    const bool made = std::any_of(started.begin(), started.end(), [](const std::string& s) {
      return s.rfind(kSchtasks + " /create ", 0) == 0;
    });
    EXPECT_EQ(made, c.arranged);
    EXPECT_EQ(Report(m)["follow_up"].kind == Json::Kind::String, c.arranged);
  }
}

// After a scan in the window the user's next sign-in starts the check, which
// shows what it found; where Windows would not start it with the rights it
// needs, a start-up task does it instead.
TEST(FollowUpTest, TheWindowUsesRunOnceWhereTheSignInGetsTheRights) {
  Machine m;
  m.platform.AddFile(kServerFile);
  RunStartupChecks(m.platform, m.paths, m.recorded, m.context.Companions);
  const RunRecord record = RunWindowScan(m.context, m.scanView);
  EXPECT_EQ(record.scan.followUp, FollowUp::RunOnce);
  EXPECT_EQ(m.platform.RegistryValueOf(RegistryRoot::CurrentUser, kRunOnceKey, kFollowUpName),
            RegistryValue::Text(QuotedArgument(kCopy) + " /afterrestart:" + kFirstRunId));
  EXPECT_EQ(CountOf(m.Lines(),
                    "  After the restart Diri Tarvix scans once more when you sign "
                    "in, and says what it found."),
            1u);
  for (const std::string& started : m.Started()) {
    EXPECT_EQ(started.find("schtasks"), std::string::npos) << started;
  }

  Machine elevated;
  elevated.platform.SetSignInGetsTheseRights(false);
  elevated.platform.AddFile(kServerFile);
  RunStartupChecks(elevated.platform, elevated.paths, elevated.recorded,
                   elevated.context.Companions);
  EXPECT_EQ(RunWindowScan(elevated.context, elevated.scanView).scan.followUp,
            FollowUp::StartupTask);
  EXPECT_EQ(
      CountOf(elevated.Started(),
              CreateTask(QuotedArgument(kCopy) + " /silent /afterrestart:" + kFirstRunId, true)),
      1u);
  EXPECT_FALSE(
      elevated.platform.RegistryValueOf(RegistryRoot::CurrentUser, kRunOnceKey, kFollowUpName));
}

TEST(FollowUpTest, WhatCannotBeArrangedIsSaidAndTheRunGoesOn) {
  // Without the program's own copy there is nothing to start.
  Machine noCopy;
  noCopy.platform.AddFile(kServerFile);
  noCopy.platform.MarkUnreadable("C:\\Tools\\DiziTarvix.exe");
  EXPECT_EQ(RunSilently(noCopy.platform, noCopy.recorded, {}), 1);
  EXPECT_EQ(CountOf(LogLines(noCopy),
                    "  Diri Tarvix could not arrange to scan once more after the restart: the "
                    "program's own copy, which only administrators may change, could not be "
                    "made. Scan again yourself after the restart."),
            1u);
  EXPECT_EQ(Report(noCopy)["follow_up"].text, "failed");
  EXPECT_EQ(noCopy.Started().back(), kRestartCommand);

  // The task scheduler's tool refuses.
  Machine refused;
  refused.platform.AddFile(kServerFile);
  refused.platform.SetExitCode(std::string(kSystem) + "\\schtasks.exe", 1);
  EXPECT_EQ(RunSilently(refused.platform, refused.recorded, {}), 1);
  EXPECT_EQ(CountOf(LogLines(refused),
                    "  Diri Tarvix could not arrange to scan once more after the restart: the "
                    "task scheduler's tool failed (exit code 1). Scan again yourself after the "
                    "restart."),
            1u);

  // It cannot be started, or it does not finish.
  const std::string schtasks = std::string(kSystem) + "\\schtasks.exe";
  Machine unstarted;
  unstarted.platform.AddFile(kServerFile);
  unstarted.platform.FailStarts(schtasks);
  EXPECT_EQ(RunSilently(unstarted.platform, unstarted.recorded, {}), 1);
  EXPECT_EQ(CountOf(LogLines(unstarted),
                    "  Diri Tarvix could not arrange to scan once more after the restart: the "
                    "task scheduler's tool could not be started. Scan again yourself after the "
                    "restart."),
            1u);
  EXPECT_EQ(Report(unstarted)["follow_up"].text, "failed");
  Machine stuck;
  stuck.platform.AddFile(kServerFile);
  stuck.platform.KeepRunning(schtasks);
  EXPECT_EQ(RunSilently(stuck.platform, stuck.recorded, {}), 1);
  EXPECT_EQ(CountOf(LogLines(stuck),
                    "  Diri Tarvix could not arrange to scan once more after the restart: the "
                    "task scheduler's tool did not finish in time. Scan again yourself after the "
                    "restart."),
            1u);
  EXPECT_EQ(stuck.Started().back(), kRestartCommand);
}

TEST(FollowUpTest, TheCheckAfterTheRestartFindingNothingNamesTheRunItFollows) {
  Machine m;
  const std::string follows = "20240517-120000-0a0b0c";
  EXPECT_EQ(RunSilently(m.platform, m.recorded, {.afterRestart = true, .follows = follows}), 0);
  const Json report = Report(m);
  EXPECT_TRUE(report["after_restart"].boolean);
  EXPECT_EQ(report["follows"].text, follows);
  EXPECT_EQ(report["result"].text, "clean");
  // The start-up task that started it goes first: it runs once.
  EXPECT_EQ(m.Started(), Texts{kDeleteTask});
  const Texts log = LogLines(m);
  EXPECT_EQ(log[0],
            "  The start-up task \"DiziTarvix after restart\" that started this scan was "
            "removed.");
  EXPECT_EQ(log[1], "  Scanning once more after the restart that run " + follows + " asked for.");
  ASSERT_EQ(m.platform.Events().size(), 1u);
  EXPECT_EQ(m.platform.Events()[0].texts[3],
            "It checked the computer after the restart that run " + follows + " asked for.");

  // Any other run names none.
  Machine plain;
  RunSilently(plain.platform, plain.recorded, {});
  EXPECT_FALSE(Report(plain)["after_restart"].boolean);
  EXPECT_EQ(Report(plain)["follows"].kind, Json::Kind::Null);
}

TEST(FollowUpTest, TheFamilyBackAfterTheRestartIsRemovedAgainButNeverRestartsAgain) {
  Machine m;
  m.platform.AddFile(kServerFile, "back again");
  m.platform.AddFile(kDownloaderFile);
  EXPECT_EQ(RunSilently(m.platform, m.recorded, {.afterRestart = true}), 3);
  EXPECT_FALSE(m.platform.HasFile(kServerFile));
  EXPECT_FALSE(m.platform.HasFile(kDownloaderFile));
  const Json report = Report(m);
  EXPECT_EQ(report["result"].text, "returned");
  EXPECT_EQ(report["exit_code"].number, 3);
  EXPECT_FALSE(report["restart_scheduled"].boolean);
  EXPECT_EQ(report["follow_up"].kind, Json::Kind::Null);
  // Removed and repaired as before, but no restart and no further check.
  const Texts started = m.Started();
  EXPECT_EQ(CountOf(started, kRestartCommand), 0u);
  EXPECT_EQ(CountOf(started, "\"" + kProgramCopies + "\\fservice.exe\""), 1u);
  for (const std::string& command : started) {
    EXPECT_EQ(command.find("/create"), std::string::npos) << command;
  }
  const Texts log = LogLines(m);
  EXPECT_EQ(CountOf(log, kCameBack), 1u);
  EXPECT_EQ(std::find(log.begin(), log.end(), kCameBack) + 1,
            std::find(log.begin(), log.end(), "  Logs Has Been Saved to: " + kLog));
  ASSERT_EQ(m.platform.Events().size(), 1u);
  EXPECT_EQ(m.platform.Events()[0].id, 1005u);
  EXPECT_EQ(m.platform.Events()[0].kind, EventKind::Error);
}

// Started at a user's sign-in, the check ends with one box saying what it
// found; nothing else is shown.
TEST(FollowUpTest, StartedAtSignInTheCheckEndsWithOneBox) {
  Machine clean;
  EXPECT_EQ(
      RunSilently(clean.platform, clean.recorded, {.afterRestart = true, .showFinalState = true}),
      0);
  EXPECT_EQ(clean.journal.With("box "),
            Texts{"Diri Tarvix 2.5 [64] Diri Tarvix scanned this computer once more after the "
                  "restart: Tarvix is gone."});
  // No start-up task started it.
  EXPECT_EQ(CountOf(clean.Started(), kDeleteTask), 0u);

  Machine back;
  back.platform.AddFile(kServerFile);
  EXPECT_EQ(
      RunSilently(back.platform, back.recorded, {.afterRestart = true, .showFinalState = true}), 3);
  EXPECT_EQ(back.journal.With("box "),
            Texts{"Diri Tarvix 2.5 [16] Tarvix came back after the restart, and Diri Tarvix "
                  "removed it again.\n\nSomething starts it in a way Diri Tarvix does not clean, "
                  "so the computer is not restarted again: have it checked by hand."});
  // Shown once everything is written.
  const Texts& entries = back.journal.Entries();
  const auto box = std::find_if(entries.begin(), entries.end(),
                                [](const std::string& e) { return e.rfind("box ", 0) == 0; });
  EXPECT_EQ(std::find_if(box, entries.end(),
                         [](const std::string& e) {
                           return e.rfind("close ", 0) == 0 || e.rfind("registry ", 0) == 0 ||
                                  e.rfind("event ", 0) == 0;
                         }),
            entries.end());
}

TEST(FollowUpTest, TheCommandLineFitsWhatWindowsTakes) {
  SystemPaths paths;
  paths.ProgramCopy = "C:\\ProgramData\\DiziTarvix\\Program\\DiziTarvix.exe";
  const FollowUpPlan plan =
      PlanFollowUp(paths, kFirstRunId, FollowUp::StartupTask, "\\\\server\\drop\\");
  EXPECT_EQ(plan.way, FollowUp::StartupTask);
  EXPECT_EQ(plan.commandLine,
            "\"C:\\ProgramData\\DiziTarvix\\Program\\DiziTarvix.exe\" /silent "
            "/report:\\\\server\\drop\\ /afterrestart:" +
                std::string(kFirstRunId));
  EXPECT_EQ(plan.note, "");

  // A folder that would make it too long is left out; a program path that
  // alone does is no plan at all.
  const std::string longFolder = "\\\\server\\" + std::string(200, 'd') + "\\";
  const FollowUpPlan shorter = PlanFollowUp(paths, kFirstRunId, FollowUp::StartupTask, longFolder);
  EXPECT_EQ(shorter.way, FollowUp::StartupTask);
  EXPECT_EQ(shorter.commandLine.find("/report"), std::string::npos);
  EXPECT_NE(shorter.note, "");
  paths.ProgramCopy = "C:\\" + std::string(240, 'p') + "\\DiziTarvix.exe";
  const FollowUpPlan none = PlanFollowUp(paths, kFirstRunId, FollowUp::RunOnce, {});
  EXPECT_EQ(none.way, FollowUp::None);
  EXPECT_EQ(none.note.rfind("its command line is longer than Windows takes", 0), 0u);

  EXPECT_EQ(QuotedArgument("a b"), "\"a b\"");
  EXPECT_EQ(QuotedArgument("\"C:\\x y\\p.exe\" /r:C:\\d\\ /a"),
            "\"\\\"C:\\x y\\p.exe\\\" /r:C:\\d\\ /a\"");
  EXPECT_EQ(QuotedArgument("C:\\d\\"), "\"C:\\d\\\\\"");
  EXPECT_EQ(QuotedArgument("a\\\"b"), "\"a\\\\\\\"b\"");
}

}  // namespace
}  // namespace dizi::test
