#include <gtest/gtest.h>

#include <string>

#include "fservice/winlogon_list.h"

namespace dizi::tools {
namespace {

struct Rewritten {
  std::string list;
  std::size_t removed;
  bool needs_default;
};

Rewritten Rewrite(std::string_view list) {
  // Filled with a marker to show the rewrite never writes past the new list.
  std::string out(list.size() + 8, '#');
  const ListRewrite result = RemoveFamilyEntries(list, std::span<char>(out.data(), list.size()));
  EXPECT_LE(result.length, list.size());
  EXPECT_EQ(out.substr(list.size()), std::string(8, '#'));
  return {out.substr(0, result.length), result.removed, result.needs_default};
}

TEST(WinlogonList, ListsWithoutTheFamilyStayByteForByte) {
  for (const char* list : {"Explorer.exe", "C:\\WINDOWS\\system32\\userinit.exe,",
                           "Explorer.exe, myfservice.exe", "a.exe,,b.exe , c.exe,  ", ""}) {
    const Rewritten r = Rewrite(list);
    EXPECT_EQ(r.list, list);
    EXPECT_EQ(r.removed, 0u);
    EXPECT_FALSE(r.needs_default);
  }
}

TEST(WinlogonList, RemovesAnEntryWithItsSeparatorWherever) {
  EXPECT_EQ(Rewrite("Explorer.exe,fservice.exe").list, "Explorer.exe");
  EXPECT_EQ(Rewrite("Explorer.exe, fservice.exe").list, "Explorer.exe");
  EXPECT_EQ(Rewrite("fservice.exe,Explorer.exe").list, "Explorer.exe");
  EXPECT_EQ(Rewrite("fservice.exe, Explorer.exe").list, "Explorer.exe");
  EXPECT_EQ(Rewrite("a.exe, fservice.exe, b.exe").list, "a.exe, b.exe");
  // The separator after an entry that stays is its own.
  EXPECT_EQ(Rewrite("a.exe,fservice.exe, b.exe").list, "a.exe,b.exe");
  EXPECT_EQ(Rewrite("a.exe, fservice.exe,b.exe").list, "a.exe, b.exe");
}

TEST(WinlogonList, KeepsUserinitsTrailingComma) {
  EXPECT_EQ(
      Rewrite("C:\\WINDOWS\\system32\\userinit.exe,C:\\WINDOWS\\system32\\fservice.exe,").list,
      "C:\\WINDOWS\\system32\\userinit.exe,");
  EXPECT_EQ(
      Rewrite("C:\\WINDOWS\\system32\\fservice.exe,C:\\WINDOWS\\system32\\userinit.exe,").list,
      "C:\\WINDOWS\\system32\\userinit.exe,");
}

TEST(WinlogonList, RemovesSeveralNamesAndKeepsEverythingElse) {
  const Rewritten r = Rewrite(
      "Explorer.exe,\"C:\\WINDOWS\\krt32.exe\" -h, C:\\WINDOWS\\system32\\wservice.exe,"
      "C:\\Tools\\myfservice.exe ,sservice");
  EXPECT_EQ(r.list, "Explorer.exe,C:\\Tools\\myfservice.exe ");
  EXPECT_EQ(r.removed, 3u);
  EXPECT_FALSE(r.needs_default);
}

TEST(WinlogonList, AnEntryIsJudgedByTheProgramItStarts) {
  // A family name as another program's argument is not the family's entry.
  EXPECT_EQ(Rewrite("Explorer.exe fservice.exe").removed, 0u);
  EXPECT_EQ(Rewrite("Explorer.exe,C:\\WINDOWS\\fservice.exe -x").list, "Explorer.exe");
}

TEST(WinlogonList, AListLeftWithoutAProgramNeedsTheDefault) {
  for (const char* list : {"fservice.exe", "C:\\WINDOWS\\fservice.exe,",
                           " fservice.exe , krt32.exe", "fservice.exe,,"}) {
    const Rewritten r = Rewrite(list);
    EXPECT_TRUE(r.needs_default) << list;
    EXPECT_GT(r.removed, 0u) << list;
  }
  EXPECT_FALSE(Rewrite("fservice.exe,Explorer.exe").needs_default);
  // Nothing removed: even an empty value is left to the system.
  EXPECT_FALSE(Rewrite(",").needs_default);
}

}  // namespace
}  // namespace dizi::tools
