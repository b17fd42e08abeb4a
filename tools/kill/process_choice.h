// Which running processes kill.exe ends.
#pragma once

#include <string_view>

namespace dizi::tools {

// One process as the system's process snapshot lists it. `image` is the
// snapshot's file name: a bare name on Windows NT and later, the full path of
// the image on Windows 9x.
struct ProcessEntry {
  unsigned long id;
  std::string_view image;
};

// True when the process runs the image named `wanted` (compared as whole file
// names, without regard to case) and is not kill.exe's own process, `self_id`.
bool ShouldEnd(const ProcessEntry& process, std::string_view wanted, unsigned long self_id);

}  // namespace dizi::tools
