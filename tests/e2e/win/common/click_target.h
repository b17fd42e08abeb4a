// Whether a user's click on a control would reach it.
#pragma once

#include <windows.h>

namespace e2e {

// True when a click at the centre of `control` lands on it: at every level up
// to `top`, the topmost visible child under that point is the window on the
// way down, so no sibling in front covers it there. Works across processes.
bool ReceivesClickAtCentre(HWND control, HWND top);

}  // namespace e2e
