#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "autostart_machine.h"
#include "fservice/program_list.h"

namespace dizi::tools {
namespace {

using test::kDefaultUserinit;

struct Rewritten {
  std::u16string list;
  std::size_t removed;
  Answer changed;
  bool only_default;
};

class ProgramList : public ::testing::Test {
 protected:
  Rewritten Rewrite(std::u16string_view list, ListKind kind = ListKind::kShell) {
    const std::u16string_view default_text = kind == ListKind::kUserinit ? kDefaultUserinit
                                             : kind == ListKind::kShell  ? u"Explorer.exe"
                                                                         : u"";
    WideBuffer out;
    const ListRewrite result = RemoveFamilyEntries(list, {kind, default_text}, matcher, out);
    return {std::u16string(out.View()), result.removed, result.changed, result.only_default};
  }

  test::FakeMachine machine;
  AutostartMatcher matcher{test::kFolders, machine};
};

TEST_F(ProgramList, ListsWithoutTheFamilyStayByteForByte) {
  for (const char16_t* list :
       {u"Explorer.exe", u"C:\\WINDOWS\\system32\\userinit.exe,", u"Explorer.exe, myfservice.exe",
        u"a.exe,,b.exe , c.exe,  ", u"", u"C:\\Tools\\fservice.exe", u"C:\\Tools\\x.exe"}) {
    for (ListKind kind : {ListKind::kUserinit, ListKind::kShell, ListKind::kPrograms}) {
      const Rewritten r = Rewrite(list, kind);
      EXPECT_EQ(r.list, list);
      EXPECT_EQ(r.removed, 0u);
      EXPECT_EQ(r.changed, Answer::kNo);
    }
  }
}

TEST_F(ProgramList, RemovesAnEntryWithItsSeparatorWherever) {
  EXPECT_EQ(Rewrite(u"Explorer.exe,fservice.exe").list, u"Explorer.exe");
  EXPECT_EQ(Rewrite(u"Explorer.exe, fservice.exe").list, u"Explorer.exe");
  EXPECT_EQ(Rewrite(u"fservice.exe,Explorer.exe").list, u"Explorer.exe");
  EXPECT_EQ(Rewrite(u"fservice.exe, Explorer.exe").list, u"Explorer.exe");
  EXPECT_EQ(Rewrite(u"a.exe, fservice.exe, b.exe").list, u"a.exe, b.exe");
  // The separator after an entry that stays is its own.
  EXPECT_EQ(Rewrite(u"a.exe,fservice.exe, b.exe").list, u"a.exe,b.exe");
  EXPECT_EQ(Rewrite(u"a.exe, fservice.exe,b.exe").list, u"a.exe, b.exe");
}

TEST_F(ProgramList, KeepsUserinitsTrailingComma) {
  for (const char16_t* list :
       {u"C:\\WINDOWS\\system32\\userinit.exe,C:\\WINDOWS\\system32\\fservice.exe,",
        u"C:\\WINDOWS\\system32\\fservice.exe,C:\\WINDOWS\\system32\\userinit.exe,"}) {
    EXPECT_EQ(Rewrite(list, ListKind::kUserinit).list, u"C:\\WINDOWS\\system32\\userinit.exe,");
  }
}

TEST_F(ProgramList, RemovesSeveralNamesAndKeepsEverythingElse) {
  const Rewritten r = Rewrite(
      u"Explorer.exe,\"C:\\WINDOWS\\krt32.exe\" -h, C:\\WINDOWS\\system32\\wservice.exe,"
      u"C:\\Tools\\myfservice.exe ,sservice");
  EXPECT_EQ(r.list, u"Explorer.exe,C:\\Tools\\myfservice.exe ");
  EXPECT_EQ(r.removed, 3u);
  EXPECT_EQ(r.changed, Answer::kYes);
  EXPECT_FALSE(r.only_default);
}

TEST_F(ProgramList, UserinitStartsUserinitAfterEveryChange) {
  // A kept entry that starts the system folder's userinit.exe is enough.
  EXPECT_EQ(Rewrite(u"C:\\Tools\\pre.exe,fservice.exe,%SystemRoot%\\system32\\userinit.exe,",
                    ListKind::kUserinit)
                .list,
            u"C:\\Tools\\pre.exe,%SystemRoot%\\system32\\userinit.exe,");
  // Otherwise the default comes first, the kept entries after it.
  EXPECT_EQ(Rewrite(u"fservice.exe,C:\\Tools\\userinit.exe", ListKind::kUserinit).list,
            std::u16string(kDefaultUserinit) + u"C:\\Tools\\userinit.exe");
  const Rewritten only = Rewrite(u" fservice.exe , krt32.exe,,", ListKind::kUserinit);
  EXPECT_EQ(only.list, kDefaultUserinit);
  EXPECT_TRUE(only.only_default);
  // Without a default to give, the list is not changed at all.
  WideBuffer out;
  EXPECT_EQ(
      RemoveFamilyEntries(u"fservice.exe,C:\\AV\\av.exe,", {ListKind::kUserinit, {}}, matcher, out)
          .changed,
      Answer::kUnknown);
}

TEST_F(ProgramList, AnEntryIsJudgedByTheProgramItStarts) {
  // Explorer runs its argument; no other program's argument is looked at.
  EXPECT_EQ(Rewrite(u"Explorer.exe fservice.exe -x, C:\\Tools\\bar.exe").list,
            u"Explorer.exe, C:\\Tools\\bar.exe");
  EXPECT_EQ(Rewrite(u"\"C:\\WINDOWS\\explorer.exe\"  \"C:\\WINDOWS\\krt32.exe\"").list,
            u"\"C:\\WINDOWS\\explorer.exe\"");
  EXPECT_EQ(Rewrite(u"Explorer.exe C:\\Tools\\bar.exe fservice.exe").changed, Answer::kNo);
  EXPECT_EQ(Rewrite(u"C:\\Tools\\explorer.exe fservice.exe").changed, Answer::kNo);
  EXPECT_EQ(Rewrite(u"Explorer.exe fservice.exe", ListKind::kUserinit).changed, Answer::kNo);
}

TEST_F(ProgramList, AShellLeftWithoutAProgramIsTheDefault) {
  for (const char16_t* list :
       {u"fservice.exe", u"C:\\WINDOWS\\fservice.exe,", u" fservice.exe , krt32.exe",
        u"fservice.exe,,", u"\"\",fservice.exe"}) {
    const Rewritten r = Rewrite(list);
    EXPECT_EQ(r.list, u"Explorer.exe") << std::string(list, list + 4);
    EXPECT_TRUE(r.only_default);
  }
  EXPECT_FALSE(Rewrite(u"fservice.exe,bblean.exe").only_default);
}

TEST_F(ProgramList, ProgramListsAreSeparatedByBlanksOrCommas) {
  EXPECT_EQ(
      Rewrite(u"krt32 C:\\Tools\\a.exe,\tfservice.exe \"C:\\My Tools\\b.exe\"", ListKind::kPrograms)
          .list,
      u"C:\\Tools\\a.exe,\t\"C:\\My Tools\\b.exe\"");
  EXPECT_EQ(Rewrite(u"fservice.exe  krt32.exe", ListKind::kPrograms).list, u"");
}

std::u16string_view WithoutLeadingBlanks(std::u16string_view text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) {
    text.remove_prefix(1);
  }
  return text;
}

// The entries of a list, split as Winlogon does, for checking a result.
std::vector<std::u16string> Entries(std::u16string_view list) {
  std::vector<std::u16string> entries(1);
  bool quoted = false;
  for (char16_t c : list) {
    quoted = c == u'"' ? !quoted : quoted;
    if (c == u',' && !quoted) {
      entries.emplace_back();
    } else {
      entries.back() += c;
    }
  }
  return entries;
}

TEST_F(ProgramList, AnyUserinitKeepsItsOtherEntriesAndStartsUserinit) {
  const std::vector<std::u16string> family = {u"fservice.exe",
                                              u"C:\\WINDOWS\\system32\\fservice.exe",
                                              u"\"C:\\WINDOWS\\krt32.exe\" -h",
                                              u"%SystemRoot%\\winp9.exe",
                                              u" C:\\WINDOWS\\system\\sservice.exe ",
                                              u"FFSERV~1.EXE",
                                              u"rundll32.exe wininv.dll"};
  const std::vector<std::u16string> others = {
      u"C:\\WINDOWS\\system32\\userinit.exe",
      u"userinit.exe",
      u"C:\\Tools\\userinit.exe",
      u"C:\\Program Files\\AV\\avhook.exe",
      u"C:\\Защита\\guard.exe",
      u"",
      u" ",
      u"\"C:\\Program Files\\AV,Pro\\av.exe\" /x",
      u"C:\\Tools\\fservice.exe",
      u"myfservice.exe",
      u"services.exe",
      u"C:\\Program Files\\Services Manager\\svcmgr.exe /tray"};
  const std::u16string separators[] = {u",", u", ", u",\t "};
  std::mt19937 random(20240607);
  for (int round = 0; round < 3000; ++round) {
    std::u16string list;
    std::vector<std::u16string> kept;
    const int count = 1 + static_cast<int>(random() % 7);
    for (int i = 0; i < count; ++i) {
      const bool of_family = random() % 3 == 0;
      const auto& pool = of_family ? family : others;
      const std::u16string entry = pool[random() % pool.size()];
      // Blank entries start nothing; a list left with only those gets the
      // default alone.
      if (!of_family && !WithoutLeadingBlanks(entry).empty()) {
        kept.push_back(entry);
      }
      list += entry;
      if (i + 1 < count || random() % 2 == 0) {
        list += separators[random() % 3];
      }
    }
    const Rewritten r = Rewrite(list, ListKind::kUserinit);
    const std::string shown(list.begin(), list.end());
    ASSERT_NE(r.changed, Answer::kUnknown) << shown;
    if (r.changed == Answer::kNo) {
      EXPECT_EQ(r.list, list) << shown;
      continue;
    }
    bool starts_userinit = false;
    std::size_t next_kept = 0;
    for (const std::u16string& entry : Entries(r.list)) {
      EXPECT_EQ(matcher.StartsFamilyFile(entry), Answer::kNo) << shown;
      starts_userinit = starts_userinit || matcher.StartsUserinit(entry) == Answer::kYes;
      // Each kept entry whole and in order; the blanks after a comma belong
      // to the separator.
      if (next_kept < kept.size() &&
          WithoutLeadingBlanks(entry) == WithoutLeadingBlanks(kept[next_kept])) {
        ++next_kept;
      }
    }
    EXPECT_TRUE(starts_userinit) << shown;
    EXPECT_EQ(next_kept, kept.size()) << shown;
  }
}

}  // namespace
}  // namespace dizi::tools
