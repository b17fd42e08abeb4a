#include "app/old_lock_name.h"

#include <windows.h>

#include "platform/win32/scoped_handle.h"

namespace dizi {

namespace {

constexpr char kOldMutexName[] = "Global\\DiziTarvix.Run";

// True when some process holds the name; one that may not even be opened (a
// run of another account made it for itself) counts too.
bool OldNameHeld() {
  const ScopedHandle mutex{::OpenMutexA(SYNCHRONIZE, FALSE, kOldMutexName)};
  return mutex || ::GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace

std::vector<std::string> LockNotes(const std::vector<std::string>& notes) {
  std::vector<std::string> all = notes;
  if (OldNameHeld()) {
    all.push_back(kOldLockIgnored);
  }
  return all;
}

}  // namespace dizi
