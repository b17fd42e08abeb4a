// The manifest's lines: JSON text written and read back whatever the
// characters, exact lines for every event, and the items its events leave,
// whatever a crash, a later version or a hostile writer left in it.
#include "quarantine/manifest.h"

#include <gtest/gtest.h>

#include "quarantine/json_line.h"
#include "quarantine/manifest_checks.h"

namespace dizi {
namespace {

const UtcTime kTime{2024, 5, 17, 14, 23, 1};
const std::string kA = "20240517-142301-01";
const std::string kB = "20240517-142301-02";
const std::string kC = "20240517-142301-100";
const std::string kDigestA = std::string(64, 'a');
const std::string kDigestC = std::string(63, 'c') + "0";

TEST(JsonLineTest, TextOfAnyCharacterIsWrittenAsJsonAndReadBackUnchanged) {
  const std::string texts[] = {
      "plain",
      "",
      R"(C:\WINDOWS\"quoted" name)",
      "control \x01\x1f\t\r\n characters",
      std::string("a null \0 inside", 15),
      "caf\xC3\xA9 \xD0\x97\xD0\xB0\xD1\x89\xD0\xB8\xD1\x82\xD0\xB0 \xF0\x9F\x98\x80",
  };
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    const std::string line = JsonLine().Text("t", text).Number("n", 18446744073709551615u).Finish();
    EXPECT_EQ(line.back(), '\n');
    EXPECT_EQ(line.find('\n'), line.size() - 1);  // one line, whatever the text
    const auto fields = ParseJsonLine(line);
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->at("t").text, text);
    EXPECT_EQ(fields->at("n").number, 18446744073709551615u);
  }
  EXPECT_EQ(JsonLine().Text("a", "x\"\\\x01").Boolean("b", true).Null("c").Finish(),
            "{\"a\":\"x\\\"\\\\\\u0001\",\"b\":true,\"c\":null}\n");
}

TEST(JsonLineTest, EscapesOfOtherWritersAreRead) {
  const auto fields =
      ParseJsonLine(R"( { "a" : "\u00e9\/\b\f\ud83d\ude00" , "b":false,"c" :null, "d": 12 } )");
  ASSERT_TRUE(fields);
  EXPECT_EQ(fields->at("a").text, "\xC3\xA9/\b\f\xF0\x9F\x98\x80");
  EXPECT_EQ(fields->at("b").kind, JsonField::Kind::Boolean);
  EXPECT_FALSE(fields->at("b").boolean);
  EXPECT_EQ(fields->at("c").kind, JsonField::Kind::Null);
  EXPECT_EQ(fields->at("d").number, 12u);
  // An escaped null is a character of the text: nothing after it is lost.
  const auto nul = ParseJsonLine(R"({"p":"C:\\a.exe\u0000.txt"})");
  ASSERT_TRUE(nul);
  EXPECT_EQ(nul->at("p").text, std::string("C:\\a.exe\0.txt", 13));
}

TEST(JsonLineTest, AnythingElseIsNotALine) {
  for (const char* line :
       {"", "{", R"({"a":"cut short)", R"({"a":1,})", R"({"a":1} x)", R"({"a":-1})",
        R"({"a":"\ud83d"})", R"({"a":"\ude00"})", R"({"a":"\q"})", "{\"a\":\"raw \x01\"}",
        R"({"a":{"nested":1}})", R"({"a":99999999999999999999})", R"(["a"])", R"({a:1})",
        R"({"a":1.5})", R"({"a":"x","a":"y"})",
        // A byte that is not UTF-8 where a text would end must not end it.
        "{\"t\":\"\xC0,\"u\":\"x\"}"}) {
    SCOPED_TRACE(line);
    EXPECT_FALSE(ParseJsonLine(line));
  }
  EXPECT_TRUE(ParseJsonLine("{}"));
}

