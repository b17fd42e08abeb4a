// The machine's folders and environment, as Windows gives them to the
// autostart matching.
#pragma once

#include <windows.h>

#include "fservice/autostart_command.h"
#include "fservice/machine_lookup.h"

namespace dizi::tools {

class SystemFolders {
 public:
  // Asks Windows where its folders are; false when it does not say.
  bool Find();

  FamilyFolders Family() const;
  // Windows' default Userinit entry with its separator:
  // "<system folder>\userinit.exe,".
  WideView DefaultUserinit() const { return {userinit_, userinit_length_}; }

 private:
  // One folder's path, without a trailing backslash.
  struct Folder {
    wchar_t path[MAX_PATH] = {};
    UINT length = 0;

    WideView View() const { return {path, length}; }
  };

  Folder windows_;
  Folder system_;
  Folder legacy_system_;
  Folder system_wow64_;
  wchar_t userinit_[MAX_PATH + 16] = {};
  UINT userinit_length_ = 0;
};

// Environment variables and long names from Windows.
class WindowsLookup final : public MachineLookup {
 public:
  bool AppendVariable(WideView name, WideBuffer& out) const override;
  bool AppendLongPath(WideView path, WideBuffer& out) const override;
};

}  // namespace dizi::tools
