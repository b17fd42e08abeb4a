#include "program_windows.h"

#include <tlhelp32.h>

#include <algorithm>
#include <set>

#include "common/captions.h"
#include "common/window_lookup.h"
#include "platform/win32/scoped_handle.h"

namespace e2e {

namespace {

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, a.c_str(),
                                                static_cast<int>(a.size()), b.c_str(),
                                                static_cast<int>(b.size())) == CSTR_EQUAL;
}

struct BoxSearch {
  const std::set<DWORD>* processes;
  std::vector<HWND> boxes;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<BoxSearch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (search->processes->count(process) != 0 && IsWindowVisible(window) &&
      ClassOf(window) == "#32770") {
    search->boxes.push_back(window);
  }
  return TRUE;
}

struct ButtonSearch {
  const std::string* caption;
  HWND found;
};

BOOL CALLBACK MatchButton(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ButtonSearch*>(param);
  if (ClassOf(window) == "Button" && ShownCaption(TextOf(window)) == *search->caption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::vector<ProcessEntry> RunningProcesses() {
  std::vector<ProcessEntry> processes;
  const dizi::ScopedSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) {
    return processes;
  }
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.Get(), &entry); more;
       more = Process32Next(snapshot.Get(), &entry)) {
    processes.push_back({entry.th32ProcessID, entry.szExeFile});
  }
  return processes;
}

bool ImageRunning(const std::string& image) {
  const auto processes = RunningProcesses();
  return std::any_of(processes.begin(), processes.end(),
                     [&](const ProcessEntry& p) { return SameName(p.image, image); });
}

HWND FindMainWindow(const std::string& caption) {
  return FindWindowA(nullptr, caption.c_str());
}

std::vector<HWND> MessageBoxesOf(const std::string& image) {
  std::set<DWORD> ids;
  for (const ProcessEntry& process : RunningProcesses()) {
    if (SameName(process.image, image)) {
      ids.insert(process.id);
    }
  }
  BoxSearch search{&ids, {}};
  // EnumWindows goes from the top of the Z order down; the newest box is on top.
  EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
  std::reverse(search.boxes.begin(), search.boxes.end());
  return search.boxes;
}

HWND FindButton(HWND parent, const std::string& caption) {
  ButtonSearch search{&caption, nullptr};
  EnumChildWindows(parent, MatchButton, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace e2e
