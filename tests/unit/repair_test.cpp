#include <gtest/gtest.h>

#include "platform/platform.h"
#include "repair/fix_up.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

FixUpOutcome FixUp(Machine& m) {
  return FixUpSystemTools(m.platform, m.paths, m.context.Companions.msconfig, m.log);
}

TEST(RepairTest, ResetsThePoliciesReplacesMsconfigRunsTheRepairAndLogsFourLines) {
  Machine m("C:\\Program Files\\Diri Tarvix");
  m.platform.AddFile("C:\\WINDOWS\\system32\\msconfig.exe", "tampered");
  m.HoldCompanions();
  const FixUpOutcome outcome = FixUp(m);
  EXPECT_EQ(outcome.repairProgram, RunResult::Finished);
  EXPECT_TRUE(outcome.taskManagerReset);
  EXPECT_TRUE(outcome.registryToolsReset);
  EXPECT_TRUE(outcome.repairProgramSucceeded);
  EXPECT_TRUE(outcome.unfinished.empty());

  const std::string policy =
      "add HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System /v ";
  // Each registry command is waited for before the next one starts.
  EXPECT_EQ(
      m.journal.Entries(),
      (Texts{"start \"C:\\WINDOWS\\system32\\reg.exe\" " + policy +
                 "DisableTaskMgr /t REG_DWORD /d 0 /f",
             "wait 30000 ms -> finished",
             "start \"C:\\WINDOWS\\system32\\reg.exe\" " + policy +
                 "DisableRegistryTools /t REG_DWORD /d 0 /f",
             "wait 30000 ms -> finished",
             "copy held C:\\Program Files\\Diri Tarvix\\msconfig.exe => "
             "C:\\WINDOWS\\system32\\msconfig.exe -> ok",
             "sleep 1000", "start \"C:\\Program Files\\Diri Tarvix\\fservice.exe\"",
             "wait 60000 ms -> finished", "line   -Unlocking \"Msconfig\" -- 1/4",
             "line   -Unlocking \"RegEdit\" -- 2/4", "line   -Fixing \"fservice.exe\" error -- 3/4",
             "line   -Fixing \"sservice.exe\" error -- 4/4"}));
  EXPECT_EQ(m.platform.Content("C:\\WINDOWS\\system32\\msconfig.exe"), "shipped msconfig.exe");
}

const Texts kLastThreeLines = {"  -Unlocking \"RegEdit\" -- 2/4",
                               "  -Fixing \"fservice.exe\" error -- 3/4",
                               "  -Fixing \"sservice.exe\" error -- 4/4"};

Texts WithLastThree(const std::string& first) {
  Texts lines = {first};
  lines.insert(lines.end(), kLastThreeLines.begin(), kLastThreeLines.end());
  return lines;
}

TEST(RepairTest, WithoutACleanCopyMsconfigIsNotRestoredAndTheLogSaysWhy) {
  Machine m;
  m.platform.Delete("C:\\Tools\\msconfig.exe");
  m.platform.Delete("C:\\Tools\\fservice.exe");
  m.platform.AddFile("C:\\WINDOWS\\system32\\msconfig.exe", "system copy");
  m.journal.Clear();
  EXPECT_EQ(FixUp(m).repairProgram, RunResult::NotStarted);

  Texts lines = WithLastThree(
      "  -\"Msconfig\" was not restored -- 1/4: no clean msconfig.exe was supplied beside the "
      "program");
  lines.push_back("  -Not finished: the repair program fservice.exe could not be started");
  EXPECT_EQ(m.Lines(), lines);
  EXPECT_TRUE(m.journal.With("copy ").empty());
  EXPECT_EQ(m.platform.Content("C:\\WINDOWS\\system32\\msconfig.exe"), "system copy");
  EXPECT_TRUE(m.journal.With("box ").empty());
}

