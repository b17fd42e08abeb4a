// What the system says about a process's image file and about a file, for
// kill.exe's path form. Each is read with the functions the running Windows
// version has, looked up when run.
#pragma once

#include <windows.h>

#include "kill/image_match.h"
#include "platform/win32/scoped_handle.h"

namespace dizi::tools {

// The process's image path with QueryFullProcessImageNameA (Windows Vista and
// later). False where that is missing or fails.
bool ReadImagePathByName(HANDLE process, PathText& out);

// The same with GetProcessImageFileNameA of psapi.dll (Windows XP and later),
// its device path turned into one on a drive letter. False where that fails.
bool ReadImagePathByDevice(HANDLE process, PathText& out);

// The first of the two that works. `process` needs the right to query
// (limited) information.
bool ReadImagePath(HANDLE process, PathText& out);

// The Vista-and-later right to query the image path of any process, protected
// ones included; not in the XP-level headers.
inline constexpr DWORD kQueryLimitedInformation = 0x1000;

// Opens the process with the right to read its image path and, where it is
// granted, all other information; empty on failure.
ScopedHandle OpenToQuery(DWORD id);

// Which file `path` leads to, opened for its attributes only and sharing
// everything, so that a file in use is identified too. `asReported` takes the
// path as the system reports process images, without the redirection a 32-bit
// program's "system32" gets on 64-bit Windows; otherwise the path is taken as
// this program sees it.
FileIdentity IdentityOf(const char* path, bool asReported);

// Replaces 8.3 short names in the path of an existing file by the long ones;
// leaves it as it is when that cannot be done.
void ExpandShortNames(PathText& path);

}  // namespace dizi::tools
