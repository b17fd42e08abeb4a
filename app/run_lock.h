// One run at a time on a computer: every run, in a window or not, in any
// session, holds a named mutex in the global namespace while it lasts.
#pragma once

#include "platform/win32/scoped_handle.h"

namespace dizi {

class RunLock {
 public:
  // Claims the lock for the life of this object, unless another run holds it.
  RunLock();

  // True when another run held the lock: this one must not scan.
  bool AnotherRun() const { return anotherRun_; }

 private:
  ScopedHandle mutex_;
  bool anotherRun_ = false;
};

}  // namespace dizi
