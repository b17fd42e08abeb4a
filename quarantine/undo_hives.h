// The users' hives a registry undo file needs loaded before its import: the
// repair program writes, above the values of a profile's hive that it loaded
// from its file itself (the user was not signed in), a comment whose fourth
// line is
//
//   ;   reg load HKU\<SID> "<profile folder>\NTUSER.DAT"
//
// (see tools/fservice/undo_text.h).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dizi {

struct HiveToLoad {
  std::string sid;   // its name under HKEY_USERS
  std::string file;  // UTF-8: a full local path ending in \NTUSER.DAT
};

struct HivesToLoad {
  std::vector<HiveToLoad> hives;  // each once, in the order first named
  // A load line this program would not have written: a name that is no SID,
  // a file that is not a profile's NTUSER.DAT on a local drive, text that is
  // not UTF-16. Empty when there is none.
  std::string damaged;
};

// Reads the load lines of an undo file's bytes (UTF-16LE with its byte order
// mark).
HivesToLoad ReadHivesToLoad(std::string_view bytes);

}  // namespace dizi
