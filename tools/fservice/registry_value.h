// Reading values through the registry's wide functions, exactly as stored.
#pragma once

#include <windows.h>

#include "fservice/heap_array.h"
#include "fservice/wide_text.h"

namespace dizi::tools {

// A value's type and data. The data is held as wide characters, so that a
// string value's text can be read in place.
struct StoredValue {
  DWORD type = REG_NONE;
  HeapArray<WideChar> data;
  DWORD size = 0;  // bytes of data
};

// Reads value `name` of `key`. ERROR_FILE_NOT_FOUND when there is none.
LONG ReadValue(HKEY key, const wchar_t* name, StoredValue& value);

// Reads a key's values by index, as enumeration gives them: each with its
// exact name, counted (a name may hold nulls, and then no call that takes a
// name ending with a null reaches that value), and its own data.
class ValueReader {
 public:
  explicit ValueReader(HKEY key) : key_(key) {}

  // How many values the key has; makes room for the longest name and the
  // largest data.
  LONG Start(DWORD& count);

  struct Value {
    WideView name;
    DWORD type;
    const WideChar* data;
    DWORD size;  // bytes of data
  };
  // The value at `index`, valid until the next Read. ERROR_NO_MORE_ITEMS when
  // there is no value at `index` (any more).
  LONG Read(DWORD index, Value& value);

 private:
  LONG MakeRoom();

  HKEY key_;
  HeapArray<WideChar> name_;
  DWORD name_room_ = 0;  // characters, the null included
  HeapArray<WideChar> data_;
  DWORD data_room_ = 0;  // bytes
};

}  // namespace dizi::tools