TEST(JsonLineTest, TextMustBeUtf8AsTheStandardHasIt) {
  // Taken: every length of sequence, up to the last code point.
  for (const char* text :
       {"\x7F", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
        "\xEF\xBF\xBD", "\xF0\x90\x80\x80", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"}) {
    SCOPED_TRACE(text);
    const auto fields = ParseJsonLine(std::string("{\"t\":\"") + text + "\"}");
    ASSERT_TRUE(fields);
    EXPECT_EQ(fields->at("t").text, text);
  }
  // Refused, in a text or in a key.
  for (const char* text : {
           "\xC0\xAF",                  // "/" written in two bytes (overlong)
           "\xC1\xBF",                  // overlong
           "\xE0\x80\xAF",              // "/" in three bytes
           "\xE0\x9F\xBF",              // overlong three-byte
           "\xF0\x80\x80\xAF",          // "/" in four bytes
           "\xF0\x8F\xBF\xBF",          // overlong four-byte
           "\xED\xA0\x80",              // U+D800, half of a surrogate pair
           "\xED\xBF\xBF",              // U+DFFF
           "\xED\xA0\xBD\xED\xB8\x80",  // a pair written as two halves (CESU-8)
           "\xF4\x90\x80\x80",          // U+110000
           "\xF8\x88\x80\x80\x80",      // five bytes
           "\xFE",
           "\xFF",
           "\x80",          // a continuation byte alone
           "a\xBF",         // after ASCII
           "\xC3\x28",      // a lead byte and no continuation
           "\xE2\x82\x28",  // the last continuation missing
           "\xE2\x82",      // cut short by the closing quote
           "\xF0\x9F\x98",  // four-byte sequence cut short
       }) {
    SCOPED_TRACE(testing::PrintToString(std::string(text)));
    EXPECT_FALSE(ParseJsonLine(std::string("{\"t\":\"") + text + "\"}"));
    EXPECT_FALSE(ParseJsonLine(std::string("{\"") + text + "\":1}"));
  }
}

TEST(ManifestTest, EveryEventHasItsExactLine) {
  const char* kTimeText = R"("time":"2024-05-17T14:23:01Z")";
  const auto line = [&](const std::string& event, const std::string& rest) {
    return R"({"event":")" + event + R"(",)" + kTimeText + rest + "}\n";
  };
  EXPECT_EQ(KeptEvent(kTime, kA, "C:\\WINDOWS\\caf\xC3\xA9.exe", 18432, kDigestA, "server"),
            line("kept", R"(,"id":"20240517-142301-01","path":"C:\\WINDOWS\\café.exe",)"
                         R"("size":18432,"sha256":")" +
                             kDigestA + R"(","kind":"server")"));
  EXPECT_EQ(KeptEvent(kTime, kA, "C:\\a", 0, "", "downloader"),
            line("kept", R"(,"id":"20240517-142301-01","path":"C:\\a","size":0,"sha256":null,)"
                         R"("kind":"downloader")"));
  EXPECT_EQ(OriginalEvent(kTime, kA, "C:\\a", "deleted at restart"),
            line("original",
                 R"(,"id":"20240517-142301-01","path":"C:\\a","original":"deleted at restart")"));
  EXPECT_EQ(
      NotKeptEvent(kTime, "C:\\a", "server", "Access is denied. (error 5)", "left, delete by hand"),
      line("not kept", R"(,"path":"C:\\a","kind":"server",)"
                       R"j("reason":"Access is denied. (error 5)",)j"
                       R"("original":"left, delete by hand")"));
  EXPECT_EQ(RestoredEvent(kTime, kA, "C:\\a", true, false),
            line("restored",
                 R"(,"id":"20240517-142301-01","path":"C:\\a","replaced":true,"verified":false)"));
  EXPECT_EQ(InPlaceEvent(kTime, kA, "C:\\a"),
            line("in place", R"(,"id":"20240517-142301-01","path":"C:\\a")"));
  EXPECT_EQ(
      RestoreFailedEvent(kTime, kA, "C:\\a", "why\n"),
      line("restore failed", R"(,"id":"20240517-142301-01","path":"C:\\a","reason":"why\n")"));
  EXPECT_EQ(DeletedEvent(kTime, kA), line("deleted", R"(,"id":"20240517-142301-01")"));
  EXPECT_EQ(DeleteFailedEvent(kTime, kA, "busy"),
            line("delete failed", R"(,"id":"20240517-142301-01","reason":"busy")"));
  EXPECT_EQ(ImportedEvent(kTime, "C:\\q\\r.reg"), line("imported", R"(,"file":"C:\\q\\r.reg")"));
  EXPECT_EQ(ImportFailedEvent(kTime, "C:\\q\\r.reg", "exit code 1"),
            line("import failed", R"(,"file":"C:\\q\\r.reg","reason":"exit code 1")"));
}

TEST(ManifestTest, ItemsFollowTheirEventsInOrder) {
  const std::string absent = "20240517-142301-55";
  std::string manifest =
      KeptEvent(kTime, kA, "C:\\a.exe", 1, kDigestA, "server") +
      KeptEvent(kTime, kB, "C:\\b.exe", 2, "", "downloader") +
      KeptEvent(kTime, kC, "C:\\c.exe", 3, kDigestC, "server") +
      OriginalEvent(kTime, kA, "C:\\a.exe", "deleted") +
      OriginalEvent(kTime, kB, "C:\\b.exe", "deleted at restart") +
      NotKeptEvent(kTime, "C:\\d.exe", "server", "locked", "left, delete by hand") +
      OriginalEvent(kTime, kA, "C:\\a.exe", "deleted at restart") +  // found again
      RestoredEvent(kTime, kB, "C:\\b.exe", false, true) +
      RestoreFailedEvent(kTime, kC, "C:\\c.exe", "damaged") + DeletedEvent(kTime, kC) +
      DeleteFailedEvent(kTime, kA, "busy") + ImportedEvent(kTime, "C:\\q\\r.reg") +
      ImportFailedEvent(kTime, "C:\\q\\s.reg", "exit code 1") +
      // Of a later version: passed over, as is an event about no item kept.
      R"({"event":"moved","id":"..\\x","time":"later"})"
      "\n" +
      OriginalEvent(kTime, absent, "C:\\x.exe", "deleted") +
      // What a power failure leaves: the last line cut short.
      R"({"event":"original","id":")" + kA +
      R"(","time":"2024-05-17T14:23:01Z","path":"C:\\a.exe","orig)";

  const ManifestContents contents = ParseManifest(manifest);
  const std::vector<ManifestItem>& items = contents.items;
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].id, kA);
  EXPECT_EQ(items[0].state, "deleted at restart");
  EXPECT_EQ(items[0].path, "C:\\a.exe");
  EXPECT_EQ(items[0].size, 1u);
  EXPECT_EQ(items[0].sha256, kDigestA);
  EXPECT_EQ(items[0].kind, "server");
  EXPECT_EQ(items[0].time, "2024-05-17T14:23:01Z");
  EXPECT_EQ(items[1].id, kB);
  EXPECT_EQ(items[1].state, "restored");
  EXPECT_EQ(items[1].sha256, "");  // kept without a hash
  EXPECT_EQ(items[1].kind, "downloader");
  ASSERT_EQ(contents.damaged.size(), 1u);
  EXPECT_EQ(contents.damaged[0].number, 16u);
  EXPECT_EQ(contents.damaged[0].id, "");
  EXPECT_EQ(contents.damaged[0].reason,
            "it is not one JSON object in UTF-8 on one line (cut short, say)");

  // "in place" leaves its item restored too; a digest in capitals is read in
  // lower case, as the program compares them.
  const ManifestContents again =
      ParseManifest(KeptEvent(kTime, kA, "C:\\a.exe", 1, std::string(64, 'F'), "server") +
                    InPlaceEvent(kTime, kA, "C:\\a.exe"));
  ASSERT_EQ(again.items.size(), 1u);
  EXPECT_EQ(again.items[0].state, "restored");
  EXPECT_EQ(again.items[0].sha256, std::string(64, 'f'));
}

