// Replacing a file's whole content in one step, through the platform: the
// bytes go to a new file in the target's folder first, which then takes the
// old file's place, so a reader sees the old content or the new, never a part.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace dizi {

// Writes `content` over `target`, making the new file in `directory` (the
// target's folder). On any failure the new file is removed again, the target
// stays exactly as it was, and the reason says which step failed.
Outcome ReplaceInOneStep(Platform& platform, const std::string& directory,
                         const std::string& target, std::string_view content);

}  // namespace dizi
