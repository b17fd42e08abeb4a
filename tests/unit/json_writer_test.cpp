// The reports' JSON: every text survives the trip through the writer and a
// strict reader byte for byte, and what is not UTF-8 never makes the text
// invalid.
#include <gtest/gtest.h>

#include "json_parse.h"
#include "platform/json_writer.h"

namespace dizi::test {
namespace {

std::string RoundTrip(const std::string& text) {
  JsonWriter json;
  json.BeginArray().String(text).EndArray();
  const std::optional<Json> parsed = JsonParser::Parse(json.Text());
  EXPECT_TRUE(parsed) << json.Text();
  return parsed && parsed->items.size() == 1 ? parsed->items[0].text : "<unreadable>";
}

TEST(JsonWriterTest, EveryControlCharacterQuoteAndBackslashSurvives) {
  std::string all;
  for (int c = 0; c < 0x80; ++c) {
    all += static_cast<char>(c);  // NUL included
  }
  EXPECT_EQ(RoundTrip(all), all);
  EXPECT_EQ(RoundTrip("C:\\Program Files\\\"quoted\"\\"), "C:\\Program Files\\\"quoted\"\\");
  // No raw control character reaches the text, not even a line break.
  const std::string quoted = JsonQuoted(std::string("a\0b\x1f\n\r\t", 7));
  EXPECT_EQ(quoted, "\"a\\u0000b\\u001f\\n\\r\\t\"");
}

TEST(JsonWriterTest, NonAsciiTextStaysAsItsUtf8) {
  for (const std::string text :
       {"T\xC3\xA9\x63nico", "\xE2\x82\xAC 100", "\xE4\xB8\xAD\xE6\x96\x87", "\xF0\x9F\x98\x80",
        "\xEF\xBF\xBF \xE2\x80\xA8"}) {
    EXPECT_EQ(JsonQuoted(text), "\"" + text + "\"");
    EXPECT_EQ(RoundTrip(text), text);
  }
}

TEST(JsonWriterTest, BytesThatAreNotUtf8BecomeReplacementCharacters) {
  const std::string kFffd = "\xEF\xBF\xBD";
  const struct {
    std::string given;
    std::string written;
  } cases[] = {
      {"a\xE9z", "a" + kFffd + "z"},                        // an ANSI byte, not UTF-8
      {"\xC0\x80", kFffd + kFffd},                          // an overlong NUL
      {"\xED\xA0\x80", kFffd + kFffd + kFffd},              // a surrogate
      {"\xF4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},  // beyond U+10FFFF
      {"\x80x", kFffd + "x"},                               // a lone continuation byte
      {"ab\xE2\x82", "ab" + kFffd + kFffd},                 // cut short at the end
      {"\xFF\xFE", kFffd + kFffd},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RoundTrip(c.given), c.written) << c.given;
  }
}

TEST(JsonWriterTest, NestedValuesAreLaidOutOneALineAndReadBack) {
  JsonWriter json;
  json.BeginObject();
  json.Field("name", "x").Field("count", 3).Field("negative", -12).Field("ok", false);
  json.Key("none").Null();
  json.Key("empty").BeginArray().EndArray();
  json.Key("list").BeginArray();
  json.BeginObject().Field("a", true).EndObject();
  json.BeginObject().EndObject();
  json.EndArray();
  json.EndObject();
  EXPECT_EQ(json.Text(),
            "{\r\n  \"name\": \"x\",\r\n  \"count\": 3,\r\n  \"negative\": -12,\r\n"
            "  \"ok\": false,\r\n  \"none\": null,\r\n  \"empty\": [],\r\n  \"list\": [\r\n"
            "    {\r\n      \"a\": true\r\n    },\r\n    {}\r\n  ]\r\n}");
  const std::optional<Json> parsed = JsonParser::Parse(json.Text());
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->Keys(),
            (std::vector<std::string>{"name", "count", "negative", "ok", "none", "empty", "list"}));
  EXPECT_EQ((*parsed)["negative"].number, -12);
  EXPECT_EQ((*parsed)["list"].items.size(), 2u);
  EXPECT_TRUE((*parsed)["list"].items[0]["a"].boolean);
}

// The test programs' reports: one line, each byte the character of its number.
TEST(JsonWriterTest, BytesOnOneLineComeBackByTheirNumbers) {
  JsonWriter json(JsonWriter::Layout::Compact, JsonWriter::Texts::Bytes);
  json.BeginObject().Field("text", "T\xE9\x01\x7F\"").Key("list").BeginArray();
  json.Number(1).Bool(true).EndArray().EndObject();
  EXPECT_EQ(json.Text(), "{\"text\":\"T\\u00e9\\u0001\\u007f\\\"\",\"list\":[1,true]}");
  const std::optional<Json> parsed = JsonParser::Parse(json.Text());
  ASSERT_TRUE(parsed);
  EXPECT_EQ((*parsed)["text"].text, "T\xC3\xA9\x01\x7F\"");
}

// The reader must reject what the writer must never produce, or the tests
// above could pass on broken text.
TEST(JsonWriterTest, TheTestsReaderRejectsMalformedText) {
  for (const char* text : {"", "{", "[1,]", "{\"a\" 1}", "\"raw\nline\"", "\"\xC3\"", "[1] [2]",
                           "\"\\ud800\"", "01", "{\"a\":1,}", "\"\\x41\""}) {
    EXPECT_FALSE(JsonParser::Parse(text)) << text;
  }
  EXPECT_TRUE(JsonParser::Parse("\"\\ud83d\\ude00\""));
}

}  // namespace
}  // namespace dizi::test
