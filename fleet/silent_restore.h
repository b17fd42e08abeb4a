// Putting files back from the quarantine without a window, for deployment
// tools: "/restore:all" or "/restore:<id>".
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dizi {

class Platform;

// The exit codes of a restore.
inline constexpr int kExitRestored = 0;     // every item asked for is back in place
inline constexpr int kExitNotRestored = 3;  // an item could not be put back
inline constexpr int kExitNoSuchItem = 5;   // no item has the id given

struct RestoreRun {
  int exitCode = kExitRestored;
  // One line per item, saying what became of it (or why nothing was done).
  std::vector<std::string> lines;
};

// Restores the quarantine's item `id`, or every item when `id` is nothing,
// never over a file that is there: a file at the original's path with the
// item's very bytes counts as put back already, any other stays as it is and
// the item is not restored. Every restore is noted in the quarantine's
// manifest. Without administrator rights nothing is done (exit code 4). A
// quarantine folder that failed its check is set aside first, and said so;
// one that cannot be used restores nothing (exit code 3) and says why.
RestoreRun RestoreSilently(Platform& platform, const std::optional<std::string>& id);

}  // namespace dizi
