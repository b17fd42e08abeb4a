// Small window queries shared by the driver and its hook; all of them work on
// windows of other processes too.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

std::string ClassOf(HWND window);
std::string TextOf(HWND window);

// The first descendant of `root` with the control identifier `id`, wherever it
// sits below `root`; null when there is none.
HWND FindDescendantById(HWND root, int id);

// Every top-level window of the thread.
std::vector<HWND> ThreadWindows(DWORD thread);

}  // namespace e2e