TEST(ManifestTest, AnIdKeptAgainNamesTheNewItemOrNothingWhenThatLineIsDamaged) {
  const std::string manifest = KeptEvent(kTime, kA, "C:\\old.exe", 1, kDigestA, "server") +
                               OriginalEvent(kTime, kA, "C:\\old.exe", "deleted") +
                               KeptEvent(kTime, kA, "C:\\new.exe", 2, kDigestC, "server");
  const std::vector<ManifestItem> items = ParseManifest(manifest).items;
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].path, "C:\\new.exe");
  EXPECT_EQ(items[0].state, "kept");

  // A line appended with the same id and a hostile path takes the id from the
  // item before it: neither is restored to anywhere.
  const ManifestContents hijacked =
      ParseManifest(manifest + KeptEvent(kTime, kA, "C:\\x.sys:ads", 2, kDigestC, "server"));
  EXPECT_TRUE(hijacked.items.empty());
  ASSERT_EQ(hijacked.damaged.size(), 1u);
  EXPECT_EQ(hijacked.damaged[0].number, 4u);
  EXPECT_EQ(hijacked.damaged[0].id, kA);
}

std::string Repeated(const std::string& text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) {
    repeated += text;
  }
  return repeated;
}

// The reason ParseManifest gives for a "kept" line with these fields, after
// "event" and "time"; empty when the line is an item.
std::string KeptLineProblem(const std::string& fields) {
  const ManifestContents contents =
      ParseManifest(R"({"event":"kept","time":"2024-05-17T14:23:01Z",)" + fields + "}\n");
  if (contents.damaged.empty()) {
    EXPECT_EQ(contents.items.size(), 1u);
    return {};
  }
  EXPECT_TRUE(contents.items.empty());
  return contents.damaged[0].reason;
}

