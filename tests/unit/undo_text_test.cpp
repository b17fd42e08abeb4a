// fservice.exe's registry undo text: every type as the registry editor writes
// it, so that "reg import" gives each value back exactly; names with quotes,
// backslashes and any characters; names no such file can hold kept as
// comments.
#include "fservice/undo_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/utf8.h"

namespace dizi::tools {
namespace {

using Bytes = std::vector<unsigned char>;

// The text as UTF-8, so that the expectations read as text.
std::string Utf8(WideView text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    std::uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    AppendUtf8(out, c);
  }
  return out;
}

// A string value's data as the registry stores it: UTF-16LE with its null.
Bytes Stored(std::u16string_view text, bool withNull = true) {
  Bytes bytes;
  for (const char16_t c : text) {
    bytes.push_back(static_cast<unsigned char>(c & 0xFF));
    bytes.push_back(static_cast<unsigned char>(c >> 8));
  }
  if (withNull) {
    bytes.push_back(0);
    bytes.push_back(0);
  }
  return bytes;
}

constexpr char16_t kRun[] =
    u"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Undo(std::u16string_view name, std::uint32_t type, const Bytes& data) {
  WideBuffer out;
  AppendUndoValue(out, {kRun, WideView(name.data(), name.size()), type, data.data(), data.size()});
  EXPECT_FALSE(out.Failed());
  const std::string text = Utf8(out.View());
  const std::string key =
      "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n";
  if (text.compare(0, key.size(), key) != 0 || text.size() < key.size() + 4 ||
      text.compare(text.size() - 4, 4, "\r\n\r\n") != 0) {
    return "not one key, one value and an empty line: " + text;
  }
  return text.substr(key.size(), text.size() - key.size() - 4);
}

TEST(UndoTextTest, TheFileBeginsWithItsMarkAndFormatLine) {
  WideBuffer out;
  AppendUndoHeader(out);
  ASSERT_GT(out.Length(), 0u);
  EXPECT_EQ(out.View()[0], 0xFEFF);  // written little-endian: FF FE
  EXPECT_EQ(Utf8(out.View().substr(1)), "Windows Registry Editor Version 5.00\r\n\r\n");
}

TEST(UndoTextTest, EachTypeIsWrittenAsTheRegistryEditorWritesIt) {
  EXPECT_EQ(Undo(u"Tarvix", 1, Stored(u"C:\\WINDOWS\\krt32.exe")),
            R"("Tarvix"="C:\\WINDOWS\\krt32.exe")");
  EXPECT_EQ(Undo(u"Quoted", 1, Stored(u"\"C:\\a b\\x.exe\" /s")),
            R"("Quoted"="\"C:\\a b\\x.exe\" /s")");
  EXPECT_EQ(Undo(u"Empty", 1, Stored(u"")), R"("Empty"="")");
  EXPECT_EQ(Undo(u"Expand", 2, Stored(u"%windir%")),
            R"("Expand"=hex(2):25,00,77,00,69,00,6e,00,64,00,69,00,72,00,25,00,00,00)");
  EXPECT_EQ(Undo(u"Multi", 7, Stored(std::u16string_view(u"a\0b\0", 4))),
            R"("Multi"=hex(7):61,00,00,00,62,00,00,00,00,00)");
  EXPECT_EQ(Undo(u"DisableTaskMgr", 4, {0x01, 0x00, 0x00, 0x80}),
            R"("DisableTaskMgr"=dword:80000001)");
  EXPECT_EQ(Undo(u"Bytes", 3, {0x00, 0xff, 0x10}), R"("Bytes"=hex:00,ff,10)");
  EXPECT_EQ(Undo(u"NoBytes", 3, {}), R"("NoBytes"=hex:)");
  EXPECT_EQ(Undo(u"Quad", 11, {1, 2, 3, 4, 5, 6, 7, 8}),
            R"("Quad"=hex(b):01,02,03,04,05,06,07,08)");
  EXPECT_EQ(Undo(u"None", 0, {0x7f}), R"("None"=hex(0):7f)");
  EXPECT_EQ(Undo(u"Big", 0x12345678, {0x01}), R"("Big"=hex(12345678):01)");
  EXPECT_EQ(Undo(u"", 1, Stored(u"default")), R"(@="default")");
}

