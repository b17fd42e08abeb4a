// A small JSON writer for the driver's and the hook's reports. Texts are the
// program's ANSI bytes; each byte is written as the code point of the same
// value, so a reader gets the exact bytes back by encoding with Latin-1.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace e2e {

class JsonWriter {
 public:
  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  // Names the next value inside an object.
  JsonWriter& Key(std::string_view key);

  JsonWriter& String(std::string_view bytes);
  JsonWriter& Number(long long value);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();

  // Key and value in one call.
  JsonWriter& Field(std::string_view key, std::string_view bytes) { return Key(key).String(bytes); }
  JsonWriter& Field(std::string_view key, const char* bytes) { return Key(key).String(bytes); }
  JsonWriter& Field(std::string_view key, long long value) { return Key(key).Number(value); }
  JsonWriter& Field(std::string_view key, int value) { return Key(key).Number(value); }
  JsonWriter& Field(std::string_view key, unsigned long value) {
    return Key(key).Number(static_cast<long long>(value));
  }
  JsonWriter& Field(std::string_view key, bool value) { return Key(key).Bool(value); }

  const std::string& Text() const { return text_; }

 private:
  // Writes the comma before a value or key when one is needed.
  void BeforeValue();
  void Open(char bracket);
  void Close(char bracket);

  std::string text_;
  std::vector<bool> empty_;  // per open container: nothing written into it yet
  bool afterKey_ = false;
};

}  // namespace e2e
