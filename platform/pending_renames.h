// The system's list of what to do with files at the next restart, as Windows
// keeps it in the value PendingFileRenameOperations of
// HKLM\SYSTEM\CurrentControlSet\Control\Session Manager: names in UTF-16 LE,
// each ended by a null, read two at a time from the start; each pair is a
// file and its new name, and an empty new name means "delete the file".
// Windows writes the file's name in its own form, "\??\C:\dir\file"; other
// programs may write plain paths.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dizi {

struct PendingRenamesEdit {
  std::string bytes;        // the value's new data
  std::size_t removed = 0;  // deletions taken out
};

// The value's data without the deletions of the files `isFile` accepts by
// name. Every other pair, and whatever follows the last whole pair (the
// list's closing null, a name without its pair, a last odd byte), stays
// byte for byte.
PendingRenamesEdit WithoutDeletions(std::string_view bytes,
                                    const std::function<bool(std::u16string_view)>& isFile);

// True when the data holds no pair with a name: nothing is left to do.
bool HoldsNoOperation(std::string_view bytes);

// The names the list may give the file at `path` (a full path in UTF-16):
// the path itself, and the system's form of it ("\??\C:\..." or, for a
// network path "\\server\share\...", "\??\UNC\server\share\...").
std::vector<std::u16string> PendingRenameNames(std::u16string_view path);

}  // namespace dizi
