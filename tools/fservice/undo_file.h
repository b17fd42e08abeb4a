// The registry undo files of one run of fservice.exe, in the quarantine
// folder (made when missing, for administrators and the system only): every
// value as it was before the program changes or deletes it, in the format the
// registry editor and "reg import" read (see undo_text.h).
//
// One file for the changes in the program's own view of the registry,
// "registry-undo-<UTC date>-<UTC time>.reg", and on 64-bit Windows one for
// those in the 64-bit view, "...-64-bit-view.reg": a file holds no view, and
// each is imported into its own. Each is made at the first change it is for.
//
// A user's values are recorded under HKEY_USERS\<the user's SID>, so that an
// import by anyone puts them back into that user's hive; the values of a
// profile's hive that the program loaded from its file itself come below a
// comment saying how to load it again (see AppendHiveLoadComment).
#pragma once

#include <windows.h>

#include "fservice/registry_change.h"
#include "fservice/undo_folder.h"
#include "fservice/wide_buffer.h"
#include "platform/win32/scoped_handle.h"

namespace dizi::tools {

class UndoFiles {
 public:
  // Takes the run's start time, which names its files.
  UndoFiles();

  // Appends the value as it is now, before `change`, to the file of the
  // change's registry view and flushes it to disk. ERROR_SUCCESS once it is
  // there; otherwise the error, and the file takes nothing more this run.
  DWORD Save(const ValueChange& change);

 private:
  struct File {
    ScopedFileHandle handle;
    DWORD failure = ERROR_SUCCESS;
    // The place whose values were last written below a comment on loading
    // its hive (see AppendHiveLoadComment).
    WideBuffer commented_place;
  };

  DWORD Create(File& file, bool view64);
  static DWORD Write(File& file, const void* bytes, DWORD size);

  SYSTEMTIME started_;
  UndoFolder folder_;
  File own_view_;
  File view64_;
};

}  // namespace dizi::tools