TEST(ManifestTest, EveryFieldOfAKeptLineIsChecked) {
  const std::string path = R"("path":"C:\\WINDOWS\\krt32.exe")";
  const std::string id = R"("id":"20240517-142301-01")";
  const std::string rest = R"(,"size":18432,"sha256":null,"kind":"server")";
  EXPECT_EQ(KeptLineProblem(id + "," + path + rest), "");
  EXPECT_EQ(KeptLineProblem(R"("id":"..\\..\\..\\users\\Public\\x",)" + path + rest),
            "its id is not one this program gives");
  EXPECT_EQ(KeptLineProblem(R"("id":7,)" + path + rest), "its id is missing, or not a text");
  EXPECT_EQ(
      KeptLineProblem(id + R"(,"path":"C:\\windows\\system32\\drivers\\evil.sys:ads")" + rest),
      "its path names a stream of a file (a colon after the drive's)");
  EXPECT_EQ(KeptLineProblem(id + R"(,"path":"C:\\WINDOWS\\krt32.exe\u0000.txt")" + rest),
            "its path holds a null character");
  EXPECT_EQ(KeptLineProblem(id + rest), "its path is missing, or not a text");
  for (const char* size :
       {R"("size":"18432")", R"("size":17592186044417)", R"("size":null)", R"("size":true)"}) {
    SCOPED_TRACE(size);
    EXPECT_EQ(KeptLineProblem(id + "," + path + "," + size + R"(,"sha256":null,"kind":"server")"),
              "its size is not a number of bytes a file can have");
  }
  EXPECT_EQ(KeptLineProblem(id + "," + path +
                            R"(,"size":17592185978880,"sha256":null,)"
                            R"("kind":"server")"),
            "");  // the largest file NTFS holds
  for (const std::string& sha256 : {std::string(63, 'a'), std::string(65, 'a'),
                                    std::string(63, 'a') + "g", std::string(63, 'a') + " "}) {
    SCOPED_TRACE(sha256);
    EXPECT_EQ(KeptLineProblem(id + "," + path + R"(,"size":1,"sha256":")" + sha256 +
                              R"(","kind":"server")"),
              "its SHA-256 is neither 64 hexadecimal digits nor null");
  }
  EXPECT_EQ(KeptLineProblem(id + "," + path + R"(,"size":1,"kind":"server")"),
            "its SHA-256 is neither 64 hexadecimal digits nor null");
  EXPECT_EQ(KeptLineProblem(id + "," + path + R"(,"size":1,"sha256":null)"),
            "its kind is missing, or not a text");
  EXPECT_EQ(ParseManifest(R"({"event":"kept","id":"20240517-142301-01","path":"C:\\a",)"
                          R"("size":1,"sha256":null,"kind":"server"})")
                .damaged.at(0)
                .reason,
            "its time is missing, or not a text");
}

