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

// What the quarantine holds, as its manifest and its folder tell.
struct QuarantineContents {
  // Every item kept and not deleted, oldest first.
  std::vector<QuarantineItem> items;
  // The manifest's lines nothing is done with (the first of them, and how
  // many more there are).
  std::vector<DamagedLine> damaged;
  std::size_t moreDamaged = 0;
  // Why the manifest could not be read; empty when it was, or when there is
  // none.
  std::string manifestProblem;
  // The item files ("<id>.dzq") that no item names, by name, when the
  // manifest could not be read, is missing or has damaged lines: what may
  // be kept there with nothing to restore it by.
  std::vector<std::string> strayItemFiles;

  // True when something kept may be missing from the items.
  bool Incomplete() const {
    return !manifestProblem.empty() || !damaged.empty() || !strayItemFiles.empty();
  }
};

QuarantineContents ReadQuarantine(Platform& platform);

// What the contents leave untold, one sentence each (without the full
// stop): why the manifest could not be read, each damaged line and why, and
// each stray item file. Empty when nothing is.
std::vector<std::string> ContentsProblems(const QuarantineContents& contents);

// The items alone (ReadQuarantine's).
std::vector<QuarantineItem> QuarantineItems(Platform& platform);

// What to do when a file exists at the original's path.
enum class ExistingFile {
  Keep,     // restore nothing, unless it is the original already
  Replace,  // put the kept file in its place, in one step
};

enum class RestoreStatus {
  Restored,      // the original's bytes are back at its path
  InPlace,       // ExistingFile::Keep, and the file there has the original's very bytes
  TargetExists,  // ExistingFile::Keep, and another file is there (or one that cannot be compared)
  Failed,        // the original is not back for good
};

struct RestoreOutcome {
  RestoreStatus status = RestoreStatus::Failed;
  // Restored: the bytes written have the SHA-256 the manifest recorded;
  // false only for an item kept without one (then its size was checked).
  bool verified = false;
  bool replaced = false;  // Restored: a file that was at the path was replaced
  // Failed: why. TargetExists: why the file there could not be compared with
  // the original; empty when it differs.
  std::string reason;
};

// Puts the item's original back at its path for good. The bytes are written
// beside it first (a new file in the same folder), the copy stops as soon as
// it passes the recorded size, and only bytes of that size and SHA-256 are
// moved to the path, in one step: never over a file that appeared meanwhile,
// over an existing file only with ExistingFile::Replace. Then every pending
// deletion of the path at the next restart is withdrawn (the scan may have
// registered one), and only then is the original back. Whatever fails, the
// path holds nothing of the item and no new file is left beside it.
// Restoring leaves the item in the quarantine.
RestoreOutcome RestoreItem(Platform& platform, const QuarantineItem& item, ExistingFile existing);

// Restores the item with this id; Failed when there is none, with the
// reason (a damaged manifest line, a manifest that cannot be read).
RestoreOutcome RestoreItemById(Platform& platform, const std::string& id, ExistingFile existing);

struct ItemRestore {
  std::string id;
  RestoreOutcome outcome;
};

// Restores every item, oldest first.
std::vector<ItemRestore> RestoreAllItems(Platform& platform, ExistingFile existing);

// Removes the item's file from the quarantine for good. Fails (and keeps the
// manifest's item) when the file stays; a file gone already counts as
// removed.
Outcome DeleteItem(Platform& platform, const QuarantineItem& item);

// The repair program's registry undo files in the quarantine, by name,
// oldest first: "registry-undo-<yyyymmdd>-<hhmmss>[-NN].reg" for the changes
// in the program's own view of the registry,
// "registry-undo-<yyyymmdd>-<hhmmss>[-NN]-64-bit-view.reg" for those it made
// in the 64-bit view of 64-bit Windows; only files of such a name that begin
// as the repair program begins them (UTF-16 LE with its byte order mark,
// "Windows Registry Editor Version 5.00" and an empty line). What makes them
// the repair program's own is the folder: only administrators and the system
// may write there. The name and the beginning keep out whatever else lies in
// it, which Import would otherwise hand to the registry tool.
std::vector<std::string> UndoFiles(Platform& platform);

// The beginning of an undo file, as the repair program writes it.
std::string UndoFileHeader();

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
