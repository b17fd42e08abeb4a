#include "fservice/registry_text.h"

#include <string.h>

#include <algorithm>

namespace dizi::tools {

namespace {

bool IsText(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ;
}

}  // namespace

std::string_view TextOfValueData(const char* data, DWORD size) {
  const void* null = memchr(data, '\0', size);
  return {data,
          null == nullptr ? size : static_cast<std::size_t>(static_cast<const char*>(null) - data)};
}

std::optional<RegistryText> ReadRegistryText(HKEY key, const char* name, LONG& error) {
  // The value may grow between asking for its size and reading it; then ask again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    error = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (error != ERROR_SUCCESS || !IsText(type)) {
      return std::nullopt;
    }
    // One byte more for a terminating null the stored data may lack.
    HeapChars data = AllocateChars(size + 1);
    if (!data) {
      error = ERROR_NOT_ENOUGH_MEMORY;
      return std::nullopt;
    }
    DWORD read = size;
    error = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.get()), &read);
    if (error == ERROR_MORE_DATA) {
      continue;
    }
    if (error != ERROR_SUCCESS || !IsText(type)) {
      return std::nullopt;
    }
    const std::size_t length = TextOfValueData(data.get(), read).size();
    data[length] = '\0';
    return RegistryText{std::move(data), length, type};
  }
  return std::nullopt;
}

LONG WriteRegistryText(HKEY key, const char* name, DWORD type, std::string_view text) {
  HeapChars data = AllocateChars(text.size() + 1);
  if (!data) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  std::copy(text.begin(), text.end(), data.get());
  data[text.size()] = '\0';
  return RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.get()),
                        static_cast<DWORD>(text.size() + 1));
}

}  // namespace dizi::tools
