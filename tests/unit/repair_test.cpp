#include <gtest/gtest.h>

#include "repair/fix_up.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

TEST(RepairTest, ResetsThePoliciesReplacesMsconfigRunsTheRepairAndLogsFourLines) {
  Machine m("C:\\Program Files\\Diri Tarvix");
  m.platform.AddFile("C:\\WINDOWS\\system32\\msconfig.exe", "tampered");
  FixUpSystemTools(m.platform, m.paths, m.log);

  const std::string policy =
      "add HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System /v ";
  EXPECT_EQ(m.journal.Entries(),
            (Texts{"start \"C:\\WINDOWS\\system32\\reg.exe\" " + policy +
                       "DisableTaskMgr /t REG_DWORD /d 0 /f",
                   "start \"C:\\WINDOWS\\system32\\reg.exe\" " + policy +
                       "DisableRegistryTools /t REG_DWORD /d 0 /f",
                   "copy C:\\Program Files\\Diri Tarvix\\msconfig.exe => "
                   "C:\\WINDOWS\\system32\\msconfig.exe -> ok",
                   "sleep 1000", "start \"C:\\Program Files\\Diri Tarvix\\fservice.exe\"",
                   "line   -Unlocking \"Msconfig\" -- 1/4", "line   -Unlocking \"RegEdit\" -- 2/4",
                   "line   -Fixing \"fservice.exe\" error -- 3/4",
                   "line   -Fixing \"sservice.exe\" error -- 4/4"}));
  EXPECT_EQ(m.platform.Content("C:\\WINDOWS\\system32\\msconfig.exe"), "shipped msconfig.exe");
}

TEST(RepairTest, TheFourLinesAreWrittenEvenWhenTheShippedFilesAreGone) {
  Machine m;
  m.platform.Delete("C:\\Tools\\msconfig.exe");
  m.platform.Delete("C:\\Tools\\fservice.exe");
  m.platform.AddFile("C:\\WINDOWS\\system32\\msconfig.exe", "system copy");
  FixUpSystemTools(m.platform, m.paths, m.log);

  EXPECT_EQ(m.Lines().size(), 4u);
  EXPECT_EQ(m.platform.Content("C:\\WINDOWS\\system32\\msconfig.exe"), "system copy");
  EXPECT_TRUE(m.journal.With("box ").empty());
}

}  // namespace
}  // namespace dizi::test
