// A strict JSON reader (RFC 8259) for the tests of the reports: the whole text
// must be one value, strings must be well-formed UTF-8 without raw control
// characters, and escapes (surrogate pairs included) are decoded to UTF-8.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/utf8.h"

namespace dizi::test {

struct Json {
  enum class Kind { Null, Bool, Number, String, Array, Object };
  Kind kind = Kind::Null;
  bool boolean = false;
  double number = 0;
  std::string text;  // a string's UTF-8
  std::vector<Json> items;
  std::vector<std::pair<std::string, Json>> members;  // in the order written

  // The member `key`; a test failure to use a missing one, so it throws.
  const Json& operator[](const std::string& key) const {
    for (const auto& [name, value] : members) {
      if (name == key) {
        return value;
      }
    }
    throw std::out_of_range("no member " + key);
  }
  std::vector<std::string> Keys() const {
    std::vector<std::string> keys;
    for (const auto& member : members) {
      keys.push_back(member.first);
    }
    return keys;
  }
};

class JsonParser {
 public:
  // Nothing when the text is not exactly one well-formed JSON value.
  static std::optional<Json> Parse(std::string_view text) {
    JsonParser parser(text);
    Json value;
    if (!parser.Value(value, 0)) {
      return std::nullopt;
    }
    parser.Blanks();
    if (parser.at_ != text.size()) {
      return std::nullopt;
    }
    return value;
  }

 private:
  explicit JsonParser(std::string_view text) : text_(text) {}

  bool More() const { return at_ < text_.size(); }
  char Peek() const { return More() ? text_[at_] : '\0'; }
  void Blanks() {
    while (More() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n')) {
      ++at_;
    }
  }
  bool Literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) {
      return false;
    }
    at_ += word.size();
    return true;
  }

  bool Value(Json& value, int depth) {
    if (depth > 64) {
      return false;
    }
    Blanks();
    switch (Peek()) {
      case '{':
        return Object(value, depth);
      case '[':
        return Array(value, depth);
      case '"':
        value.kind = Json::Kind::String;
        return String(value.text);
      case 't':
        value.kind = Json::Kind::Bool;
        value.boolean = true;
        return Literal("true");
      case 'f':
        value.kind = Json::Kind::Bool;
        return Literal("false");
      case 'n':
        return Literal("null");
      default:
        return Number(value);
    }
  }

  bool Object(Json& value, int depth) {
    value.kind = Json::Kind::Object;
    ++at_;
    Blanks();
    if (Peek() == '}') {
      ++at_;
      return true;
    }
    for (;;) {
      Blanks();
      std::string key;
      Json member;
      if (Peek() != '"' || !String(key)) {
        return false;
      }
      Blanks();
      if (Peek() != ':') {
        return false;
      }
      ++at_;
      if (!Value(member, depth + 1)) {
        return false;
      }
      value.members.emplace_back(std::move(key), std::move(member));
      Blanks();
      if (Peek() == ',') {
        ++at_;
      } else if (Peek() == '}') {
        ++at_;
        return true;
      } else {
        return false;
      }
    }
  }

  bool Array(Json& value, int depth) {
    value.kind = Json::Kind::Array;
    ++at_;
    Blanks();
    if (Peek() == ']') {
      ++at_;
      return true;
    }
    for (;;) {
      Json item;
      if (!Value(item, depth + 1)) {
        return false;
      }
      value.items.push_back(std::move(item));
      Blanks();
      if (Peek() == ',') {
        ++at_;
      } else if (Peek() == ']') {
        ++at_;
        return true;
      } else {
        return false;
      }
    }
  }

  bool Number(Json& value) {
    const std::size_t start = at_;
    if (Peek() == '-') {
      ++at_;
    }
    if (Peek() == '0') {
      ++at_;
    } else if (Peek() >= '1' && Peek() <= '9') {
      while (Peek() >= '0' && Peek() <= '9') {
        ++at_;
      }
    } else {
      return false;
    }
    if (Peek() == '.' || Peek() == 'e' || Peek() == 'E') {
      return false;  // the reports hold whole numbers only
    }
    value.kind = Json::Kind::Number;
    value.number = std::stod(std::string(text_.substr(start, at_ - start)));
    return true;
  }

  bool Hex4(std::uint32_t& code) {
    if (at_ + 4 > text_.size()) {
      return false;
    }
    code = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      code <<= 4;
      if (c >= '0' && c <= '9') {
        code |= static_cast<std::uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        code |= static_cast<std::uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        code |= static_cast<std::uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
    }
    return true;
  }

  bool Escape(std::string& out) {
    const char c = Peek();
    ++at_;
    switch (c) {
      case '"':
      case '\\':
      case '/':
        out += c;
        return true;
      case 'b':
        out += '\b';
        return true;
      case 'f':
        out += '\f';
        return true;
      case 'n':
        out += '\n';
        return true;
      case 'r':
        out += '\r';
        return true;
      case 't':
        out += '\t';
        return true;
      case 'u':
        break;
      default:
        return false;
    }
    std::uint32_t code = 0;
    if (!Hex4(code) || (code >= 0xDC00 && code <= 0xDFFF)) {
      return false;
    }
    if (code >= 0xD800 && code <= 0xDBFF) {
      std::uint32_t low = 0;
      if (!Literal("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF) {
        return false;
      }
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(out, code);
    return true;
  }

  // One well-formed UTF-8 character of at least two bytes, copied.
  bool Multibyte(std::string& out) {
    const auto lead = static_cast<std::uint8_t>(Peek());
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (lead < 0xC2 || lead > 0xF4 || at_ + length > text_.size()) {
      return false;
    }
    std::uint32_t code = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
      const auto next = static_cast<std::uint8_t>(text_[at_ + i]);
      if ((next & 0xC0) != 0x80) {
        return false;
      }
      code = (code << 6) | (next & 0x3F);
    }
    const std::uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      return false;
    }
    out.append(text_.substr(at_, length));
    at_ += length;
    return true;
  }

  bool String(std::string& out) {
    ++at_;
    while (More()) {
      const auto c = static_cast<std::uint8_t>(Peek());
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) {
        return false;
      }
      if (c == '\\') {
        ++at_;
        if (!Escape(out)) {
          return false;
        }
      } else if (c >= 0x80) {
        if (!Multibyte(out)) {
          return false;
        }
      } else {
        out += static_cast<char>(c);
        ++at_;
      }
    }
    return false;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace dizi::test
