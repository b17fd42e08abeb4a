#include <gtest/gtest.h>

#include "log/log_file.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kLog = "C:\\Tools\\DiziTarvix_Log.txt";
const std::string kOldLog = "old log\r\nkept byte for byte\r\n";
const std::string kSavingError =
    "Saving Error [16] Somthing wrong happend, either disk space is full or you don't have the "
    "access to write files in within this accout.\n the program will not save any information "
    "sorry for this distribution";

struct LogFileTest : testing::Test {
  LogFileTest() {
    m.platform.AddFile(kLog, kOldLog);
    m.log.AddLogLine(true, "  first");
    m.log.AddLogLine(true, "");
    m.log.AddLogLine(false, "   +-> child");
  }

  // After a failed save: one box, the old log as it was, no stray file.
  void ExpectNothingLost() {
    EXPECT_EQ(m.journal.With("box "), Texts{kSavingError});
    EXPECT_EQ(m.platform.Content(kLog), kOldLog);
    EXPECT_EQ(m.platform.FilesIn("C:\\Tools").size(), 6u);
  }

  Machine m;
};

TEST_F(LogFileTest, EveryLineEndsWithCrLfAndTheOldLogIsReplaced) {
  SaveLogFile(m.platform, m.paths, m.log);
  EXPECT_EQ(m.platform.Content(kLog), "  first\r\n\r\n   +-> child\r\n");
  EXPECT_TRUE(m.journal.With("box ").empty());
  EXPECT_EQ(m.platform.FilesIn("C:\\Tools").size(), 6u);
}

TEST_F(LogFileTest, AReadOnlyFolderShowsTheErrorAndKeepsTheOldLog) {
  m.platform.MarkReadOnly("C:\\Tools");
  SaveLogFile(m.platform, m.paths, m.log);
  ExpectNothingLost();
}

TEST_F(LogFileTest, AReadOnlyLogFileShowsTheErrorAndKeepsTheOldLog) {
  m.platform.MarkReadOnly(kLog);
  SaveLogFile(m.platform, m.paths, m.log);
  ExpectNothingLost();
}

TEST_F(LogFileTest, ADiskThatFillsUpHalfwayLeavesTheOldLogWhole) {
  m.platform.LimitWrites(10);
  SaveLogFile(m.platform, m.paths, m.log);
  ExpectNothingLost();
}

TEST_F(LogFileTest, AFailedCloseLeavesTheOldLogWhole) {
  m.platform.FailCloses();
  SaveLogFile(m.platform, m.paths, m.log);
  ExpectNothingLost();
}

TEST_F(LogFileTest, ALogHeldOpenByAnotherProgramIsNotReplaced) {
  m.platform.HoldOpen(kLog, "notepad.exe", /*survivesKills=*/true);
  SaveLogFile(m.platform, m.paths, m.log);
  ExpectNothingLost();
}

}  // namespace
}  // namespace dizi::test
