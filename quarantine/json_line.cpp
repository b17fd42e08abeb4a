#include "quarantine/json_line.h"

#include <tuple>

#include "platform/utf8.h"

namespace dizi {

namespace {

// Reads one line's object left to right; every method is false on anything
// that is not the expected part.
class Reader {
 public:
  explicit Reader(std::string_view text) : text_(text) {}

  void SkipBlanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n')) {
      ++at_;
    }
  }
  bool Take(char c) {
    SkipBlanks();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool AtEnd() {
    SkipBlanks();
    return at_ == text_.size();
  }

  bool String(std::string& out) {
    if (!Take('"')) {
      return false;
    }
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '"') {
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) {
        return false;
      }
      if (static_cast<unsigned char>(c) >= 0x80) {
        // Taken as it is only when it is UTF-8.
        std::size_t end = at_ - 1;
        if (!NextUtf8(text_, end)) {
          return false;
        }
        out.append(text_.substr(at_ - 1, end - (at_ - 1)));
        at_ = end;
        continue;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) {
        return false;
      }
      const char escaped = text_[at_++];
      switch (escaped) {
        case '"':
        case '\\':
        case '/':
          out += escaped;
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u':
          if (!Unicode(out)) {
            return false;
          }
          break;
        default:
          return false;
      }
    }
    return false;
  }

  bool Value(JsonField& field) {
    SkipBlanks();
    if (at_ >= text_.size()) {
      return false;
    }
    const char c = text_[at_];
    if (c == '"') {
      field.kind = JsonField::Kind::Text;
      return String(field.text);
    }
    if (c >= '0' && c <= '9') {
      field.kind = JsonField::Kind::Number;
      return Number(field.number);
    }
    for (const auto& [word, kind, value] : {std::tuple{"true", JsonField::Kind::Boolean, true},
                                            std::tuple{"false", JsonField::Kind::Boolean, false},
                                            std::tuple{"null", JsonField::Kind::Null, false}}) {
      const std::string_view name(word);
      if (text_.substr(at_, name.size()) == name) {
        at_ += name.size();
        field.kind = kind;
        field.boolean = value;
        return true;
      }
    }
    return false;
  }

 private:
  bool Hex4(std::uint32_t& code) {
    if (text_.size() - at_ < 4) {
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

  // After "\u": one character, or a surrogate pair written as two escapes.
  bool Unicode(std::string& out) {
    std::uint32_t code = 0;
    if (!Hex4(code)) {
      return false;
    }
    if (code >= 0xD800 && code < 0xDC00) {
      std::uint32_t low = 0;
      if (text_.substr(at_, 2) != "\\u") {
        return false;
      }
      at_ += 2;
      if (!Hex4(low) || low < 0xDC00 || low >= 0xE000) {
        return false;
      }
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    } else if (code >= 0xDC00 && code < 0xE000) {
      return false;
    }
    AppendUtf8(out, code);
    return true;
  }

  bool Number(std::uint64_t& number) {
    number = 0;
    std::size_t digits = 0;
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
      const auto digit = static_cast<std::uint64_t>(text_[at_++] - '0');
      if (number > (UINT64_MAX - digit) / 10) {
        return false;
      }
      number = number * 10 + digit;
      ++digits;
    }
    return digits > 0;
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

JsonLine::JsonLine() {
  json_.BeginObject();
}

JsonLine& JsonLine::Text(std::string_view key, std::string_view utf8) {
  json_.Field(key, utf8);
  return *this;
}

JsonLine& JsonLine::Number(std::string_view key, std::uint64_t number) {
  json_.Key(key).Unsigned(number);
  return *this;
}

JsonLine& JsonLine::Boolean(std::string_view key, bool value) {
  json_.Field(key, value);
  return *this;
}

JsonLine& JsonLine::Null(std::string_view key) {
  json_.Key(key).Null();
  return *this;
}

std::string JsonLine::Finish() const {
  JsonWriter whole = json_;
  return whole.EndObject().Text() + "\n";
}

std::optional<std::map<std::string, JsonField>> ParseJsonLine(std::string_view line) {
  Reader reader(line);
  std::map<std::string, JsonField> fields;
  if (!reader.Take('{')) {
    return std::nullopt;
  }
  if (!reader.Take('}')) {
    do {
      std::string key;
      JsonField field;
      if (!reader.String(key) || !reader.Take(':') || !reader.Value(field) ||
          fields.count(key) != 0) {
        return std::nullopt;
      }
      fields[key] = std::move(field);
    } while (reader.Take(','));
    if (!reader.Take('}')) {
      return std::nullopt;
    }
  }
  if (!reader.AtEnd()) {
    return std::nullopt;
  }
  return fields;
}

}  // namespace dizi
