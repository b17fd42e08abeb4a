// The one place where fservice.exe changes the registry.
#pragma once

#include <windows.h>

#include "fservice/registry_place.h"
#include "fservice/wide_text.h"

namespace dizi::tools {

// A value's type and data as the registry stores them.
struct ValueBytes {
  DWORD type;
  const void* data;
  DWORD size;
};

class UndoFiles;

// One change to one value: value `name` (exact and counted: it may hold
// nulls) of the open `key`, which is `place`\`key_path`, from `old` to `now`,
// or deleted when `now` is null.
struct ValueChange {
  const RegistryPlace& place;
  const wchar_t* key_path;
  HKEY key;
  WideView name;
  ValueBytes old;
  const ValueBytes* now;
};

// Makes the change and reports it, or why it could not be made (a failure of
// the change's place); true when it was made, and then counted as changed in
// its place. Every change fservice.exe makes to the registry goes through here,
// so that whatever must come before any change has one place to go: first the
// value as it was is saved in `undo`, and when that fails the value is left
// as it is.
//
// A value is deleted by its exact name: a name holding a null (which no
// registry function that takes a null-terminated name can reach) through the
// native call that takes a counted name, looked up when needed. A name
// holding a null is never set.
bool ApplyChange(const ValueChange& change, UndoFiles& undo);

}  // namespace dizi::tools
