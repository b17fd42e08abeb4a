#include "json_reader.h"

#include <cstdlib>

namespace e2e {

namespace {

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  bool ParseDocument(JsonValue& value) {
    if (!Parse(value)) {
      return false;
    }
    SkipSpace();
    return pos_ == text_.size();
  }

 private:
  void SkipSpace() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' ||
                                   text_[pos_] == '\r' || text_[pos_] == '\t')) {
      ++pos_;
    }
  }

  bool Consume(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) {
      return false;
    }
    pos_ += word.size();
    return true;
  }

  bool Parse(JsonValue& value) {
    SkipSpace();
    if (pos_ >= text_.size()) {
      return false;
    }
    const char c = text_[pos_];
    if (c == '{') {
      return ParseObject(value);
    }
    if (c == '[') {
      return ParseArray(value);
    }
    if (c == '"') {
      value.kind = JsonValue::Kind::String;
      return ParseString(value.text);
    }
    if (Consume("true")) {
      value.kind = JsonValue::Kind::Bool;
      value.boolean = true;
      return true;
    }
    if (Consume("false")) {
      value.kind = JsonValue::Kind::Bool;
      return true;
    }
    if (Consume("null")) {
      return true;
    }
    return ParseNumber(value);
  }

  bool ParseNumber(JsonValue& value) {
    const std::size_t start = pos_;
    if (pos_ < text_.size() && text_[pos_] == '-') {
      ++pos_;
    }
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      ++pos_;
    }
    if (pos_ == start) {
      return false;
    }
    value.kind = JsonValue::Kind::Number;
    value.number =
        std::strtoll(std::string(text_.substr(start, pos_ - start)).c_str(), nullptr, 10);
    return true;
  }

  // Only the escapes the writer produces, plus the plain JSON ones.
  bool ParseString(std::string& out) {
    ++pos_;  // the opening quote
    while (pos_ < text_.size()) {
      const char c = text_[pos_++];
      if (c == '"') {
        return true;
      }
      if (c != '\\') {
        out += c;
        continue;
      }
      if (pos_ >= text_.size()) {
        return false;
      }
      const char escape = text_[pos_++];
      switch (escape) {
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          if (pos_ + 4 > text_.size()) {
            return false;
          }
          const long code = std::strtol(std::string(text_.substr(pos_, 4)).c_str(), nullptr, 16);
          pos_ += 4;
          if (code > 0xff) {
            return false;
          }
          out += static_cast<char>(code);
          break;
        }
        default:
          out += escape;
      }
    }
    return false;
  }

  bool ParseArray(JsonValue& value) {
    value.kind = JsonValue::Kind::Array;
    ++pos_;
    SkipSpace();
    if (Consume("]")) {
      return true;
    }
    for (;;) {
      JsonValue item;
      if (!Parse(item)) {
        return false;
      }
      value.items.push_back(std::move(item));
      SkipSpace();
      if (Consume("]")) {
        return true;
      }
      if (!Consume(",")) {
        return false;
      }
    }
  }

  bool ParseObject(JsonValue& value) {
    value.kind = JsonValue::Kind::Object;
    ++pos_;
    SkipSpace();
    if (Consume("}")) {
      return true;
    }
    for (;;) {
      SkipSpace();
      std::string key;
      if (pos_ >= text_.size() || text_[pos_] != '"' || !ParseString(key)) {
        return false;
      }
      SkipSpace();
      if (!Consume(":")) {
        return false;
      }
      JsonValue member;
      if (!Parse(member)) {
        return false;
      }
      value.members[key] = std::move(member);
      SkipSpace();
      if (Consume("}")) {
        return true;
      }
      if (!Consume(",")) {
        return false;
      }
    }
  }

  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

const JsonValue& JsonValue::operator[](const std::string& key) const {
  static const JsonValue kNull;
  const auto found = members.find(key);
  return found == members.end() ? kNull : found->second;
}

std::optional<JsonValue> ParseJson(std::string_view text) {
  JsonValue value;
  Parser parser(text);
  if (!parser.ParseDocument(value)) {
    return std::nullopt;
  }
  return value;
}

}  // namespace e2e
