// The family's file names, as the engine's signature tables list them.
#pragma once

#include <string_view>

namespace dizi::tools {

// True when `name`, a bare file name, is the name of one of the family's files
// (any entry of the server or the downloader table), without regard to case.
bool IsFamilyFileName(std::string_view name);

}  // namespace dizi::tools
