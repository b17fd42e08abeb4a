// A LogView that passes every call on to another one and adds up the time
// spent in its list calls and in its tree calls, so that a run's time splits
// into the list box's share, the tree view's share and the rest (the log's
// own work).
#pragma once

#include <windows.h>

#include <string>

#include "log/log_view.h"

namespace bench {

class TimedView : public dizi::LogView {
 public:
  explicit TimedView(dizi::LogView& inner) : inner_(inner) {}

  void AppendListItem(const std::string& line) override {
    const Clock clock(listTicks_);
    inner_.AppendListItem(line);
  }
  Node AddTreeRoot(const std::string& line) override {
    const Clock clock(treeTicks_);
    return inner_.AddTreeRoot(line);
  }
  Node AddTreeChild(Node parent, const std::string& line) override {
    const Clock clock(treeTicks_);
    return inner_.AddTreeChild(parent, line);
  }

  LONGLONG ListTicks() const { return listTicks_; }
  LONGLONG TreeTicks() const { return treeTicks_; }

 private:
  // Adds the performance-counter ticks of its lifetime to `total`.
  class Clock {
   public:
    explicit Clock(LONGLONG& total) : total_(total) { ::QueryPerformanceCounter(&start_); }
    ~Clock() {
      LARGE_INTEGER end;
      ::QueryPerformanceCounter(&end);
      total_ += end.QuadPart - start_.QuadPart;
    }
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;

   private:
    LONGLONG& total_;
    LARGE_INTEGER start_;
  };

  dizi::LogView& inner_;
  LONGLONG listTicks_ = 0;
  LONGLONG treeTicks_ = 0;
};

}  // namespace bench
