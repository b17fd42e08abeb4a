#include "app/run_lock.h"

namespace dizi {

namespace {

// "Global\": one name for every session, so that a run as SYSTEM (session 0)
// and a window on a user's desktop see each other.
constexpr char kMutexName[] = "Global\\DiziTarvix.Run";

}  // namespace

RunLock::RunLock() {
  mutex_.Reset(::CreateMutexA(nullptr, FALSE, kMutexName));
  const DWORD error = ::GetLastError();
  // A run of another account (the system's, say) made it with access for
  // itself only: opening it is refused, and that also means it runs. Any
  // other failure (a system without that namespace) leaves the run unguarded
  // rather than never running.
  anotherRun_ = mutex_ ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

}  // namespace dizi
