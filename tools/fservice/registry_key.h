// Opens the registry keys fservice.exe works on.
#pragma once

#include <windows.h>

#include "fservice/registry_place.h"
#include "platform/win32/scoped_handle.h"

namespace dizi::tools {

// Opens `place`\`path` for reading and changing its values or, where changing
// is refused, for reading only: a change then fails and is reported with its
// reason. Holds no key when the key cannot be opened: a missing key is passed
// over quietly, any other failure reported.
inline ScopedRegistryKey OpenKeyForRepair(const RegistryPlace& place, const wchar_t* path) {
  HKEY key = nullptr;
  LONG error =
      RegOpenKeyExW(place.root, path, 0, KEY_QUERY_VALUE | KEY_SET_VALUE | place.view, &key);
  if (error == ERROR_ACCESS_DENIED) {
    error = RegOpenKeyExW(place.root, path, 0, KEY_QUERY_VALUE | place.view, &key);
  }
  if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
    ReportKeyError("cannot open", place, path, error);
  }
  return ScopedRegistryKey(error == ERROR_SUCCESS ? key : nullptr);
}

}  // namespace dizi::tools
