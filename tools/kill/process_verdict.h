// What kill.exe does with a process it identified as one to end: end it, or
// leave it running, and why.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dizi::tools {

// Whether Windows marks the process critical: ending such a process stops
// the system at once (a blue screen).
enum class CriticalMark {
  Absent,
  Present,
  Unreadable,  // the system would not say
};

// The mark from what NtQueryInformationProcess answers for
// ProcessBreakOnTermination: its status and, on success, the value read. A
// system that does not know that information class marks no process.
CriticalMark CriticalMarkFrom(std::int32_t status, unsigned long value);

// True when the image is one of Windows' own programs: a name Windows runs
// its own processes under (smss.exe, csrss.exe, services.exe, ...), directly
// in one of `systemFolders` (the system folder and, on 64-bit Windows, the
// 32-bit one), compared without regard to case. A file of such a name
// anywhere else, the Windows folder included, is not Windows' own.
bool IsWindowsOwnImage(std::string_view imagePath, const std::string_view* systemFolders,
                       std::size_t folderCount);

// What kill.exe knows of an identified process when it decides.
struct ProcessFacts {
  bool windowsOwn;        // its image is one of Windows' own programs
  CriticalMark critical;  // as read through the handle kill.exe holds
  bool mayEnd;            // that handle carries the right to end it
};

enum class Verdict {
  End,                      // end it through the handle held
  LeaveWindowsOwn,          // left running: one of Windows' own programs
  LeaveCritical,            // left running: marked critical
  LeaveCriticalUnreadable,  // left running: whether it is critical is not known
  CannotEnd,                // to be ended, but the system denied the right to
};

// Windows' own programs and every process that is or may be critical are
// left running; the rest is ended where the right to was granted.
Verdict Judge(const ProcessFacts& facts);

}  // namespace dizi::tools
