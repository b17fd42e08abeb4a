// Reads the JSON the hook writes (see json_writer.h for how texts map to bytes).
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

struct JsonValue {
  enum class Kind { Null, Bool, Number, String, Array, Object };

  Kind kind = Kind::Null;
  bool boolean = false;
  long long number = 0;
  std::string text;  // the bytes of a string
  std::vector<JsonValue> items;
  std::map<std::string, JsonValue> members;

  // The member `key` of an object, or a null value when there is none.
  const JsonValue& operator[](const std::string& key) const;
  bool IsNull() const { return kind == Kind::Null; }
};

// Nothing when the text is not one well-formed JSON value.
std::optional<JsonValue> ParseJson(std::string_view text);

}  // namespace e2e
