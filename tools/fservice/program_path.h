// The path of a program as Windows opens it, worked out from the text alone.
#pragma once

#include "fservice/wide_buffer.h"
#include "fservice/wide_text.h"

namespace dizi::tools {

// Appends `path` to `out` in the form Windows opens it in (what
// GetFullPathName makes of it, without looking at the disk):
// - a "\\?\" prefix is dropped and the rest taken literally;
// - otherwise slashes become backslashes, repeated separators count once, "."
//   and ".." components are resolved (never above the drive or share), and
//   trailing dots and blanks of the last component are dropped.
// A path ending with a separator keeps one: it names a folder, not a file.
// A relative path stays relative, with the ".." it cannot resolve. `out` must
// hold nothing else. False when out of memory.
bool AppendNormalPath(WideView path, WideBuffer& out);

struct PathParts {
  WideView folder;  // without the separator before the name; empty for a name alone
  WideView name;    // the last component; empty when the path ends with a separator
};

// The folder and name of a path as AppendNormalPath gives it.
PathParts SplitPath(WideView path);

// Whether a file name, as written, has an extension (holds a dot): Windows
// adds ".exe" only to a program's name without one.
bool HasExtension(WideView name);

}  // namespace dizi::tools
