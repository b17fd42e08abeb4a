// The program's own folders on Windows: holding one, reading what the trust
// rules (platform/folder_trust.h) judge, making one for administrators and the
// system only. Free of exceptions and of the C++ library's allocation, so that
// the companion programs use it as DiziTarvix.exe does.
#pragma once

#include <windows.h>

#include "platform/folder_trust.h"
#include "platform/win32/scoped_handle.h"

namespace dizi {

// The common application data folder (C:\ProgramData; on Windows XP the
// "Application Data" folder of "All Users") in `path`, without a trailing
// backslash; false when Windows does not say where it is.
bool FindCommonAppDataFolder(char (&path)[MAX_PATH]);

// Opens the folder at `path` itself (a link is not followed) to hold it: it
// is shared with readers and writers but not with deleters, so that while the
// handle is open nobody can rename, move or delete it. Also grants the right
// to read its owner and access list. An empty handle on failure.
ScopedFileHandle OpenFolderToHold(const char* path);

// A folder's owner and access list as the system gives them, readable as
// FolderFacts for as long as this lives.
class FolderSecurity {
 public:
  FolderSecurity() = default;
  ~FolderSecurity();
  FolderSecurity(const FolderSecurity&) = delete;
  FolderSecurity& operator=(const FolderSecurity&) = delete;

  // Reads them through a handle of OpenFolderToHold. ERROR_SUCCESS or the
  // error that stopped it.
  DWORD Read(HANDLE folder);

  // The facts, with `reparsePoint` as the folder's attributes say.
  FolderFacts Facts(bool reparsePoint) const;

 private:
  void Release();

  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  char* owner_ = nullptr;      // LocalAlloc'd text, or null
  FolderAce* aces_ = nullptr;  // LocalAlloc'd array
  char** aceSids_ = nullptr;   // LocalAlloc'd texts, each may be null
  DWORD aceCount_ = 0;
  bool noAccessList_ = false;
};

// Makes a new folder at `path` (its parent must exist), owned by the
// Administrators group, usable by administrators and the system only and by
// everything made in it, nothing inherited from above. ERROR_SUCCESS, or the
// error (ERROR_ALREADY_EXISTS when anything is at `path`).
DWORD MakeProtectedFolder(const char* path);

}  // namespace dizi
