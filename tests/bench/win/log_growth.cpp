// Times the activity log's growth: lines added one by one through the engine's
// ActivityLog::AddLogLine to a list box and a tree view made and fed as the
// main window's, each count in a fresh window. Each added line costs the same
// however long the log is when twice the lines take about twice the time; a
// cost growing with the log's length would make it about four times.
//
// Each count is timed REPEATS times, alternating with the other count, and the
// fastest is kept: the least disturbed by whatever else the machine runs. Its
// time is split into the list box's share, the tree view's share and the rest,
// the log's own work.
//
// Three runs: neither view shown (what the log and the two controls cost to
// hold the lines: LINES and twice as many), then the list shown (the window's
// default) and the tree shown, each of which also repaints the view at every
// line (SHOWN-LINES and twice as many: under Wine a repaint takes milliseconds).
//
//   log_growth.exe [LINES [SHOWN-LINES [REPEATS]]]    default 10000, 300 and 3
//       prints three lines per run; exit code 1 when a view could not be made
//       or did not take every line
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/log_controls.h"
#include "log/activity_log.h"
#include "tests/bench/win/log_window.h"
#include "tests/bench/win/timed_view.h"

namespace {

struct Line {
  bool topLevel;
  std::string text;
};

// A server find as a scan logs it: top-level lines each followed by a
// staircase of detail lines.
const Line kFind[] = {
    {true, "   -> Tarvix server has been detected!"},
    {false, "   +-> path: C:\\WINDOWS\\system32\\wininv.dll"},
    {true, "   -> Sending killing signal..."},
    {false, "   +-> Killing signal 1/2 has been sent"},
    {false, "   +-> Killing signal 2/2 has been sent in case of failure of 1/2"},
    {false, "   +-> Killing signals has been sent. 1,2/2"},
    {true, "   -> force shutdown may appear now so don't PANiC!"},
    {false, "   +-> Sending Diri Force shutdown -- (XP Only)"},
    {false, "   +--> Diri Force Shutdown Has been sent..."},
    {true, "   => TarVix Server has been deleted from your computer."},
};
constexpr int kFindLines = sizeof kFind / sizeof kFind[0];

double Milliseconds(LONGLONG ticks) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart);
}

struct Timing {
  double total = -1;  // negative: the views could not be made or lost lines
  double list = 0;
  double tree = 0;
  double Rest() const { return total - list - tree; }
};

// Adds `count` lines to a fresh window's views and times it.
Timing TimeLines(HINSTANCE instance, bench::ShownView shown, int count) {
  bench::LogWindow window(instance, shown);
  if (!window.Created()) {
    return {};
  }
  dizi::LogControls views;
  views.Attach(window.List(), window.Tree());
  bench::TimedView timed(views);
  dizi::ActivityLog log(timed);
  LARGE_INTEGER start;
  LARGE_INTEGER end;
  ::QueryPerformanceCounter(&start);
  for (int i = 0; i < count; ++i) {
    const Line& line = kFind[i % kFindLines];
    log.AddLogLine(line.topLevel, line.text);
  }
  ::QueryPerformanceCounter(&end);
  const LRESULT listed = ::SendMessageA(window.List(), LB_GETCOUNT, 0, 0);
  const LRESULT nodes = ::SendMessageA(window.Tree(), TVM_GETCOUNT, 0, 0);
  if (listed != count || nodes != count) {
    std::printf("error: %d lines added, but the list holds %ld and the tree %ld\n", count,
                static_cast<long>(listed), static_cast<long>(nodes));
    return {};
  }
  return {Milliseconds(end.QuadPart - start.QuadPart), Milliseconds(timed.ListTicks()),
          Milliseconds(timed.TreeTicks())};
}

void PrintTiming(int lines, const Timing& timing) {
  std::printf("  %6d lines: %9.1f ms (list box %.1f, tree view %.1f, the rest %.1f)\n", lines,
              timing.total, timing.list, timing.tree, timing.Rest());
}

struct Pair {
  Timing first;
  Timing second;
};

// The fastest of `repeats` timings of `lines` lines and of twice as many, the
// two counts timed by turns so that both meet the same conditions.
Pair FastestOf(HINSTANCE instance, bench::ShownView shown, int lines, int repeats) {
  Pair fastest;
  for (int i = 0; i < repeats; ++i) {
    const Timing first = TimeLines(instance, shown, lines);
    const Timing second = TimeLines(instance, shown, 2 * lines);
    if (first.total < 0 || second.total < 0) {
      return {};
    }
    if (i == 0 || first.total < fastest.first.total) {
      fastest.first = first;
    }
    if (i == 0 || second.total < fastest.second.total) {
      fastest.second = second;
    }
  }
  return fastest;
}

int Count(int argc, char** argv, int index, int otherwise) {
  return argc > index ? std::atoi(argv[index]) : otherwise;
}

}  // namespace

int main(int argc, char** argv) {
  const int lines = Count(argc, argv, 1, 10000);
  const int shownLines = Count(argc, argv, 2, 300);
  const int repeats = Count(argc, argv, 3, 3);
  if (lines <= 0 || shownLines <= 0 || repeats <= 0) {
    std::printf("usage: log_growth.exe [LINES [SHOWN-LINES [REPEATS]]]\n");
    return 2;
  }
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&controls);
  const HINSTANCE instance = ::GetModuleHandleA(nullptr);

  const struct {
    bench::ShownView view;
    const char* name;
    int lines;
  } kRuns[] = {{bench::ShownView::None, "neither view shown", lines},
               {bench::ShownView::List, "list shown", shownLines},
               {bench::ShownView::Tree, "tree shown", shownLines}};
  for (const auto& run : kRuns) {
    const auto [first, second] = FastestOf(instance, run.view, run.lines, repeats);
    if (first.total <= 0 || second.total <= 0) {
      std::printf("error: %s: could not be timed\n", run.name);
      return 1;
    }
    std::printf("%s (fastest of %d)\n", run.name, repeats);
    PrintTiming(run.lines, first);
    PrintTiming(2 * run.lines, second);
    std::printf("  ratio %.2f (list box %.2f, tree view %.2f, the rest %.2f)\n",
                second.total / first.total, second.list / first.list, second.tree / first.tree,
                second.Rest() / first.Rest());
    std::fflush(stdout);
  }
  return 0;
}