TEST(ManifestTest, AManifestOfGarbageIsToldByItsFirstDamagedLinesAndACount) {
  std::string manifest = KeptEvent(kTime, kA, "C:\\a.exe", 1, kDigestA, "server");
  for (int line = 0; line < 250; ++line) {
    manifest += "garbage\n";
  }
  const ManifestContents contents = ParseManifest(manifest);
  EXPECT_EQ(contents.items.size(), 1u);
  ASSERT_EQ(contents.damaged.size(), kMostDamagedLinesTold);
  EXPECT_EQ(contents.damaged.back().number, kMostDamagedLinesTold + 1);
  EXPECT_EQ(contents.moreDamaged, 150u);
}

TEST(ManifestTest, LinesNamingNoEventOrABadIdAreDamagedAndOthersStand) {
  const std::string manifest = KeptEvent(kTime, kA, "C:\\a.exe", 1, kDigestA, "server") +
                               "garbage\n" + R"({"id":")" + kA + R"("})" + "\n" +
                               R"({"event":"deleted","id":"..\\..\\a"})" + "\n" +
                               R"({"event":"deleted"})" + "\n";
  const ManifestContents contents = ParseManifest(manifest);
  ASSERT_EQ(contents.items.size(), 1u);
  ASSERT_EQ(contents.damaged.size(), 4u);
  EXPECT_EQ(contents.damaged[0].number, 2u);
  EXPECT_EQ(contents.damaged[1].reason, "it names no event");
  EXPECT_EQ(contents.damaged[2].reason, "its id is not one this program gives");
  EXPECT_EQ(contents.damaged[3].reason, "its id is missing, or not a text");

  // Every event about an item is checked alike; events of a later version
  // (or an empty name) are passed over, whatever they hold.
  for (const char* event :
       {"original", "restored", "in place", "restore failed", "deleted", "delete failed"}) {
    SCOPED_TRACE(event);
    const ManifestContents one =
        ParseManifest(KeptEvent(kTime, kA, "C:\\a.exe", 1, kDigestA, "server") + R"({"event":")" +
                      event + R"(","id":"..\\a"})" + "\n");
    EXPECT_EQ(one.items.size(), 1u);
    ASSERT_EQ(one.damaged.size(), 1u);
    EXPECT_EQ(one.damaged[0].reason, "its id is not one this program gives");
  }
  for (const char* event : {"", "moved", "Deleted"}) {
    SCOPED_TRACE(event);
    const ManifestContents one =
        ParseManifest(KeptEvent(kTime, kA, "C:\\a.exe", 1, kDigestA, "server") + R"({"event":")" +
                      event + R"(","id":"..\\a"})" + "\n");
    EXPECT_EQ(one.items.size(), 1u);
    EXPECT_TRUE(one.damaged.empty());
  }
}

