// What is done to every file of the family that a scan finds.
#pragma once

#include <string>

namespace dizi {

struct ScanContext;
struct Signature;

enum class TargetKind { Server, Downloader };

// Logs the find, starts both kill commands for its image name (and, for a
// server file, aborts any pending shutdown), deletes the file under the
// program-wide retry budget and logs what really became of it: deleted,
// deleted at the next restart, or to be deleted by hand.
void RemoveTarget(ScanContext& context, TargetKind kind, const std::string& path,
                  const Signature& entry);

}  // namespace dizi
