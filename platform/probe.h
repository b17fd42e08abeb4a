// The existence test of every scan and of the start-up checks.
#pragma once

#include <string>

#include "platform/platform.h"

namespace dizi {

// True when the path can be opened for reading as a file. A file that exists
// but cannot be read counts as absent and is left alone.
inline bool Probe(Platform& platform, const std::string& path) {
  return platform.CanOpenForReading(path);
}

}  // namespace dizi
