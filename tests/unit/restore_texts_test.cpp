// What the restore window shows: rows in columns, and paths the system cannot
// name shown without harm. (Its questions and reports are read in the
// end-to-end restore scenario.)
#include "app/restore_texts.h"

#include <gtest/gtest.h>

namespace dizi {
namespace {

QuarantineItem Item(std::string path, std::uint64_t size, std::string state) {
  QuarantineItem item;
  item.record = {"20240517-142301-01", "2024-05-17T14:23:01Z", path, size, "ab", "server", state};
  item.path = path;
  return item;
}

TEST(RestoreTextsTest, RowsLineUpInColumns) {
  EXPECT_EQ(ItemRow(Item("C:\\WINDOWS\\krt32.exe", 18432, "deleted")),
            "2024-05-17 14:23:01 UTC        18,432 bytes  deleted               "
            "C:\\WINDOWS\\krt32.exe");
  EXPECT_EQ(ItemRow(Item("C:\\a", 0, "left, delete by hand")),
            "2024-05-17 14:23:01 UTC             0 bytes  left, delete by hand  C:\\a");
  EXPECT_EQ(ItemRow(Item("C:\\b", 1234567890123, "restored")),
            "2024-05-17 14:23:01 UTC  1,234,567,890,123 bytes  restored              C:\\b");
}

TEST(RestoreTextsTest, APathTheSystemCannotNameIsShownWithQuestionMarks) {
  QuarantineItem item = Item("C:\\\xE4\xB8\xAD\\caf\xC3\xA9.exe", 1, "deleted");
  item.path.reset();
  EXPECT_EQ(ShownPath(item), "C:\\?\\caf?.exe");
}

// A folder of the quarantine set aside on the way is told in a box: why
// nothing it held is trusted, then each folder's line as a paragraph.
TEST(RestoreTextsTest, AQuarantineSetAsideIsToldWithWhyAndEachFolder) {
  EXPECT_EQ(SetAsideReport({"C:\\ProgramData\\DiziTarvix was not used: it is a link",
                            "C:\\ProgramData\\DiziTarvix\\Quarantine was not used: it is open "
                            "to everyone"}),
            "A folder of the quarantine could be changed by other users, so Diri Tarvix does not "
            "trust what it holds:\n\nC:\\ProgramData\\DiziTarvix was not used: it is a link."
            "\n\nC:\\ProgramData\\DiziTarvix\\Quarantine was not used: it is open to "
            "everyone.");
}

TEST(RestoreTextsTest, WhatARestoreDidIsToldOnePerOutcome) {
  const QuarantineItem item = Item("C:\\WINDOWS\\krt32.exe", 1, "deleted");
  RestoreOutcome outcome;
  outcome.status = RestoreStatus::Restored;
  outcome.verified = true;
  EXPECT_EQ(RestoreReport(item, outcome),
            "C:\\WINDOWS\\krt32.exe has been restored; its SHA-256 matches the kept file's.");
  outcome.verified = false;
  EXPECT_EQ(RestoreReport(item, outcome),
            "C:\\WINDOWS\\krt32.exe has been restored; no SHA-256 was recorded to check it "
            "against, its size matches.");
  outcome.status = RestoreStatus::InPlace;
  EXPECT_EQ(RestoreReport(item, outcome),
            "C:\\WINDOWS\\krt32.exe is in place already: the file there has the kept file's "
            "SHA-256, and stays.");
  outcome.status = RestoreStatus::Failed;
  outcome.reason = "the kept file is damaged: it holds 3 of the original's 4 bytes";
  EXPECT_EQ(RestoreReport(item, outcome),
            "C:\\WINDOWS\\krt32.exe could not be restored: the kept file is damaged: it holds "
            "3 of the original's 4 bytes.");
  EXPECT_EQ(ProblemRow("line 2 of the quarantine's manifest is damaged"),
            "(line 2 of the quarantine's manifest is damaged)");
}

}  // namespace
}  // namespace dizi
