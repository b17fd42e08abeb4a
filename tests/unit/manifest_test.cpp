// The manifest's lines: JSON text written and read back whatever the
// characters, and the items its events leave, whatever a crash or a later
// version left in it.
#include "quarantine/manifest.h"

#include <gtest/gtest.h>

#include "quarantine/json_line.h"

namespace dizi {
namespace {

const UtcTime kTime{2024, 5, 17, 14, 23, 1};

TEST(JsonLineTest, TextOfAnyCharacterIsWrittenAsJsonAndReadBackUnchanged) {
  const std::string texts[] = {
      "plain",
      "",
      R"(C:\WINDOWS\"quoted" name)",
      "control \x01\x1f\t\r\n characters",
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
}

TEST(JsonLineTest, AnythingElseIsNotALine) {
  for (const char* line :
       {"", "{", R"({"a":"cut short)", R"({"a":1,})", R"({"a":1} x)", R"({"a":-1})",
        R"({"a":"\ud83d"})", R"({"a":"\ude00"})", R"({"a":"\q"})", "{\"a\":\"raw \x01\"}",
        R"({"a":{"nested":1}})", R"({"a":99999999999999999999})", R"(["a"])", R"({a:1})"}) {
    SCOPED_TRACE(line);
    EXPECT_FALSE(ParseJsonLine(line));
  }
  EXPECT_TRUE(ParseJsonLine("{}"));
}

TEST(ManifestTest, ItemsFollowTheirEventsInOrder) {
  std::string manifest =
      KeptEvent(kTime, "a", "C:\\a.exe", 1, "aa", "server") +
      KeptEvent(kTime, "b", "C:\\b.exe", 2, "", "downloader") +
      KeptEvent(kTime, "c", "C:\\c.exe", 3, "cc", "server") +
      OriginalEvent(kTime, "a", "C:\\a.exe", "deleted") +
      OriginalEvent(kTime, "b", "C:\\b.exe", "deleted at restart") +
      NotKeptEvent(kTime, "C:\\d.exe", "server", "locked", "left, delete by hand") +
      OriginalEvent(kTime, "a", "C:\\a.exe", "deleted at restart") +  // found again
      RestoredEvent(kTime, "b", "C:\\b.exe", false, true) +
      RestoreFailedEvent(kTime, "c", "C:\\c.exe", "damaged") + DeletedEvent(kTime, "c") +
      DeleteFailedEvent(kTime, "a", "busy") + ImportedEvent(kTime, "C:\\q\\r.reg") +
      ImportFailedEvent(kTime, "C:\\q\\s.reg", "exit code 1") +
      R"({"event":"moved","id":"a","time":"later"})"
      "\n" +
      OriginalEvent(kTime, "unknown", "C:\\x.exe", "deleted") +
      // What a power failure leaves: the last line cut short.
      R"({"event":"original","id":"a","time":"2024-05-17T14:23:01Z","path":"C:\\a.exe","orig)";

  const std::vector<ManifestItem> items = ManifestItems(manifest);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].id, "a");
  EXPECT_EQ(items[0].state, "deleted at restart");
  EXPECT_EQ(items[0].path, "C:\\a.exe");
  EXPECT_EQ(items[0].size, 1u);
  EXPECT_EQ(items[0].sha256, "aa");
  EXPECT_EQ(items[0].kind, "server");
  EXPECT_EQ(items[0].time, "2024-05-17T14:23:01Z");
  EXPECT_EQ(items[1].id, "b");
  EXPECT_EQ(items[1].state, "restored");
  EXPECT_EQ(items[1].sha256, "");  // kept without a hash
  EXPECT_EQ(items[1].kind, "downloader");
}

TEST(ManifestTest, AnIdKeptAgainNamesTheNewItem) {
  const std::string manifest = KeptEvent(kTime, "a", "C:\\old.exe", 1, "11", "server") +
                               OriginalEvent(kTime, "a", "C:\\old.exe", "deleted") +
                               KeptEvent(kTime, "a", "C:\\new.exe", 2, "22", "server");
  const std::vector<ManifestItem> items = ManifestItems(manifest);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].path, "C:\\new.exe");
  EXPECT_EQ(items[0].state, "kept");
}

TEST(ManifestTest, TimesAreWrittenInFullWithLeadingZeros) {
  EXPECT_EQ(IsoTime(UtcTime{2025, 1, 2, 3, 4, 5}), "2025-01-02T03:04:05Z");
  EXPECT_EQ(TimeStamp({2025, 1, 2, 3, 4, 5}), "20250102-030405");
}

}  // namespace
}  // namespace dizi
