// What the restore window shows and asks: rows in columns, paths the system
// cannot name shown without harm, and the reports of each action.
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

TEST(RestoreTextsTest, QuestionsAndReportsNameThePath) {
  const QuarantineItem item = Item("C:\\WINDOWS\\krt32.exe", 1, "deleted");
  RestoreOutcome restored;
  restored.status = RestoreStatus::Restored;
  restored.verified = true;
  EXPECT_EQ(RestoreReport(item, restored),
            "C:\\WINDOWS\\krt32.exe has been restored; its SHA-256 matches the kept file's.");
  restored.verified = false;
  EXPECT_EQ(RestoreReport(item, restored),
            "C:\\WINDOWS\\krt32.exe has been restored; no SHA-256 was recorded to check it "
            "against, its size matches.");
  RestoreOutcome failed;
  failed.reason = "Access is denied. (error 5)";
  EXPECT_EQ(RestoreReport(item, failed),
            "C:\\WINDOWS\\krt32.exe could not be restored: Access is denied. (error 5).");
  EXPECT_EQ(ReplaceQuestion(item),
            "A file already exists at C:\\WINDOWS\\krt32.exe.\n\nReplace it with the kept copy? "
            "The file there now is lost.");
  EXPECT_EQ(ImportReport("registry-undo-1.reg", Outcome{true, {}}),
            "registry-undo-1.reg has been imported.");
  EXPECT_EQ(ImportReport("registry-undo-1.reg", Outcome{false, "it failed"}),
            "registry-undo-1.reg could not be imported: it failed.");
}

}  // namespace
}  // namespace dizi
