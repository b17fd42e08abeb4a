// Whether a running process's image is the file kill.exe was given, decided
// from what the system says about both files.
#pragma once

#include <cstddef>
#include <string_view>

namespace dizi::tools {

// Room for any path the tools compare; a longer one is treated as unreadable.
inline constexpr std::size_t kPathCapacity = 1024;

// A path in a buffer of its own: the companion programs allocate nothing.
struct PathText {
  char text[kPathCapacity] = {};
  std::size_t length = 0;

  std::string_view View() const { return {text, length}; }
  // Replaces the text; false, leaving it empty, when `path` does not fit.
  bool Assign(std::string_view path);
};

// A drive letter and the device the system maps it to, as QueryDosDevice
// reports it: 'C' and "\Device\HarddiskVolume1".
struct DriveDevice {
  char drive;
  std::string_view device;
};

// `path` as the Win32 file functions take it: the "\\?\", "\\.\" and "\??\"
// prefixes dropped ("\\?\UNC\server\..." becomes "\\server\..."), and a
// device path ("\Device\HarddiskVolume1\...") turned into one on the drive
// mapped to that device. False when no drive is mapped to the device or the
// result does not fit.
bool ToWin32Path(std::string_view path, const DriveDevice* drives, std::size_t driveCount,
                 PathText& out);

// Which file a path leads to: the volume's serial number and the file's index
// on it, and how many names (hard links) the file has. Unknown when the file
// could not be opened, or when its file system gives no index.
struct FileIdentity {
  bool known = false;
  unsigned long volume = 0;
  unsigned long indexHigh = 0;
  unsigned long indexLow = 0;
  unsigned long links = 1;
};

// True when both identities are known and name the same file.
bool SameIdentity(const FileIdentity& a, const FileIdentity& b);

// What kill.exe learned about one file: its identity, and its path in Win32
// form (empty when unreadable).
struct FileFacts {
  FileIdentity identity;
  std::string_view path;
};

// True when the process's image file is the target file. Known identities
// decide, whatever names the paths use (8.3 names, other case). But a file
// with more than one name (hard links) is matched by its path only: a family
// file linked to a program of the system must not make that program's
// processes the family's. Without identities the paths decide too. Paths are
// compared without regard to case; but where one path text can name two files
// (a 32-bit program on 64-bit Windows, which sees another folder than the
// system reports under "system32"), no path matches.
bool IsSameFile(const FileFacts& target, const FileFacts& image, bool pathsAmbiguous);

// `path` moved from the folder `from` into the folder `to`: "C:\W\system32\a.exe"
// from "C:\W\system32" to "C:\W\SysWOW64" is "C:\W\SysWOW64\a.exe". False,
// leaving `out` empty, when the path does not lie below `from` (compared
// without regard to case), a folder is empty, or the result does not fit.
bool MoveToFolder(std::string_view path, std::string_view from, std::string_view to, PathText& out);

}  // namespace dizi::tools
