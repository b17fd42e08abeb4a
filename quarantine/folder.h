// Where the quarantine keeps its items, its manifest and the registry undo
// files of the repair program.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace dizi {

// "<common application data>\DiziTarvix\Quarantine", e.g.
// C:\ProgramData\DiziTarvix\Quarantine; empty when the system does not say
// where its common application data folder is.
std::string QuarantineFolder(Platform& platform);

std::string ManifestPath(const std::string& folder);
std::string ItemPath(const std::string& folder, std::string_view id);

// The manifest's text; empty when there is none yet or it cannot be read.
std::string ReadManifest(Platform& platform, const std::string& folder);

// Appends one event line to the manifest in `folder`.
Outcome AppendEvent(Platform& platform, const std::string& folder, std::string_view line);

}  // namespace dizi
