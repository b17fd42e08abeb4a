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
  EXPECT_EQ(FixUp(m).repairProgram, RunResult::Finished);

  const std::string policy =
      "add HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System /v ";
  EXPECT_EQ(
      m.journal.Entries(),
      (Texts{"start \"C:\\WINDOWS\\system32\\reg.exe\" " + policy +
                 "DisableTaskMgr /t REG_DWORD /d 0 /f",
             "start \"C:\\WINDOWS\\system32\\reg.exe\" " + policy +
                 "DisableRegistryTools /t REG_DWORD /d 0 /f",
             "copy held C:\\Program Files\\Diri Tarvix\\msconfig.exe => "
             "C:\\WINDOWS\\system32\\msconfig.exe -> ok",
             "sleep 1000", "start \"C:\\Program Files\\Diri Tarvix\\fservice.exe\"",
             "wait 10000 ms -> finished", "line   -Unlocking \"Msconfig\" -- 1/4",
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

  EXPECT_EQ(m.Lines(), WithLastThree("  -\"Msconfig\" was not restored -- 1/4: no clean "
                                     "msconfig.exe was supplied beside the program"));
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

TEST(RepairTest, ARepairProgramThatHangsIsLeftRunning) {
  Machine m;
  m.platform.KeepRunning("C:\\Tools\\fservice.exe");
  EXPECT_EQ(FixUp(m).repairProgram, RunResult::StillRunning);
  EXPECT_EQ(m.journal.With("wait "), Texts{"10000 ms -> still running"});
  EXPECT_TRUE(m.platform.IsRunning("C:\\Tools\\fservice.exe"));
  EXPECT_EQ(m.Lines().size(), 4u);
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

}  // namespace
}  // namespace dizi::test
