// A process that just stays alive until it is ended from outside; copied under
// several names to check that the kill tool ends exactly the named ones.
//   sleeper.exe              sleeps
//   sleeper.exe PATH         first opens PATH for reading, sharing reading and
//                            writing but not deletion, and keeps it open, so
//                            that the file cannot be deleted while it runs
//   sleeper.exe PATH lock    the same, sharing nothing: the file cannot even
//                            be read by others
//   sleeper.exe PATH protect the same as the first, and its process denies
//                            everyone the right to end it (every other right
//                            stays granted): no kill tool can end it, but
//                            every one can still read its image path
//   sleeper.exe /mutex NAME  first creates the mutex NAME and keeps it, as a
//                            process squatting on a kernel object name would
// It writes "ready <its process id>" on standard output once it sleeps (exit
// code 3 when the file cannot be opened or the mutex was there already, 4 when
// it cannot protect itself).
#include <windows.h>

#include <aclapi.h>

#include <stdio.h>

#include "platform/win32/scoped_handle.h"

namespace {

// Every right to a process, the limited query right of Vista and later
// included (PROCESS_ALL_ACCESS of the XP-level headers lacks it).
constexpr DWORD kAllProcessRights = STANDARD_RIGHTS_REQUIRED | SYNCHRONIZE | 0xFFFF;

// Denies PROCESS_TERMINATE to Everyone on this process and grants the rest.
bool ProtectAgainstEnding() {
  char everyone[] = "EVERYONE";
  EXPLICIT_ACCESSA entries[2] = {};
  BuildExplicitAccessWithNameA(&entries[0], everyone, PROCESS_TERMINATE, DENY_ACCESS,
                               NO_INHERITANCE);
  BuildExplicitAccessWithNameA(&entries[1], everyone, kAllProcessRights & ~PROCESS_TERMINATE,
                               GRANT_ACCESS, NO_INHERITANCE);
  PACL list = nullptr;
  if (SetEntriesInAclA(2, entries, nullptr, &list) != ERROR_SUCCESS) {
    return false;
  }
  const bool set = SetSecurityInfo(GetCurrentProcess(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION,
                                   nullptr, nullptr, list, nullptr) == ERROR_SUCCESS;
  LocalFree(list);
  return set;
}

}  // namespace

int main(int argc, char** argv) {
  dizi::ScopedFileHandle held;
  dizi::ScopedHandle mutex;
  const char* mode = argc > 2 ? argv[2] : "";
  if (argc > 2 && lstrcmpA(argv[1], "/mutex") == 0) {
    mode = "";
    mutex = dizi::ScopedHandle(CreateMutexA(nullptr, TRUE, argv[2]));
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
      return 3;
    }
  } else if (argc > 1) {
    const bool lock = lstrcmpA(mode, "lock") == 0;
    const DWORD sharing = lock ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    held = dizi::ScopedFileHandle(CreateFileA(argv[1], GENERIC_READ, sharing, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held) {
      return 3;
    }
  }
  if (lstrcmpA(mode, "protect") == 0 && !ProtectAgainstEnding()) {
    return 4;
  }
  char ready[32];
  const int length = sprintf(ready, "ready %lu\n", GetCurrentProcessId());
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), ready, static_cast<DWORD>(length), &written, nullptr);
  Sleep(INFINITE);
  return 0;
}
