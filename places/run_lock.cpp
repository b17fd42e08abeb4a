#include "places/run_lock.h"

namespace dizi {

RunLock::RunLock(Platform& platform) : root_(OpenDataFolder(platform, DataFolder::Root)) {
  for (const std::string& line : root_.SetAside()) {
    notes_.push_back("  " + line + ".");
  }
  // A trojan must not keep its own removal from running by spoiling the
  // folder: without a lock the run goes on, and says so.
  if (!root_) {
    notes_.push_back("  Diri Tarvix cannot make sure that it runs only once at a time: " +
                     root_.Problem());
    return;
  }
  ExclusiveOpen opened = platform.OpenExclusive(root_.Path() + "\\" + kRunLockName);
  if (opened.file) {
    file_ = std::move(opened.file);
    state_ = State::Taken;
  } else if (opened.inUse) {
    state_ = State::AnotherRun;
  } else {
    notes_.push_back("  Diri Tarvix cannot make sure that it runs only once at a time: " +
                     root_.Path() + "\\" + kRunLockName + " cannot be opened: " + opened.reason);
  }
}

}  // namespace dizi
