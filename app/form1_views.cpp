// The main window as the view the scan run draws on, and its cursors. A scan
// blocks the event loop while it runs, so each change is painted at once rather
// than when the loop would get to it.
#include "app/form1.h"
#include "app/log_list_look.h"

namespace dizi {

namespace {

HCURSOR SystemCursor(LPCSTR id) {
  return ::LoadCursorA(nullptr, id);
}

}  // namespace

void TForm1::SetProgress(int position) {
  ::SendMessageA(ProgressBar1, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  ::UpdateWindow(ProgressBar1);
}

void TForm1::SetBusyCursor(bool busy) {
  busy_ = busy;
  UpdateCursorNow();
}

void TForm1::SetListScrollWidth(int pixels) {
  ::SendMessageA(ListBox1, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(scale_(pixels)), 0);
}

LRESULT TForm1::OnCtlColorListBox(HDC dc, HWND listBox) {
  if (listBox != ListBox1) {
    return DefaultHandling(WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc),
                           reinterpret_cast<LPARAM>(listBox));
  }
  return PaintInLogListLook(dc);
}

HCURSOR TForm1::CursorFor(HWND under) const {
  // Controls with a cursor of their own keep it, busy or not.
  if (under == ListBox1) {
    return SystemCursor(IDC_CROSS);
  }
  if (under == BitBtn2 || under == Panel1.Image1()) {
    return SystemCursor(IDC_HAND);
  }
  // The hourglass is the window's own cursor: it shows over the window and
  // over the controls that have no cursor of their own.
  return busy_ ? SystemCursor(IDC_WAIT) : nullptr;
}

bool TForm1::OnSetCursor(HWND under, int hitTest) {
  if (hitTest != HTCLIENT) {
    return false;
  }
  const HCURSOR cursor = CursorFor(under);
  if (cursor == nullptr) {
    return false;
  }
  ::SetCursor(cursor);
  return true;
}

void TForm1::UpdateCursorNow() {
  POINT mouse{};
  if (!::GetCursorPos(&mouse)) {
    return;
  }
  const HWND under = ::WindowFromPoint(mouse);
  if (under == nullptr || (under != Window() && !::IsChild(Window(), under))) {
    return;
  }
  // What the system does when the mouse moves: ask the window under it.
  const LRESULT hitTest = ::SendMessageA(under, WM_NCHITTEST, 0, MAKELPARAM(mouse.x, mouse.y));
  ::SendMessageA(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                 MAKELPARAM(hitTest, WM_MOUSEMOVE));
}

}  // namespace dizi
