// Where the quarantine keeps its items, its manifest and the registry undo
// files of the repair program: the data tree's Quarantine folder, checked and
// held while it is used (places/data_tree.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "places/data_tree.h"
#include "platform/platform.h"

namespace dizi {

// "<common application data>\DiziTarvix\Quarantine", e.g.
// C:\ProgramData\DiziTarvix\Quarantine, checked and held; or why it cannot
// be used.
CheckedFolder OpenQuarantine(Platform& platform);

std::string ManifestPath(const std::string& folder);
std::string ItemPath(const std::string& folder, std::string_view id);

// The most a manifest is read of: some hundred thousand items' lines.
inline constexpr std::size_t kLargestManifest = 64 * 1024 * 1024;

struct ManifestText {
  std::string text;     // empty when there is none yet, or it cannot be read
  std::string problem;  // why a manifest that is there cannot be read; empty otherwise
};

// The manifest's text, or why it cannot be read.
ManifestText ReadManifest(Platform& platform, const std::string& folder);

// Appends one event line to the manifest in `folder`.
Outcome AppendEvent(Platform& platform, const std::string& folder, std::string_view line);

}  // namespace dizi
