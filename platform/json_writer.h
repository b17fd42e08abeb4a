// JSON text (RFC 8259). The reports are written in UTF-8, one value a line,
// indented by two spaces a level, lines ended by CR LF so that Notepad on any
// Windows shows them as lines; the test programs write theirs on one line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dizi {

class JsonWriter {
 public:
  enum class Layout {
    Indented,  // one value a line, as the reports are
    Compact,   // all on one line
  };
  // What the texts given are.
  enum class Texts {
    Utf8,   // UTF-8, written as it is (see JsonQuoted)
    Bytes,  // bytes of any kind, each written as the character of its number
            // (U+0000 to U+00FF): a reader gets them back by encoding in Latin-1
  };

  explicit JsonWriter(Layout layout = Layout::Indented, Texts texts = Texts::Utf8)
      : layout_(layout), texts_(texts) {}

  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // Names the next value inside an object.
  JsonWriter& Key(std::string_view utf8);

  JsonWriter& String(std::string_view utf8);
  JsonWriter& Number(long long value);
  // A count or size beyond the range of Number.
  JsonWriter& Unsigned(unsigned long long value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // Key and value in one call.
  JsonWriter& Field(std::string_view key, std::string_view utf8) { return Key(key).String(utf8); }
  JsonWriter& Field(std::string_view key, const char* utf8) { return Key(key).String(utf8); }
  JsonWriter& Field(std::string_view key, bool value) { return Key(key).Bool(value); }
  JsonWriter& Field(std::string_view key, int value) { return Key(key).Number(value); }
  JsonWriter& Field(std::string_view key, long long value) { return Key(key).Number(value); }

  // The text so far; a whole value once every container is ended.
  const std::string& Text() const { return text_; }

 private:
  // Starts a new value: the comma after the one before, and its own line
  // inside a container; nothing after a key.
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);
  void NewLine(std::size_t depth);

  Layout layout_;
  Texts texts_;
  std::string text_;
  std::vector<bool> empty_;  // per open container: nothing written into it yet
  bool afterKey_ = false;
};

// A JSON string literal, quotes included. Quotes, backslashes and control
// characters (NUL included) are escaped; other characters stay as they are.
// Bytes that are not well-formed UTF-8 each become U+FFFD, so that the text
// is always valid JSON whatever it is given.
std::string JsonQuoted(std::string_view utf8);

// A JSON string literal of bytes, each the character of its number.
std::string JsonQuotedBytes(std::string_view bytes);

}  // namespace dizi