TEST(ManifestChecksTest, IdsAreTheProgramsOwn) {
  for (const char* id : {"20240517-142301-01", "20240517-142301-99", "20240517-142301-100",
                         "20240517-142301-999", "99991231-235959-42"}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(IdProblem(id), "");
  }
  for (const char* id : {"",
                         "20240517-142301",
                         "20240517-142301-1",
                         "20240517-142301-00",
                         "20240517-142301-010",
                         "20240517-142301-1000",
                         "2024051-1423011-01",
                         "20240517_142301-01",
                         "2024O517-142301-01",
                         "20240517-142301-01 ",
                         " 20240517-142301-01",
                         "20240517-142301-01.dzq",
                         "2024051x-142301-01",
                         "20240517-14230x-01",
                         "x0240517-142301-01",
                         "20240517-x42301-01",
                         "20240517-142301-x1",
                         "20240517-142301-1x",
                         "20240517-142301-x10",
                         "..\\..\\..\\users\\Public\\x",
                         "20240517-142301-0\xD9\xA1"}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(IdProblem(id), "its id is not one this program gives");
  }
}

TEST(ManifestChecksTest, PathsAreFullPathsOfPlainFiles) {
  // As real machines have them.
  for (const std::string& path : {
           std::string("C:\\WINDOWS\\krt32.exe"),
           std::string("c:\\windows\\system32\\kservice.exe"),
           std::string("D:\\Program Files (x86)\\Vendor Name\\app v2.1\\tool.exe"),
           std::string("C:\\Users\\J\xC3\xBCrgen M\xC3\xBCller\\AppData\\Roaming\\a.dll"),
           std::string("C:\\\xE4\xB8\xAD\xE6\x96\x87\\\xF0\x9F\x98\x80.exe"),
           std::string("\\\\fileserver\\share$\\tools\\x.exe"), std::string("\\\\s\\share\\x.exe"),
           std::string("a:\\x"), std::string("A:\\x"), std::string("z:\\x"), std::string("Z:\\x"),
           std::string("C:\\COMX.txt\\LPTa\\com\\auxiliary\\nulx.\xC2\xB9\\com\xC2\xB9x"),
           std::string("C:\\.hidden\\a..b\\CONSOLE.exe\\COM10\\LPT0\\nul2\\con-x.txt"),
           "C:\\" + std::string(252, 'a') + ".exe",  // 259 characters
           "C:\\" + std::string(128, 'a') + "\\" + Repeated("\xC3\xA9", 123) + ".exe",
           "C:\\" + Repeated("\xF0\x9F\x98\x80", 128),  // two UTF-16 units each: 259
           "C:\\" + Repeated("\xEF\xBF\xBF", 256),      // U+FFFF: one unit each
           "C:\\" + Repeated("\xF0\x90\x80\x80", 128),  // U+10000: two
       }) {
    SCOPED_TRACE(path);
    EXPECT_EQ(PathProblem(path), "");
  }
  const std::pair<std::string, const char*> unfit[] = {
      {"",
       "its path is not a full path on a drive (C:\\...) or a network share "
       "(\\\\server\\share\\...)"},
      {"krt32.exe", nullptr},
      {"C:x", nullptr},
      {"C:", nullptr},
      {"1:\\a", nullptr},
      {"\\WINDOWS\\krt32.exe", nullptr},
      {"\\\\?\\C:\\x", nullptr},
      {"\\\\.\\PhysicalDrive0", nullptr},
      {"\\??\\C:\\x", nullptr},
      {"C:/WINDOWS/krt32.exe", nullptr},
      {"@:\\x", nullptr},
      {"[:\\x", nullptr},
      {"`:\\x", nullptr},
      {"{:\\x", nullptr},
      {"\xC3\x80:\\x", nullptr},
      {"C:\\", "its path has an empty part (two backslashes in a row, or one at its end)"},
      {"C:\\a\\\\b", "its path has an empty part (two backslashes in a row, or one at its end)"},
      {"C:\\a\\", "its path has an empty part (two backslashes in a row, or one at its end)"},
      {"\\\\server\\share", "its path names no file"},
      {"\\\\server", "its path names no file"},
      {"\\\\server\\\\x",
       "its path has an empty part (two backslashes in a row, or one at its end)"},
      {"C:\\..\\..\\..\\users\\Public\\x", "its path has a . or .. part"},
      {"C:\\WINDOWS\\.\\krt32.exe", "its path has a . or .. part"},
      {"\\\\server\\share\\..\\x", "its path has a . or .. part"},
      {"C:\\WINDOWS\\krt32.exe.", "its path has a part ending in a dot or a space"},
      {"C:\\WINDOWS\\... \\x", "its path has a part ending in a dot or a space"},
      {"C:\\WINDOWS\\krt32.exe ", "its path has a part ending in a dot or a space"},
      {"C:\\windows\\system32\\drivers\\evil.sys:ads",
       "its path names a stream of a file (a colon after the drive's)"},
      {"C:\\a.exe::$DATA", "its path names a stream of a file (a colon after the drive's)"},
      {"C:\\dir:x\\a.exe", "its path names a stream of a file (a colon after the drive's)"},
      {"C:\\a/..\\b", "its path has a character Windows allows in no file name"},
      {"C:\\a?.exe", "its path has a character Windows allows in no file name"},
      {"C:\\a*.exe", "its path has a character Windows allows in no file name"},
      {"C:\\a<b|c>\"d", "its path has a character Windows allows in no file name"},
      {"C:\\a\tb", "its path has a character Windows allows in no file name"},
      {"C:\\a\x7F\x1F", "its path has a character Windows allows in no file name"},
      {std::string("C:\\a.exe\0.txt", 13), "its path holds a null character"},
      {"C:\\" + std::string(253, 'a') + ".exe",
       "its path is longer than the 259 characters "
       "Windows allows"},
      {"C:\\" + Repeated("\xC3\xA9", 257),
       "its path is longer than the 259 characters "
       "Windows allows"},
      {"C:\\" + Repeated("\xF0\x9F\x98\x80", 129),
       "its path is longer than the 259 "
       "characters Windows allows"},
      {"C:\\" + Repeated("\xF0\x90\x80\x80", 128) + "x",
       "its path is longer than the 259 characters Windows allows"},
      {"C:\\" + std::string(100000, 'a'),
       "its path is longer than the 259 characters "
       "Windows allows"},
      {"C:\\\xC0\xAF", "its path is not UTF-8"},
  };
  for (const auto& [path, reason] : unfit) {
    SCOPED_TRACE(path.substr(0, 80));
    EXPECT_EQ(PathProblem(path), reason ? reason
                                        : "its path is not a full path on a drive (C:\\...) or a "
                                          "network share (\\\\server\\share\\...)");
  }
}

