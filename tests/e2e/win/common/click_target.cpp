#include "click_target.h"

namespace e2e {

bool ReceivesClickAtCentre(HWND control, HWND top) {
  RECT rect;
  if (!GetWindowRect(control, &rect)) {
    return false;
  }
  const POINT centre = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  for (HWND window = control; window != top;) {
    HWND parent = GetParent(window);
    if (parent == nullptr) {
      return false;
    }
    POINT inParent = centre;
    ScreenToClient(parent, &inParent);
    if (ChildWindowFromPointEx(parent, inParent, CWP_SKIPINVISIBLE) != window) {
      return false;
    }
    window = parent;
  }
  return true;
}

}  // namespace e2e
