// One JSON object on one line, as the quarantine's manifest holds them: text
// (UTF-8), whole numbers, true or false and null as field values, nothing
// nested.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/json_writer.h"

namespace dizi {

// Builds a line field by field, in the order given.
class JsonLine {
 public:
  JsonLine();
  JsonLine& Text(std::string_view key, std::string_view utf8);
  JsonLine& Number(std::string_view key, std::uint64_t number);
  JsonLine& Boolean(std::string_view key, bool value);
  JsonLine& Null(std::string_view key);
  // The object, ended by a line feed.
  std::string Finish() const;

 private:
  JsonWriter json_{JsonWriter::Layout::Compact};
};

struct JsonField {
  enum class Kind { Text, Number, Boolean, Null } kind = Kind::Null;
  std::string text;  // Text: UTF-8
  std::uint64_t number = 0;
  bool boolean = false;
};

// The fields of one line holding one such object; nothing when the line is
// anything else: a line cut short by a power failure, say, text that is not
// UTF-8, or a key given twice (which readers could take either way). A
// "\u0000" in a text is a null character within it.
std::optional<std::map<std::string, JsonField>> ParseJsonLine(std::string_view line);

}  // namespace dizi
