// The repair program's summary as the program reads it: the lines
// fservice.exe writes (its own tests write the same lines), and whatever else
// a pipe may bring.
#include "repair/repair_summary.h"

#include <gtest/gtest.h>

namespace dizi {
namespace {

std::string Shown(const UserHiveRepair& hive) {
  return hive.hive + " " + HiveKindName(hive.kind) + " " + HiveDoneName(hive.done) + " " +
         std::to_string(hive.valuesChanged) + " " + ToolsStateName(hive.tools) + " [" + hive.note +
         "]";
}

std::vector<std::string> Hives(const RepairSummary& summary) {
  std::vector<std::string> shown;
  for (const UserHiveRepair& hive : summary.hives) {
    shown.push_back(Shown(hive));
  }
  return shown;
}

TEST(RepairSummaryTest, EveryLineOfTheProgramIsRead) {
  const RepairSummary summary = ReadRepairSummary(
      "fservice summary 1\n"
      "hive\tS-1-5-21-1-2-3-1001\tloaded\tcleaned\t3\tgiven-back\t\n"
      "hive\tS-1-5-18\town\tnothing-found\t1\tgiven-back\t\n"
      "hive\t.DEFAULT\tloaded\tnothing-found\t0\tleft-locked\t\n"
      "failed\tcannot change HKU\\S-1-5-21-1-2-3-1002\\Software\\Microsoft\\Windows\\"
      "CurrentVersion\\Policies\\System value \"DisableTaskMgr\": Access is denied. (error 5)\n"
      "hive\tS-1-5-21-1-2-3-1002\tprofile\tincomplete\t2\tnot-given-back\t\n"
      "hive\tS-1-5-21-1-2-3-1003\tprofile\tskipped\t0\t-\tit is a roaming profile, which the "
      "server's copy replaces at the next sign-in (C:\\Users\\x<U+00E9>)\n"
      "hive\tS-1-5-21-1-2-3-1005\tloaded\tnothing-found\t0\tnot-locked\t\n"
      "end\t1\n");
  EXPECT_TRUE(summary.present);
  EXPECT_TRUE(summary.complete);
  EXPECT_EQ(summary.endCode, 1u);
  EXPECT_EQ(summary.unreadLines, 0u);
  EXPECT_EQ(Hives(summary),
            (std::vector<std::string>{
                "S-1-5-21-1-2-3-1001 loaded cleaned 3 given_back []",
                "S-1-5-18 own nothing_found 1 given_back []",
                ".DEFAULT loaded nothing_found 0 left_locked []",
                "S-1-5-21-1-2-3-1002 profile incomplete 2 not_given_back []",
                "S-1-5-21-1-2-3-1003 profile skipped 0 not_looked_at [it is a roaming profile, "
                "which the server's copy replaces at the next sign-in (C:\\Users\\x<U+00E9>)]",
                "S-1-5-21-1-2-3-1005 loaded nothing_found 0 not_locked []"}));
  EXPECT_EQ(summary.failures,
            std::vector<std::string>{
                "cannot change HKU\\S-1-5-21-1-2-3-1002\\Software\\Microsoft\\Windows\\"
                "CurrentVersion\\Policies\\System value \"DisableTaskMgr\": Access is denied. "
                "(error 5)"});
}

TEST(RepairSummaryTest, AnythingAroundTheSummaryIsPassedOverAndLineEndsMayBeEither) {
  const RepairSummary summary = ReadRepairSummary(
      "some other program's words\r\n"
      "hive\tS-1-5-21-9\tloaded\tcleaned\t9\tgiven-back\t\r\n"
      "fservice summary 1\r\n"
      "hive\tS-1-5-21-1\town\tcleaned\t1\tnot-locked\t\r\n"
      "end\t0\r\n"
      "hive\tS-1-5-21-2\tloaded\tcleaned\t1\tnot-locked\t\r\n");
  EXPECT_TRUE(summary.complete);
  EXPECT_EQ(summary.endCode, 0u);
  EXPECT_EQ(Hives(summary), std::vector<std::string>{"S-1-5-21-1 own cleaned 1 not_locked []"});
}

TEST(RepairSummaryTest, NoSummaryAndOneCutShortAreToldApart) {
  EXPECT_FALSE(ReadRepairSummary("").present);
  EXPECT_FALSE(ReadRepairSummary("fservice summary 2\nend\t0\n").present);
  const RepairSummary cut =
      ReadRepairSummary("fservice summary 1\nhive\tS-1-5-21-1\town\tcleaned\t1\tnot-lo");
  EXPECT_TRUE(cut.present);
  EXPECT_FALSE(cut.complete);
  EXPECT_EQ(cut.unreadLines, 1u);
  EXPECT_TRUE(cut.hives.empty());
}

// A line that does not say what it must is counted, never half-read.
TEST(RepairSummaryTest, ALineNotUnderstoodIsCountedAndNotRead) {
  const RepairSummary summary = ReadRepairSummary(
      "fservice summary 1\n"
      "hive\tS-1-5-21-1\town\tcleaned\t1\tnot-locked\n"             // no note field
      "hive\t\town\tcleaned\t1\tnot-locked\t\n"                     // no hive
      "hive\tS-1-5-21-1\tmine\tcleaned\t1\tnot-locked\t\n"          // unknown kind
      "hive\tS-1-5-21-1\town\tdone\t1\tnot-locked\t\n"              // unknown outcome
      "hive\tS-1-5-21-1\town\tcleaned\t-1\tnot-locked\t\n"          // no count
      "hive\tS-1-5-21-1\town\tcleaned\t1234567890\tnot-locked\t\n"  // too large a count
      "hive\tS-1-5-21-1\town\tcleaned\t1\tunlocked\t\n"             // unknown tools
      "failed\t\n"                                                  // no text
      "end\tzero\n"                                                 // no code
      "later\tsomething new\n"
      "hive\tS-1-5-21-2\tprofile\tskipped\t0\t-\ta\ttab in the note\n"
      "failed\ta\ttab in the failure\n");
  EXPECT_FALSE(summary.complete);
  EXPECT_EQ(summary.unreadLines, 10u);
  EXPECT_EQ(Hives(summary), std::vector<std::string>{
                                "S-1-5-21-2 profile skipped 0 not_looked_at [a\ttab in the note]"});
  EXPECT_EQ(summary.failures, std::vector<std::string>{"a\ttab in the failure"});
}

// A later pass of the same scan runs the repair program again, which finds
// nothing left where the first one cleaned.
TEST(RepairSummaryTest, ALaterRepairThatFoundNothingLeftKeepsWhatTheFirstOneDid) {
  std::vector<UserHiveRepair> hives;
  MergeHiveRepairs(hives, ReadRepairSummary("fservice summary 1\n"
                                            "hive\tS-1\town\tcleaned\t2\tgiven-back\t\n"
                                            "hive\tS-2\tloaded\tnothing-found\t0\tnot-locked\t\n"
                                            "hive\tS-3\tloaded\tincomplete\t0\tnot-locked\t\n"
                                            "end\t1\n")
                              .hives);
  MergeHiveRepairs(hives, ReadRepairSummary("fservice summary 1\n"
                                            "hive\tS-1\town\tnothing-found\t0\tnot-locked\t\n"
                                            "hive\tS-2\tloaded\tcleaned\t1\tnot-locked\t\n"
                                            "hive\tS-3\tloaded\tnothing-found\t0\tnot-locked\t\n"
                                            "hive\tS-4\tloaded\tnothing-found\t0\tleft-locked\t\n"
                                            "end\t0\n")
                              .hives);
  EXPECT_EQ(Hives({false, false, 0, hives, {}, 0}),
            (std::vector<std::string>{"S-1 own cleaned 2 given_back []",
                                      "S-2 loaded cleaned 1 not_locked []",
                                      // what failed before is done now
                                      "S-3 loaded nothing_found 0 not_locked []",
                                      "S-4 loaded nothing_found 0 left_locked []"}));
}

}  // namespace
}  // namespace dizi
