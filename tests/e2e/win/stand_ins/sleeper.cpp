// A process that just stays alive until it is ended from outside; copied under
// several names to check that the kill tool ends exactly the named ones.
//   sleeper.exe           sleeps
//   sleeper.exe PATH      first opens PATH for reading, sharing reading and
//                         writing but not deletion, and keeps it open, so that
//                         the file cannot be deleted while it runs
//   sleeper.exe PATH lock the same, sharing nothing: the file cannot even be
//                         read by others
//   sleeper.exe /mutex NAME
//                         first creates the mutex NAME and keeps it, as a
//                         process squatting on a kernel object name would
// It writes "ready" on standard output once it sleeps (exit code 3 when the
// file cannot be opened or the mutex was there already).
#include <windows.h>

#include "platform/win32/scoped_handle.h"

int main(int argc, char** argv) {
  dizi::ScopedFileHandle held;
  dizi::ScopedHandle mutex;
  if (argc > 2 && lstrcmpA(argv[1], "/mutex") == 0) {
    mutex = dizi::ScopedHandle(CreateMutexA(nullptr, TRUE, argv[2]));
    if (!mutex || GetLastError() == ERROR_ALREADY_EXISTS) {
      return 3;
    }
  } else if (argc > 1) {
    const bool lock = argc > 2 && lstrcmpA(argv[2], "lock") == 0;
    const DWORD sharing = lock ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    held = dizi::ScopedFileHandle(CreateFileA(argv[1], GENERIC_READ, sharing, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!held) {
      return 3;
    }
  }
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "ready\n", 6, &written, nullptr);
  Sleep(INFINITE);
  return 0;
}
