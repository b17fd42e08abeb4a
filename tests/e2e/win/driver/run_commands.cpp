// Commands for runs without a window: what the program shows while it runs,
// and a start without standard handles, as from Explorer.
#include <set>
#include <utility>

#include "commands.h"
#include "common/json_writer.h"
#include "common/window_lookup.h"
#include "platform/win32/scoped_handle.h"
#include "program_windows.h"

namespace e2e {

namespace {

// The program started last by start-bare, for exit-code.
dizi::ScopedHandle bareProcess;

std::set<DWORD> ProcessesOf(const std::string& image) {
  std::set<DWORD> ids;
  for (const ProcessEntry& process : RunningProcesses()) {
    if (CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, process.image.c_str(), -1,
                       image.c_str(), -1) == CSTR_EQUAL) {
      ids.insert(process.id);
    }
  }
  return ids;
}

struct Watch {
  const std::set<DWORD>* processes;
  std::set<std::pair<std::string, std::string>>* seen;  // class and caption
};

BOOL CALLBACK NoteVisibleWindow(HWND window, LPARAM param) {
  auto* watch = reinterpret_cast<Watch*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (watch->processes->count(process) != 0 && IsWindowVisible(window)) {
    watch->seen->insert({ClassOf(window), TextOf(window)});
  }
  return TRUE;
}

}  // namespace

Outcome WatchWindows(const Options& options, HookClient&) {
  const DWORD start = GetTickCount();
  std::set<DWORD> processes;
  while ((processes = ProcessesOf(options.image)).empty()) {
    if (GetTickCount() - start >= options.timeoutMs) {
      return {false, "no process " + options.image + " appeared"};
    }
    Sleep(5);
  }
  std::set<std::pair<std::string, std::string>> seen;
  while (!processes.empty()) {
    Watch watch{&processes, &seen};
    EnumWindows(NoteVisibleWindow, reinterpret_cast<LPARAM>(&watch));
    if (GetTickCount() - start >= options.timeoutMs) {
      return {false, options.image + " still runs"};
    }
    Sleep(5);
    processes = ProcessesOf(options.image);
  }
  JsonWriter json;
  json.BeginArray();
  for (const auto& [className, caption] : seen) {
    json.BeginObject().Field("class", className).Field("caption", caption).EndObject();
  }
  json.EndArray();
  return {true, json.Text()};
}

Outcome StartBare(const Options& options, HookClient&) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  // No standard handles at all: what a program started from Explorer gets.
  startup.dwFlags = STARTF_USESTDHANDLES;
  PROCESS_INFORMATION info = {};
  std::string commandLine = "\"" + options.words[1] + "\" " + options.words[2];
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return {false, "CreateProcess failed with error " + std::to_string(GetLastError())};
  }
  const dizi::ScopedHandle thread(info.hThread);
  bareProcess.Reset(info.hProcess);
  return {true, "{\"pid\":" + std::to_string(info.dwProcessId) + "}"};
}

Outcome ExitCode(const Options& options, HookClient&) {
  if (!bareProcess) {
    return {false, "no program was started with start-bare"};
  }
  if (WaitForSingleObject(bareProcess.Get(), options.timeoutMs) != WAIT_OBJECT_0) {
    return {false, "the program still runs"};
  }
  DWORD code = 0;
  GetExitCodeProcess(bareProcess.Get(), &code);
  return {true, "{\"code\":" + std::to_string(code) + "}"};
}

}  // namespace e2e
