// One run at a time on a computer, whatever the session: every run, in a
// window or not, holds the file "run.lock" in the data root alone while it
// lasts. Only administrators and the system may open anything there (the data
// root is checked, places/data_tree.h), so no process without those rights can
// take the lock first and keep the program from running.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "places/data_tree.h"
#include "platform/platform.h"

namespace dizi {

inline constexpr char kRunLockName[] = "run.lock";

class RunLock {
 public:
  enum class State {
    Taken,       // this run holds the lock
    AnotherRun,  // another run holds it: this one must not scan or restore
    Unguarded,   // the lock cannot be had at all; the run goes on without it
  };

  // Claims the lock for the life of this object.
  explicit RunLock(Platform& platform);

  State state() const { return state_; }
  bool AnotherRun() const { return state_ == State::AnotherRun; }
  // What the log is to say about it: folders set aside on the way, or why
  // the run goes unguarded.
  const std::vector<std::string>& Notes() const { return notes_; }

 private:
  CheckedFolder root_;
  std::unique_ptr<ExclusiveFile> file_;
  State state_ = State::Unguarded;
  std::vector<std::string> notes_;
};

}  // namespace dizi
