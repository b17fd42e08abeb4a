// Finding the program's processes and windows from outside.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct ProcessEntry {
  DWORD id;
  std::string image;  // the executable's file name
};

// Every running process of the prefix.
std::vector<ProcessEntry> RunningProcesses();

// True when a process with that executable file name runs (any case).
bool ImageRunning(const std::string& image);

// The top-level window with exactly that caption, or null.
HWND FindMainWindow(const std::string& caption);

// The visible message boxes (top-level "#32770" windows) of every process
// whose executable file name is `image`, oldest first.
std::vector<HWND> MessageBoxesOf(const std::string& image);

// The first descendant of `parent` of the class "Button" whose caption, as the
// user reads it, is `caption`.
HWND FindButton(HWND parent, const std::string& caption);

}  // namespace e2e
