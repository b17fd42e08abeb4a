// The system's list of what to do with files at the next restart
// (platform/pending_renames.h), changed in the registry.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace dizi {

// Takes every deletion of a file named one of `names` (UTF-16, compared
// without regard to case as Windows compares file names) out of the list,
// leaving the rest of it byte for byte; removes the value when nothing is
// left in it. Succeeds when there is no list, or no such deletion in it.
Outcome CancelPendingDeletions(const std::vector<std::u16string>& names);

}  // namespace dizi
