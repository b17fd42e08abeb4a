// The folder fservice.exe writes its registry undo files to: the quarantine,
// "<common application data>\DiziTarvix\Quarantine", checked by the same rules
// as DiziTarvix.exe checks it (platform/folder_trust.h) and held while the
// program runs.
#pragma once

#include <windows.h>

#include "platform/win32/folder_security.h"
#include "platform/win32/scoped_handle.h"

namespace dizi::tools {

class UndoFolder {
 public:
  // Finds the folder, makes what is missing of it for administrators and the
  // system only, checks every folder from the common application data folder
  // down and holds them. ERROR_SUCCESS when it can be written to; otherwise
  // the error. A folder that fails the check is reported (which and why) and
  // gives ERROR_ACCESS_DENIED: it is never written to, and DiziTarvix.exe sets
  // it aside and makes it anew when it runs. Only the first call does the
  // work; later calls give its result again.
  DWORD Open();

  // The folder's full path, once Open succeeded.
  const char* Path() const { return path_; }

 private:
  DWORD OpenOnce();
  // Makes the folder `path_` when missing, holds it and judges it.
  DWORD Take(ScopedFileHandle& held, const char* trusted_owner);

  bool tried_ = false;
  DWORD result_ = ERROR_SUCCESS;
  char path_[MAX_PATH] = {};
  ScopedFileHandle held_[3];
  FolderSecurity common_;  // the common application data folder's
};

}  // namespace dizi::tools