// Windows Vista and later protect their own msconfig.exe even from
// administrators. Only the clean copy held since the start, when it is the one
// the package came with, is ever copied; the line says why any other is not.
TEST(RepairTest, MsconfigNotRestoredIsReportedWithWhyNeverAsDone) {
  const std::string system = "C:\\WINDOWS\\system32\\msconfig.exe";
  const std::string inUse =
      "The process cannot access the file because it is being used by another process. "
      "(error 32)";
  const std::string notCopied = "the clean copy could not be copied: ";
  const std::string notShipped =
      "the msconfig.exe beside the program is not the clean copy that came with the package";
  struct Case {
    const char* what;
    void (*arrange)(Machine&);
    std::string why;
    bool copyTried;
  };
  const Case cases[] = {
      {"protected",
       [](Machine& m) { m.platform.MarkReadOnly("C:\\WINDOWS\\system32\\msconfig.exe"); },
       notCopied + "Access is denied. (error 5)", true},
      {"in use",
       [](Machine& m) {
         m.platform.HoldOpen("C:\\WINDOWS\\system32\\msconfig.exe", "msconfig.exe", true);
       },
       notCopied + inUse, true},
      {"clean copy unreadable",
       [](Machine& m) { m.platform.MarkUnreadable("C:\\Tools\\msconfig.exe"); }, notCopied + inUse,
       false},
      {"another file",
       [](Machine& m) { m.platform.ReplaceFromOutside("C:\\Tools\\msconfig.exe", "planted"); },
       notShipped, false},
      {"the shipped file with one byte more",
       [](Machine& m) {
         m.platform.ReplaceFromOutside("C:\\Tools\\msconfig.exe", "shipped msconfig.exe\n");
       },
       notShipped, false},
      {"nothing recorded", [](Machine& m) { m.recorded.msconfig.reset(); },
       "the msconfig.exe beside the program did not come with the package and cannot be checked",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Machine m;
    m.platform.AddFile(system, "system copy");
    c.arrange(m);
    m.HoldCompanions();
    EXPECT_FALSE(FixUp(m).msconfigRestored);
    EXPECT_EQ(m.Lines(), WithLastThree("  -\"Msconfig\" was not restored -- 1/4: " + c.why));
    EXPECT_EQ(m.platform.Content(system), "system copy");
    EXPECT_EQ(m.journal.With("copy").empty(), !c.copyTried);
  }
}

TEST(RepairTest, ARepairProgramThatHangsIsLeftRunningAndTheFixUpIsNotFinished) {
  Machine m;
  m.platform.KeepRunning("C:\\Tools\\fservice.exe");
  const FixUpOutcome outcome = FixUp(m);
  EXPECT_EQ(outcome.repairProgram, RunResult::StillRunning);
  EXPECT_FALSE(outcome.repairProgramSucceeded);
  EXPECT_EQ(m.journal.With("wait "),
            (Texts{"30000 ms -> finished", "30000 ms -> finished", "60000 ms -> still running"}));
  EXPECT_TRUE(m.platform.IsRunning("C:\\Tools\\fservice.exe"));
  const Texts lines = m.Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[4],
            "  -Not finished: the repair program fservice.exe was still running after 60 seconds; "
            "it is left to finish on its own");
  EXPECT_EQ(outcome.unfinished, Texts{lines[4].substr(17)});
}

// Put there only after the start: it was never checked, so it is not used.
TEST(RepairTest, AnMsconfigPutBesideTheProgramAfterTheStartIsNotUsed) {
  const std::string system = "C:\\WINDOWS\\system32\\msconfig.exe";
  const std::string beside = "C:\\Tools\\msconfig.exe";
  const std::string notRestored = "  -\"Msconfig\" was not restored -- 1/4: ";
  Machine late;
  late.platform.Delete(beside);
  late.HoldCompanions();
  late.platform.AddFile(beside, "shipped msconfig.exe");
  EXPECT_FALSE(FixUp(late).msconfigRestored);
  EXPECT_EQ(late.Lines(),
            WithLastThree(notRestored + "the msconfig.exe beside the program was put there after "
                                        "the program started: start the program again to have it "
                                        "checked and used"));
  EXPECT_FALSE(late.platform.HasFile(system));
}