TEST(ManifestChecksTest, DeviceNamesAreRefusedWithAnyExtensionInAnyCase) {
  const char* kDevice =
      "its path names a device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$ or "
      "CONOUT$)";
  for (const char* name : {"CON", "con", "Prn", "AUX", "aux", "nul", "NUL.txt", "nul.tar.gz",
                           "COM1", "com9.log", "LPT1", "lpt9", "CONIN$", "conout$.x", "NUL .txt",
                           "COM\xC2\xB9", "lpt\xC2\xB2.dat", "COM\xC2\xB3"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(PathProblem(std::string("C:\\WINDOWS\\") + name), kDevice);
    EXPECT_EQ(PathProblem(std::string("C:\\") + name + "\\x.exe"), kDevice);
    EXPECT_EQ(PathProblem(std::string("\\\\server\\share\\") + name), kDevice);
  }
}

TEST(ManifestChecksTest, DigestsAreSixtyFourHexadecimalDigits) {
  EXPECT_EQ(Sha256Digits("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Digits("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_FALSE(Sha256Digits(""));
  EXPECT_FALSE(Sha256Digits(std::string(64, 'g')));
  EXPECT_FALSE(Sha256Digits(std::string(32, '\0') + std::string(32, 'a')));
}

TEST(ManifestTest, TimesAreWrittenInFullWithLeadingZeros) {
  EXPECT_EQ(IsoTime(UtcTime{2025, 1, 2, 3, 4, 5}), "2025-01-02T03:04:05Z");
  EXPECT_EQ(TimeStamp({2025, 1, 2, 3, 4, 5}), "20250102-030405");
}

}  // namespace
}  // namespace dizi
