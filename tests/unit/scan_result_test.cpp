// The record a scan run returns: what became of each file found, the fix-up's
// steps, the restart and the log file, as the run really went.
#include <gtest/gtest.h>

#include "scan/scan_run.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

const std::string kWinkey = std::string(kWindows) + "\\winkey.dll";
const std::string kFservice = std::string(kSystem) + "\\fservice.exe";
const std::string kKservice = std::string(kSystem) + "\\kservice.exe";
const std::string kRepairProgram = "C:\\Tools\\fservice.exe";

struct Found {
  std::string path;
  TargetKind kind;
  FileOutcome outcome;
  bool operator==(const Found&) const = default;
};

std::vector<Found> FoundIn(const ScanResult& result) {
  std::vector<Found> found;
  for (const FoundFile& file : result.found) {
    found.push_back({file.path, file.kind, file.outcome});
  }
  return found;
}

std::vector<std::pair<std::string, bool>> StepsIn(const ScanResult& result) {
  std::vector<std::pair<std::string, bool>> steps;
  for (const RepairStep& step : result.repairs) {
    steps.emplace_back(step.step, step.ok);
  }
  return steps;
}

TEST(ScanResultTest, ACleanMachineFindsNothingRepairsNothingAndSavesTheLog) {
  Machine m;
  const ScanResult result = RunScan(m.context, m.scanView);
  EXPECT_TRUE(result.found.empty());
  EXPECT_TRUE(result.repairs.empty());
  EXPECT_FALSE(result.restartWanted);
  EXPECT_TRUE(result.logSaved);
}

TEST(ScanResultTest, EachFileIsRecordedOnceInTheOrderFoundWithWhatBecameOfIt) {
  Machine m;
  m.HoldCompanions();
  m.platform.AddFile(kWinkey);
  m.platform.AddFile(kFservice);
  m.platform.AddFile(kKservice);
  // Held by a process no kill ends, in every pass: deleted at the restart.
  m.platform.HoldOpen(kFservice, kFservice, /*survivesKills=*/true);

  const ScanResult result = RunScan(m.context, m.scanView);
  EXPECT_EQ(FoundIn(result),
            (std::vector<Found>{{kWinkey, TargetKind::Server, FileOutcome::Deleted},
                                {kFservice, TargetKind::Server, FileOutcome::DeletedAtRestart},
                                {kKservice, TargetKind::Downloader, FileOutcome::Deleted}}));
  EXPECT_TRUE(result.restartWanted);
  EXPECT_EQ(StepsIn(result), (std::vector<std::pair<std::string, bool>>{{"task_manager", true},
                                                                        {"registry_editor", true},
                                                                        {"msconfig", true},
                                                                        {"repair_program", true}}));
}

TEST(ScanResultTest, AFileNothingCanDeleteIsForTheUserToDeleteByHand) {
  Machine m;
  m.platform.AddFile(kKservice);
  m.platform.FailDeletes(kKservice, FakePlatform::kForever);
  m.platform.FailDeleteAtRestart();
  const ScanResult result = RunScan(m.context, m.scanView);
  EXPECT_EQ(FoundIn(result),
            (std::vector<Found>{{kKservice, TargetKind::Downloader, FileOutcome::DeleteByHand}}));
  // A downloader find neither repairs nor restarts.
  EXPECT_TRUE(result.repairs.empty());
  EXPECT_FALSE(result.restartWanted);
}

TEST(ScanResultTest, FixUpStepsThatDidNotHappenAreRecordedAsFailed) {
  Machine m;
  m.platform.AddFile(kWinkey);
  m.platform.Delete("C:\\Tools\\msconfig.exe");
  m.platform.KeepRunning(kRepairProgram);
  const ScanResult result = RunScan(m.context, m.scanView);
  EXPECT_EQ(StepsIn(result),
            (std::vector<std::pair<std::string, bool>>{{"task_manager", true},
                                                       {"registry_editor", true},
                                                       {"msconfig", false},
                                                       {"repair_program", false}}));
}

TEST(ScanResultTest, AnUnsavedLogIsRecordedAndEachRunStartsAfresh) {
  Machine m;
  m.platform.AddFile(kWinkey);
  const ScanResult first = RunScan(m.context, m.scanView);
  EXPECT_EQ(first.found.size(), 1u);
  EXPECT_TRUE(first.logSaved);

  m.platform.MarkReadOnly("C:\\Tools");
  const ScanResult second = RunScan(m.context, m.scanView);
  EXPECT_TRUE(second.found.empty());
  EXPECT_TRUE(second.repairs.empty());
  EXPECT_FALSE(second.restartWanted);
  EXPECT_FALSE(second.logSaved);
}

}  // namespace
}  // namespace dizi::test
