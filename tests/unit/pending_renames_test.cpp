// The system's list of what to do at the next restart, edited: only the
// deletions of the file restored come out, everything else stays byte for
// byte, however the list was written.
#include "platform/pending_renames.h"

#include <gtest/gtest.h>

namespace dizi {
namespace {

// Names in UTF-16 LE, each with its null, and `tail` after them.
std::string List(std::initializer_list<std::u16string> names, std::string tail = {}) {
  std::string bytes;
  for (const std::u16string& name : names) {
    for (const char16_t c : name) {
      bytes += static_cast<char>(c & 0xFF);
      bytes += static_cast<char>(c >> 8);
    }
    bytes.append(2, '\0');
  }
  return bytes + tail;
}

const std::u16string kFile = u"\\??\\C:\\WINDOWS\\krt32.exe";

PendingRenamesEdit WithoutFile(std::string_view bytes) {
  return WithoutDeletions(bytes, [](std::u16string_view name) {
    return name == kFile || name == u"C:\\WINDOWS\\krt32.exe";
  });
}

TEST(PendingRenamesTest, OnlyTheFilesDeletionsComeOut) {
  // A list as Windows writes it: pairs, then the closing null.
  const std::string list =
      List({u"\\??\\C:\\a.tmp", u"", kFile, u"", u"\\??\\C:\\old.dll", u"\\??\\C:\\new.dll",
            u"C:\\WINDOWS\\krt32.exe", u"", u"\\??\\C:\\b.tmp", u"", u""});
  const PendingRenamesEdit edit = WithoutFile(list);
  EXPECT_EQ(edit.removed, 2u);
  EXPECT_EQ(edit.bytes, List({u"\\??\\C:\\a.tmp", u"", u"\\??\\C:\\old.dll", u"\\??\\C:\\new.dll",
                              u"\\??\\C:\\b.tmp", u"", u""}));
  EXPECT_FALSE(HoldsNoOperation(edit.bytes));

  // A rename of the file, or to its name, is not a deletion: it stays.
  const std::string renames =
      List({kFile, u"\\??\\C:\\elsewhere.exe", u"\\??\\C:\\x.exe", kFile, u""});
  EXPECT_EQ(WithoutFile(renames).removed, 0u);
  EXPECT_EQ(WithoutFile(renames).bytes, renames);
}

TEST(PendingRenamesTest, KnownBytesOfAWholeList) {
  // "\??\C:\a" to delete, "\??\C:\b" renamed to "\??\C:\c", the closing null.
  const std::string list(
      "\\\0?\0?\0\\\0C\0:\0\\\0a\0\0\0"
      "\0\0"
      "\\\0?\0?\0\\\0C\0:\0\\\0b\0\0\0"
      "\\\0?\0?\0\\\0C\0:\0\\\0c\0\0\0"
      "\0\0",
      56);
  const PendingRenamesEdit edit =
      WithoutDeletions(list, [](std::u16string_view name) { return name == u"\\??\\C:\\a"; });
  EXPECT_EQ(edit.removed, 1u);
  EXPECT_EQ(edit.bytes, list.substr(20));
}

TEST(PendingRenamesTest, NamesBeyondAsciiAreComparedWhole) {
  // U+4E00 and U+0100 have a null low byte, U+00E9 a null high byte: none
  // of them ends a name.
  const std::u16string file = u"\\??\\C:\\\u4E00\u0100caf\u00E9.exe";
  const std::u16string other = u"\\??\\C:\\\u4E01\u0100caf\u00E9.exe";
  const std::string list = List({other, u"", file, u"", u""});
  const PendingRenamesEdit edit =
      WithoutDeletions(list, [&](std::u16string_view name) { return name == file; });
  EXPECT_EQ(edit.removed, 1u);
  EXPECT_EQ(edit.bytes, List({other, u"", u""}));
}

TEST(PendingRenamesTest, OddAndCutShortListsKeepWhatIsNotAWholePair) {
  // An odd byte at the end, a name without its pair, a last name without its
  // null: all kept as they are, and the whole pairs before them edited.
  for (const std::string& tail :
       {std::string("\x41", 1), List({u"\\??\\C:\\half"}), std::string("C\0:\0", 4), List({kFile}),
        List({kFile}, std::string("x\0", 2))}) {
    SCOPED_TRACE(testing::PrintToString(tail));
    const std::string list = List({kFile, u"", u"\\??\\C:\\keep", u""}, tail);
    const PendingRenamesEdit edit = WithoutFile(list);
    EXPECT_EQ(edit.removed, 1u);
    EXPECT_EQ(edit.bytes, List({u"\\??\\C:\\keep", u""}, tail));
  }
  // An empty name where a file's should be names nothing: the pair stays.
  const std::string empty = List({u"", u"", kFile, u""});
  EXPECT_EQ(WithoutDeletions(empty, [](std::u16string_view) { return true; }).bytes,
            List({u"", u""}));
  EXPECT_EQ(WithoutFile("").bytes, "");
  EXPECT_EQ(WithoutFile(std::string(1, '\0')).bytes, std::string(1, '\0'));
}

TEST(PendingRenamesTest, NothingLeftWhenOnlyNullsRemain) {
  const PendingRenamesEdit edit = WithoutFile(List({kFile, u"", u""}));
  EXPECT_EQ(edit.removed, 1u);
  EXPECT_TRUE(HoldsNoOperation(edit.bytes));
  EXPECT_TRUE(HoldsNoOperation(""));
  EXPECT_FALSE(HoldsNoOperation(List({u"x", u""})));
}

TEST(PendingRenamesTest, AFileIsNamedPlainAndInTheSystemsForm) {
  EXPECT_EQ(
      PendingRenameNames(u"C:\\WINDOWS\\krt32.exe"),
      (std::vector<std::u16string>{u"C:\\WINDOWS\\krt32.exe", u"\\??\\C:\\WINDOWS\\krt32.exe"}));
  EXPECT_EQ(PendingRenameNames(u"\\\\server\\share\\a.exe"),
            (std::vector<std::u16string>{u"\\\\server\\share\\a.exe",
                                         u"\\??\\UNC\\server\\share\\a.exe"}));
}

}  // namespace
}  // namespace dizi
