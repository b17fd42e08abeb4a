// Putting kept files back, removing items for good, and importing the repair
// program's registry undo files: what the restore dialog offers, and what a
// run without a window can call. Every action is recorded in the manifest.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "quarantine/manifest.h"

namespace dizi {

struct SystemPaths;

// An item of the quarantine as the manifest describes it.
struct QuarantineItem {
  ManifestItem record;
  // The original path in the system's code page, as the program names files;
  // nothing when the path has characters this system's code page lacks.
  std::optional<std::string> path;
};

// Every item kept and not deleted, oldest first.
std::vector<QuarantineItem> QuarantineItems(Platform& platform);

// What to do when a file exists at the original's path.
enum class ExistingFile {
  Keep,     // restore nothing
  Replace,  // put the kept file in its place, in one step
};

enum class RestoreStatus {
  Restored,      // the original's bytes are back at its path
  TargetExists,  // a file is there and ExistingFile::Keep was asked for
  Failed,        // nothing changed at the original's path
};

struct RestoreOutcome {
  RestoreStatus status = RestoreStatus::Failed;
  // Restored: the bytes written have the SHA-256 the manifest recorded;
  // false only for an item kept without one (then its size was checked).
  bool verified = false;
  bool replaced = false;  // Restored: a file that was at the path was replaced
  std::string reason;     // Failed: why
};

// Writes the item's original bytes back to its path. A file written there
// whose SHA-256 differs from the recorded one (a damaged item) is removed
// again. Restoring leaves the item in the quarantine.
RestoreOutcome RestoreItem(Platform& platform, const QuarantineItem& item, ExistingFile existing);

// Restores the item with this id; Failed when there is none.
RestoreOutcome RestoreItemById(Platform& platform, const std::string& id, ExistingFile existing);

struct ItemRestore {
  std::string id;
  RestoreOutcome outcome;
};

// Restores every item, oldest first; an item whose original is back already
// counts as TargetExists under ExistingFile::Keep.
std::vector<ItemRestore> RestoreAllItems(Platform& platform, ExistingFile existing);

// Removes the item's file from the quarantine for good. Fails (and keeps the
// manifest's item) when the file stays.
Outcome DeleteItem(Platform& platform, const QuarantineItem& item);

// The repair program's registry undo files in the quarantine, by name,
// oldest first: "registry-undo-<time>.reg" for the changes in the program's
// own view of the registry, "registry-undo-<time>-64-bit-view.reg" for those
// it made in the 64-bit view of 64-bit Windows.
std::vector<std::string> UndoFiles(Platform& platform);

// The system's registry tool importing an undo file from the quarantine, in
// the registry view the file is for.
Command ImportUndoCommand(const SystemPaths& paths, const std::string& folder,
                          const std::string& name);

// Imports the undo file `name` (one of UndoFiles) and waits for that, up to
// a minute; fails when the tool reports a failure or does not end in time.
// A user's hive the file asks to be loaded (see ReadHivesToLoad) that is not
// loaded is loaded from its file for the import and unloaded again, however
// the import ends; when one cannot be loaded, nothing is imported.
Outcome ImportUndoFile(Platform& platform, const SystemPaths& paths, const std::string& name);

}  // namespace dizi
