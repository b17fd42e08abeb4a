// Times one scan of the running DiziTarvix.exe from outside, the way a click
// starts it: BM_CLICK on the Scan button returns once the button's handler,
// the whole scan, has returned. Then reads the progress bar and the program's
// peak memory as Windows reports it.
//
//   scan_timer.exe [CAPTION]    prints one line of NAME=VALUE pairs:
//     scan_ms             from pressing Scan to the handler's return
//     progress_before     the progress bar before pressing, progress_after after
//     peak_working_set_kb, peak_pagefile_kb   GetProcessMemoryInfo of the program
//   With CAPTION, the window of that caption (the floor, scan_floor.exe, whose
//   Scan button and progress bar have the same ids) is timed instead, and
//   closed afterwards.
//   Exit code 1 when the window or its controls cannot be found.
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <cstdio>

#include "app/resource.h"
#include "platform/win32/scoped_handle.h"

namespace {

constexpr char kCaption[] = "Diri Tarvix 2.5";
constexpr DWORD kWaitMs = 20000;

HWND WaitForWindow(const char* caption) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    const HWND window = ::FindWindowA(nullptr, caption);
    if (window != nullptr && ::IsWindowVisible(window)) {
      return window;
    }
    if (::GetTickCount() - start > kWaitMs) {
      return nullptr;
    }
    ::Sleep(50);
  }
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

}  // namespace

int main(int argc, char** argv) {
  const char* caption = argc > 1 ? argv[1] : kCaption;
  const HWND window = WaitForWindow(caption);
  const HWND scan = window ? ::GetDlgItem(window, IDC_BITBTN2) : nullptr;
  const HWND progress = window ? ::GetDlgItem(window, IDC_PROGRESSBAR1) : nullptr;
  if (scan == nullptr || progress == nullptr) {
    std::printf("error: no window \"%s\" with its Scan button and progress bar\n", caption);
    return 1;
  }

  const LRESULT before = ::SendMessageA(progress, PBM_GETPOS, 0, 0);
  LARGE_INTEGER pressed;
  LARGE_INTEGER returned;
  ::QueryPerformanceCounter(&pressed);
  ::SendMessageA(scan, BM_CLICK, 0, 0);
  ::QueryPerformanceCounter(&returned);
  const LRESULT after = ::SendMessageA(progress, PBM_GETPOS, 0, 0);

  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  const dizi::ScopedHandle process{
      ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId)};
  PROCESS_MEMORY_COUNTERS memory{};
  memory.cb = sizeof memory;
  if (!process || !::GetProcessMemoryInfo(process.Get(), &memory, sizeof memory)) {
    memory = {};
  }

  std::printf(
      "scan_ms=%.2f progress_before=%ld progress_after=%ld peak_working_set_kb=%lu "
      "peak_pagefile_kb=%lu\n",
      Milliseconds(pressed, returned), static_cast<long>(before), static_cast<long>(after),
      static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024),
      static_cast<unsigned long>(memory.PeakPagefileUsage / 1024));
  if (argc > 1) {
    ::PostMessageA(window, WM_CLOSE, 0, 0);
  }
  return 0;
}
