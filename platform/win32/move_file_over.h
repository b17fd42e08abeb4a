// Moving a file over another in one step.
#pragma once

#include <string>

namespace dizi {

// Moves `from` over `to`, replacing an existing `to`, written through to the
// disk. Fails with ERROR_ACCESS_DENIED for a read-only `to`, as Windows does
// everywhere (Wine run as root would replace it). False, with GetLastError
// set and both files unchanged, when it fails.
bool MoveFileOver(const std::string& from, const std::string& to);

}  // namespace dizi
