#include "fservice/registry_value.h"

namespace dizi::tools {

namespace {

// A value may grow between asking for its size and reading it; then the size
// is asked again, a few times.
constexpr int kAttempts = 3;

// Room for `size` bytes of data as wide characters (an odd last byte included).
HeapArray<WideChar> AllocateData(DWORD size) {
  return AllocateArray<WideChar>(size / sizeof(WideChar) + 1);
}

}  // namespace

LONG ReadValue(HKEY key, const wchar_t* name, StoredValue& value) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    DWORD size = 0;
    LONG error = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
    if (error != ERROR_SUCCESS) {
      return error;
    }
    value.data = AllocateData(size);
    if (!value.data) {
      return ERROR_NOT_ENOUGH_MEMORY;
    }
    value.size = size;
    error = RegQueryValueExW(key, name, nullptr, &value.type,
                             reinterpret_cast<BYTE*>(value.data.get()), &value.size);
    if (error != ERROR_MORE_DATA) {
      return error;
    }
  }
  return ERROR_MORE_DATA;
}

LONG ValueReader::Start(DWORD& count) {
  count = 0;
  const LONG error = RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      &count, nullptr, nullptr, nullptr, nullptr);
  return error != ERROR_SUCCESS ? error : MakeRoom();
}

LONG ValueReader::MakeRoom() {
  DWORD longest_name = 0;  // characters, without the null
  DWORD largest_data = 0;  // bytes
  const LONG error = RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr, &longest_name, &largest_data, nullptr, nullptr);
  if (error != ERROR_SUCCESS) {
    return error;
  }
  name_ = AllocateArray<WideChar>(longest_name + 1);
  data_ = AllocateData(largest_data);
  name_room_ = longest_name + 1;
  data_room_ = largest_data;
  return name_ && data_ ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}

LONG ValueReader::Read(DWORD index, Value& value) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    DWORD name_length = name_room_;
    value.size = data_room_;
    LONG error = RegEnumValueW(key_, index, name_.get(), &name_length, nullptr, &value.type,
                               reinterpret_cast<BYTE*>(data_.get()), &value.size);
    if (error == ERROR_SUCCESS) {
      value.name = WideView(name_.get(), name_length);
      value.data = data_.get();
      return error;
    }
    if (error != ERROR_MORE_DATA) {
      return error;
    }
    error = MakeRoom();
    if (error != ERROR_SUCCESS) {
      return error;
    }
  }
  return ERROR_MORE_DATA;
}

}  // namespace dizi::tools
