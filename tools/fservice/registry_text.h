// Reading and writing the text values (REG_SZ, REG_EXPAND_SZ) of a key.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

#include "fservice/heap_chars.h"

namespace dizi::tools {

struct RegistryText {
  HeapChars data;      // the text, followed by a terminating null
  std::size_t length;  // bytes before the first null
  DWORD type;          // REG_SZ or REG_EXPAND_SZ, kept when the value is written back

  std::string_view Text() const { return {data.get(), length}; }
};

// The text of value `name`, or nothing when the value is missing, holds no
// text, or cannot be read (then `error` says why).
std::optional<RegistryText> ReadRegistryText(HKEY key, const char* name, LONG& error);

// Sets value `name` to `text` with its terminating null, as `type`.
LONG WriteRegistryText(HKEY key, const char* name, DWORD type, std::string_view text);

// The text of raw value data, which need not end with a null: everything up to
// the first null or the end of the data.
std::string_view TextOfValueData(const char* data, DWORD size);

}  // namespace dizi::tools
