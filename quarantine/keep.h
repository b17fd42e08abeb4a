// Keeping a found file in the quarantine before it is removed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace dizi {

struct KeptFile {
  bool kept = false;
  std::string id;      // the item's id, when kept
  std::string sha256;  // the original's SHA-256 in hex, when kept; empty when not computed
  std::string reason;  // why it was not kept: the system's words where it gave some
  // Folders of the quarantine's path that failed their check and were set
  // aside on the way, one line each (places/data_tree.h).
  std::vector<std::string> setAside;
};

// Copies the file at `path` (a full path) into the quarantine as a new item,
// defanged (see item_format.h), and records it in the manifest with its size,
// SHA-256 and `kind`. Makes the quarantine folder when missing. Never touches
// the original, and leaves no partial item behind: when any step fails (the
// file cannot be read, the disk is full, the manifest cannot be written) the
// result says why.
KeptFile KeepFile(Platform& platform, const std::string& path, std::string_view kind);

// Records what became of the original once the removal is over (`original`:
// "deleted", "deleted at restart", "left, delete by hand"): for a kept file
// by its item's id, for one that could not be kept with the reason. A
// manifest that cannot be written is left as it is.
void NoteOriginal(Platform& platform, const std::string& path, std::string_view kind,
                  const KeptFile& kept, std::string_view original);

}  // namespace dizi
