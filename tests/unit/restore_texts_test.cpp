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

}  // namespace
}  // namespace dizi