// What is copied is what was checked: the held file cannot be swapped between
// the start and the fix-up.
TEST(RepairTest, TheCopyIsMadeFromTheFileHeldSinceTheStart) {
  Machine m;
  m.HoldCompanions();
  EXPECT_FALSE(m.platform.ReplaceFromOutside("C:\\Tools\\msconfig.exe", "planted"));
  EXPECT_TRUE(FixUp(m).msconfigRestored);
  EXPECT_EQ(m.platform.Content("C:\\WINDOWS\\system32\\msconfig.exe"), "shipped msconfig.exe");
  EXPECT_TRUE(m.journal.With("copy C:").empty());
  // Held still, for a later fix-up.
  EXPECT_TRUE(m.platform.IsLocked("C:\\Tools\\msconfig.exe"));
}

// Done means finished and succeeded: a registry command that cannot start,
// fails or hangs leaves the fix-up unfinished, and says why; the four lines
// stay as they are.
TEST(RepairTest, ARegistryCommandIsDoneOnlyWhenItFinishedAndSucceeded) {
  const std::string reg = "C:\\WINDOWS\\system32\\reg.exe";
  const std::string notFinished = "the registry command that re-enables ";
  struct Case {
    const char* what;
    void (*arrange)(Machine&);
    Texts unfinished;
  };
  const Case cases[] = {
      {"missing",
       [](Machine& m) { m.platform.Delete("C:\\WINDOWS\\system32\\reg.exe"); },
       {notFinished + "Task Manager could not be started",
        notFinished + "the registry editor could not be started"}},
      {"failing",
       [](Machine& m) {
         m.platform.SetExitCode("C:\\WINDOWS\\system32\\reg.exe", 1);
         m.platform.SetOutput("C:\\WINDOWS\\system32\\reg.exe",
                              "\r\nERROR: Access is denied.\r\n\t\x81\r\n");
       },
       {notFinished + "Task Manager failed (exit code 1): ERROR: Access is denied.",
        notFinished + "the registry editor failed (exit code 1): ERROR: Access is denied."}},
      {"hanging",
       [](Machine& m) { m.platform.KeepRunning("C:\\WINDOWS\\system32\\reg.exe"); },
       {notFinished + "Task Manager did not finish within 30 seconds",
        notFinished + "the registry editor did not finish within 30 seconds"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Machine m;
    c.arrange(m);
    m.HoldCompanions();
    const FixUpOutcome outcome = FixUp(m);
    EXPECT_FALSE(outcome.taskManagerReset);
    EXPECT_FALSE(outcome.registryToolsReset);
    EXPECT_TRUE(outcome.repairProgramSucceeded);
    EXPECT_EQ(outcome.unfinished, c.unfinished);
    // Started in their order, the second after the first ended.
    const Texts started = m.Started();
    ASSERT_EQ(started.size(), 3u);
    EXPECT_NE(started[0].find("DisableTaskMgr"), std::string::npos);
    EXPECT_NE(started[1].find("DisableRegistryTools"), std::string::npos);
    const Texts lines = m.Lines();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(Texts(lines.begin() + 1, lines.begin() + 4), kLastThreeLines);
    EXPECT_EQ(lines[4], "  -Not finished: " + c.unfinished[0]);
    EXPECT_EQ(lines[5], "  -Not finished: " + c.unfinished[1]);
  }
  // A hanging command is ended, not left to change the registry later.
  Machine m;
  m.platform.KeepRunning(reg);
  m.HoldCompanions();
  FixUp(m);
  EXPECT_FALSE(m.platform.IsRunning(reg));
}

constexpr char kRepair[] = "C:\\Tools\\fservice.exe";

// What the repair program says it did in each user's hive comes after the
// four lines: one line for each hive where something changed.
TEST(RepairTest, EachUsersHiveWhereTheRepairChangedSomethingGetsALine) {
  Machine m;
  m.platform.SetOutput(kRepair,
                       "fservice summary 1\n"
                       "hive\tS-1-5-18\town\tnothing-found\t0\tnot-locked\t\n"
                       "hive\tS-1-5-21-1-2-3-1001\tloaded\tcleaned\t3\tgiven-back\t\n"
                       "hive\tS-1-5-21-1-2-3-1004\tloaded\tnothing-found\t0\tleft-locked\t\n"
                       "hive\tS-1-5-21-1-2-3-1002\tprofile\tcleaned\t1\tnot-locked\t\n"
                       "hive\tS-1-5-21-1-2-3-1003\tprofile\tskipped\t0\t-\tit is a temporary "
                       "profile (C:\\Users\\TEMP)\n"
                       "end\t0\n");
  m.HoldCompanions();
  const FixUpOutcome outcome = FixUp(m);
  EXPECT_TRUE(outcome.repairProgramSucceeded);
  EXPECT_EQ(outcome.summary.hives.size(), 5u);
  const Texts lines = m.Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(Texts(lines.begin() + 1, lines.begin() + 4), kLastThreeLines);
  EXPECT_EQ(Texts(lines.begin() + 4, lines.end()),
            (Texts{"  -User S-1-5-21-1-2-3-1001: 3 settings repaired, Task Manager and RegEdit "
                   "unlocked",
                   "  -User S-1-5-21-1-2-3-1002: 1 setting repaired (not signed in: its hive was "
                   "loaded from its profile)"}));
}

// The repair program is done only when it finished, said it changed
// everything it had to, and its summary was not cut short.
TEST(RepairTest, TheRepairProgramIsDoneOnlyWhenItSucceeded) {
  struct Case {
    const char* what;
    unsigned long exitCode;
    std::string output;
    Texts unfinished;
  };
  const std::string name = "the repair program fservice.exe";
  const Case cases[] = {
      {"no summary at all (an older program)", 0, "", {}},
      {"a failure",
       1,
       "fservice summary 1\nfailed\tcannot remove HKU\\S-1-5-21-1-2-3-1001\\Software\\Microsoft\\"
       "Windows\\CurrentVersion\\Run value \"x\": Access is denied. (error 5)\n"
       "hive\tS-1-5-21-1-2-3-1001\tloaded\tincomplete\t0\tnot-locked\t\nend\t1\n",
       {name + " could not read, save or change everything it had to (exit code 1)",
        "fservice.exe: cannot remove HKU\\S-1-5-21-1-2-3-1001\\Software\\Microsoft\\Windows\\"
        "CurrentVersion\\Run value \"x\": Access is denied. (error 5)"}},
      {"nothing done",
       2,
       "fservice summary 1\nfailed\tWindows does not say where its folders are: nothing "
       "changed\nend\t2\n",
       {name + " changed nothing: Windows did not say where its folders are (exit code 2)",
        "fservice.exe: Windows does not say where its folders are: nothing changed"}},
      {"an unknown code", 3221225477ul, "", {name + " failed (exit code 3221225477)"}},
      {"a summary cut short",
       0,
       "fservice summary 1\nhive\tS-1-5-18\town\tnoth",
       {"the summary of " + name + " is cut short"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Machine m;
    m.platform.SetExitCode(kRepair, c.exitCode);
    m.platform.SetOutput(kRepair, c.output);
    m.HoldCompanions();
    const FixUpOutcome outcome = FixUp(m);
    EXPECT_EQ(outcome.repairProgramSucceeded, c.unfinished.empty());
    EXPECT_EQ(outcome.unfinished, c.unfinished);
    EXPECT_TRUE(outcome.taskManagerReset);
    const Texts lines = m.Lines();
    ASSERT_EQ(lines.size(), 4u + c.unfinished.size());
    for (std::size_t i = 0; i < c.unfinished.size(); ++i) {
      EXPECT_EQ(lines[4 + i], "  -Not finished: " + c.unfinished[i]);
    }
  }
}

}  // namespace
}  // namespace dizi::test