TEST(UndoTextTest, DataThatIsNotPlainIsWrittenByteForByte) {
  // A DWORD of another size, a string without its null, of odd size, with
  // hidden bytes after its null, with a line break or half a surrogate pair.
  EXPECT_EQ(Undo(u"Short", 4, {1, 2, 3}), R"("Short"=hex(4):01,02,03)");
  EXPECT_EQ(Undo(u"NoNull", 1, Stored(u"AB", false)), R"("NoNull"=hex(1):41,00,42,00)");
  EXPECT_EQ(Undo(u"Odd", 1, {0x41, 0x00, 0x42}), R"("Odd"=hex(1):41,00,42)");
  EXPECT_EQ(Undo(u"Tail", 1, Stored(std::u16string_view(u"A\0hidden", 8))),
            R"("Tail"=hex(1):41,00,00,00,68,00,69,00,64,00,64,00,65,00,6e,00,00,00)");
  EXPECT_EQ(Undo(u"Lines", 1, Stored(u"a\r\nb")),
            R"("Lines"=hex(1):61,00,0d,00,0a,00,62,00,00,00)");
  EXPECT_EQ(Undo(u"Half", 1, Stored(u"\xD83D!")), R"("Half"=hex(1):3d,d8,21,00,00,00)");
  EXPECT_EQ(Undo(u"Pair", 1, Stored(u"\xD83D\xDE00")), "\"Pair\"=\"\xF0\x9F\x98\x80\"");
}

TEST(UndoTextTest, NamesAreExactWithQuotesBackslashesAndAnyCharacters) {
  EXPECT_EQ(Undo(u"say \"hi\"", 1, Stored(u"x")), R"("say \"hi\""="x")");
  EXPECT_EQ(Undo(u"C:\\dir\\", 1, Stored(u"x")), R"("C:\\dir\\"="x")");
  EXPECT_EQ(Undo(u"\\\"", 1, Stored(u"x")), R"("\\\""="x")");
  EXPECT_EQ(Undo(u"@", 1, Stored(u"x")), R"("@"="x")");
  EXPECT_EQ(Undo(u"Защита ü 中", 1, Stored(u"C:\\Защита\\guard.exe /тихо")),
            "\"Защита ü 中\"=\"C:\\\\Защита\\\\guard.exe /тихо\"");
}

TEST(UndoTextTest, LongDataIsWrappedWhereTheRegistryEditorWrapsIt) {
  Bytes data(60);
  for (std::size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<unsigned char>(i);
  }
  const std::string text = Undo(u"Long", 3, data);
  std::vector<std::string> lines;
  for (std::size_t start = 0; start <= text.size();) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() + 1 : end + 2;
  }
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].substr(0, 14), "\"Long\"=hex:00,");
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 80u);
    if (i + 1 < lines.size()) {
      EXPECT_EQ(lines[i].back(), '\\');
    }
    if (i > 0) {
      EXPECT_EQ(lines[i].substr(0, 2), "  ");
    }
    const std::size_t from = i == 0 ? 11 : 2;
    const std::size_t to = lines[i].size() - (i + 1 < lines.size() ? 1 : 0);
    joined += lines[i].substr(from, to - from);
  }
  std::string expected;
  for (std::size_t i = 0; i < data.size(); ++i) {
    static constexpr char kHex[] = "0123456789abcdef";
    expected += std::string{kHex[i >> 4], kHex[i & 0xF]} + (i + 1 < data.size() ? "," : "");
  }
  EXPECT_EQ(joined, expected);
}

TEST(UndoTextTest, ANameNoSuchFileCanHoldIsKeptAsCommentsAnImportPassesOver) {
  EXPECT_FALSE(NameFitsUndoFile(WideView(u"Legit\0hidden", 12)));
  EXPECT_FALSE(NameFitsUndoFile(u"two\nlines"));
  EXPECT_TRUE(NameFitsUndoFile(u"Legit"));

  const Bytes data = Stored(u"C:\\WINDOWS\\krt32.exe");
  WideBuffer out;
  AppendUndoValue(out, {kRun, WideView(u"x\0y", 3), 1, data.data(), data.size()});
  const std::string text = Utf8(out.View());
  EXPECT_EQ(
      text,
      "; This value's name holds a null or a line break, which no registry editor file can\r\n"
      "; hold: it cannot be imported. Its key, its exact name (UTF-16LE) and its data:\r\n"
      "; [HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
      "; name: 78,00,00,00,79,00\r\n"
      "; hex(1):43,00,3a,00,5c,00,57,00,49,00,4e,00,44,00,4f,00,57,00,53,00,5c,00,6b,00,72,"
      "00,74,00,33,00,32,00,2e,00,65,00,78,00,65,00,00,00\r\n\r\n");
  // Every line is a comment, however long.
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find("\r\n", start);
    EXPECT_TRUE(end == start || text[start] == ';') << text.substr(start, end - start);
    start = end + 2;
  }
}

