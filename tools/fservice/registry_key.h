// Opens the registry keys fservice.exe works on.
#pragma once

#include <windows.h>

#include "platform/win32/scoped_handle.h"

namespace dizi::tools {

// Opens `root`\`path` with `access` (which may carry a registry view flag).
// The result holds no key when it cannot be opened; `error` says why.
inline ScopedRegistryKey OpenRegistryKey(HKEY root, const char* path, REGSAM access, LONG& error) {
  HKEY key = nullptr;
  error = RegOpenKeyExA(root, path, 0, access, &key);
  return ScopedRegistryKey(error == ERROR_SUCCESS ? key : nullptr);
}

}  // namespace dizi::tools
