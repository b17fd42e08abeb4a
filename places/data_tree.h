// The program's own folders, "<common application data>\DiziTarvix" and the
// folders below it (places/data_tree_names.h). The program runs with
// administrator rights, and every user may make folders in the common
// application data folder: so a folder of the data tree is used only when it
// is no link, is owned by Administrators or the system, and grants nobody
// else the right to change it (platform/folder_trust.h), every folder from
// the common application data folder down. The program makes what is missing
// itself, for administrators and the system only. A folder that fails the
// check is never written into, read from or trusted: it is renamed aside, kept
// as it is, and made anew.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace dizi {

enum class DataFolder {
  Root,        // <common application data>\DiziTarvix
  Quarantine,  // ...\Quarantine
  Reports,     // ...\Reports
  Program,     // ...\Program
};

// A folder of the data tree, checked and held with every folder above it for
// as long as this lives: its path names the folder that was checked. Or, when
// it cannot be had, why not.
class CheckedFolder {
 public:
  CheckedFolder() = default;
  CheckedFolder(CheckedFolder&&) = default;
  CheckedFolder& operator=(CheckedFolder&&) = default;

  explicit operator bool() const { return !path_.empty(); }
  // The folder's full path; empty when it cannot be used.
  const std::string& Path() const { return path_; }
  // Why it cannot be used; empty when it can.
  const std::string& Problem() const { return problem_; }
  // One line for each folder that was set aside on the way, naming it, why
  // and its new name.
  const std::vector<std::string>& SetAside() const { return setAside_; }

 private:
  friend class DataTreeWalk;
  friend CheckedFolder OpenDataFolder(Platform& platform, DataFolder which);

  std::vector<std::unique_ptr<HeldFolder>> held_;
  std::string path_;
  std::string problem_;
  std::vector<std::string> setAside_;
};

// Checks, makes where missing and holds every folder from the common
// application data folder down to `which`, setting aside each that fails its
// check (see above).
CheckedFolder OpenDataFolder(Platform& platform, DataFolder which);

// Where `which` lies, unchecked: for telling the user. Empty when the system
// does not say where its common application data folder is.
std::string DataFolderPath(Platform& platform, DataFolder which);

}  // namespace dizi
