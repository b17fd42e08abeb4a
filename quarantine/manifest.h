// The quarantine's manifest: one UTF-8 JSON object a line (JSON Lines),
// appended to and never rewritten, so that a line once written stays. Each
// line is one event:
//
//   kept            {"event","id","time","path","size","sha256","kind"}: a
//                   found file was kept as item `id`; sha256 is null when the
//                   system could not compute it
//   original        {"event","id","time","path","original"}: what became of
//                   the kept file's original after its removal: "deleted",
//                   "deleted at restart" or "left, delete by hand"; a file
//                   found again later gets a further line
//   not kept        {"event","time","path","kind","reason","original"}
//   restored        {"event","id","time","path","replaced","verified"}
//   in place        {"event","id","time","path"}: the original's very bytes
//                   were at its path already, and stay there for good
//   restore failed  {"event","id","time","path","reason"}
//   deleted         {"event","id","time"}: the item was removed for good
//   delete failed   {"event","id","time","reason"}
//   imported        {"event","file","time"}: a registry undo file was imported
//   import failed   {"event","file","time","reason"}
//
// Times are UTC, "2024-05-17T14:23:01Z"; paths are full paths in UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace dizi {

inline constexpr char kManifestName[] = "manifest.jsonl";

// The lines, each ended by a line feed.
std::string KeptEvent(const UtcTime& time, std::string_view id, std::string_view path,
                      std::uint64_t size, std::string_view sha256, std::string_view kind);
std::string OriginalEvent(const UtcTime& time, std::string_view id, std::string_view path,
                          std::string_view original);
std::string NotKeptEvent(const UtcTime& time, std::string_view path, std::string_view kind,
                         std::string_view reason, std::string_view original);
std::string RestoredEvent(const UtcTime& time, std::string_view id, std::string_view path,
                          bool replaced, bool verified);
std::string InPlaceEvent(const UtcTime& time, std::string_view id, std::string_view path);
std::string RestoreFailedEvent(const UtcTime& time, std::string_view id, std::string_view path,
                               std::string_view reason);
std::string DeletedEvent(const UtcTime& time, std::string_view id);
std::string DeleteFailedEvent(const UtcTime& time, std::string_view id, std::string_view reason);
std::string ImportedEvent(const UtcTime& time, std::string_view file);
std::string ImportFailedEvent(const UtcTime& time, std::string_view file, std::string_view reason);

// An item as the manifest's events leave it.
struct ManifestItem {
  std::string id;
  std::string time;  // when it was kept
  std::string path;  // UTF-8
  std::uint64_t size = 0;
  std::string sha256;  // 64 lower-case hexadecimal digits; empty when none was recorded
  std::string kind;
  // "kept" until its removal is noted, then what became of the original,
  // "restored" once it was put back.
  std::string state;
};

// A line nothing is done with, as the restore window and a restore without
// one report it.
struct DamagedLine {
  std::size_t number = 0;  // counted from 1
  std::string id;          // the item's id when the line gives one that is fit
  std::string reason;      // "its path ...": the end of a sentence about the line
};

// The most damaged lines told one by one: a manifest that is garbage
// throughout would otherwise make a list as long as itself.
inline constexpr std::size_t kMostDamagedLinesTold = 100;

struct ManifestContents {
  // The items kept and not deleted since, in the order they were kept.
  std::vector<ManifestItem> items;
  // The first kMostDamagedLinesTold damaged lines, and how many more there are.
  std::vector<DamagedLine> damaged;
  std::size_t moreDamaged = 0;
};

// Reads the manifest's events. A line that is not one JSON object (cut short
// by a power failure, say), names no event, or is one of the events above
// with a field that fails its check (manifest_checks.h) is damaged, and an
// item whose "kept" line is damaged is not among the items, nor an earlier
// one of the same id. A line of an event this version does not know is
// passed over.
ManifestContents ParseManifest(std::string_view manifest);

}  // namespace dizi