TEST(UndoTextTest, PlacesGetTheirFullKeyNamesAndAUserIsNamedByTheUsersHive) {
  const auto full = [](std::u16string_view place, std::u16string_view path) {
    WideBuffer out;
    const bool named = AppendFullKeyName(out, WideView(place.data(), place.size()),
                                         WideView(path.data(), path.size()));
    return named ? Utf8(out.View()) : "(refused: " + Utf8(out.View()) + ")";
  };
  EXPECT_EQ(full(u"HKLM", u"Software\\Run"), "HKEY_LOCAL_MACHINE\\Software\\Run");
  EXPECT_EQ(full(u"HKU\\S-1-5-21-1-2-3-1001", u"Software\\Run"),
            "HKEY_USERS\\S-1-5-21-1-2-3-1001\\Software\\Run");
  EXPECT_EQ(full(u"HKU\\.DEFAULT", u""), "HKEY_USERS\\.DEFAULT");
  // HKEY_CURRENT_USER would mean the hive of whoever imports the file, and
  // HKEY_USERS alone or a place of another name no hive at all.
  EXPECT_EQ(full(u"HKCU", u"Software\\Run"), "(refused: )");
  EXPECT_EQ(full(u"HKU", u"Software\\Run"), "(refused: )");
  EXPECT_EQ(full(u"HKU\\", u"Software\\Run"), "(refused: )");
  EXPECT_EQ(full(u"HKLMX", u"Software\\Run"), "(refused: )");
  EXPECT_EQ(full(u"HKLM\\Software", u"Run"), "(refused: )");
}

// What an import of a file written by a run as SYSTEM, or by another
// administrator, puts back: the value in the hive it came from.
TEST(UndoTextTest, AUsersValueIsWrittenUnderTheUsersOwnHive) {
  WideBuffer key;
  ASSERT_TRUE(AppendFullKeyName(key, u"HKU\\S-1-5-21-1004336348-1177238915-682003330-1001",
                                u"Software\\Microsoft\\Windows\\CurrentVersion\\Run"));
  const Bytes data = Stored(u"C:\\WINDOWS\\krt32.exe");
  WideBuffer out;
  AppendUndoValue(out, {key.View(), u"Tarvix", 1, data.data(), data.size()});
  EXPECT_EQ(Utf8(out.View()),
            "[HKEY_USERS\\S-1-5-21-1004336348-1177238915-682003330-1001\\Software\\Microsoft\\"
            "Windows\\CurrentVersion\\Run]\r\n"
            "\"Tarvix\"=\"C:\\\\WINDOWS\\\\krt32.exe\"\r\n\r\n");
}

// The comment above the values of a profile's hive that the program loaded
// itself; the restore window's Import finds the hive to load in its fourth
// line, so its form is fixed.
TEST(UndoTextTest, AHiveLoadedFromItsFileIsPrecededByHowToLoadIt) {
  WideBuffer out;
  AppendHiveLoadComment(out, u"S-1-5-21-1-2-3-1002", u"C:\\Users\\Zoë\\NTUSER.DAT");
  EXPECT_EQ(Utf8(out.View()),
            "; The values below are in the registry hive of user S-1-5-21-1-2-3-1002, which was "
            "not\r\n"
            "; loaded when they were changed. Load it before importing this file, and unload it\r\n"
            "; afterwards (the restore window's Import does both):\r\n"
            ";   reg load HKU\\S-1-5-21-1-2-3-1002 \"C:\\Users\\Zoë\\NTUSER.DAT\"\r\n"
            ";   reg unload HKU\\S-1-5-21-1-2-3-1002\r\n"
            "\r\n");
  EXPECT_EQ(std::string(kHiveLoadCommand), ";   reg load HKU\\");
}

}  // namespace
}  // namespace dizi::tools
