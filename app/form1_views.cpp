// The main window as the view the activity log and the scan run draw on, and
// its cursors. A scan blocks the event loop while it runs, so each change is
// painted at once rather than when the loop would get to it.
#include "app/form1.h"

namespace dizi {

namespace {

constexpr COLORREF kListText = RGB(0, 255, 0);  // lime
constexpr COLORREF kListBackground = RGB(0, 0, 0);

HCURSOR SystemCursor(LPCSTR id) {
  return ::LoadCursorA(nullptr, id);
}

void RepaintIfVisible(HWND view) {
  if (::IsWindowVisible(view)) {
    ::UpdateWindow(view);
  }
}

}  // namespace

void TForm1::AppendListItem(const std::string& line) {
  const LRESULT index =
      ::SendMessageA(ListBox1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  if (index >= 0) {
    ::SendMessageA(ListBox1, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  RepaintIfVisible(ListBox1);
}

LogView::Node TForm1::AddTreeRoot(const std::string& line) {
  const Node node = InsertTreeItem(TVI_ROOT, line);
  // The newest heading scrolls into sight, as the list's newest line does.
  ::SendMessageA(TreeView1, TVM_ENSUREVISIBLE, 0, static_cast<LPARAM>(node));
  RepaintIfVisible(TreeView1);
  return node;
}

LogView::Node TForm1::AddTreeChild(Node parent, const std::string& line) {
  const Node node = InsertTreeItem(reinterpret_cast<HTREEITEM>(parent), line);
  RepaintIfVisible(TreeView1);
  return node;
}

LogView::Node TForm1::InsertTreeItem(HTREEITEM parent, const std::string& line) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<char*>(line.c_str());
  return static_cast<Node>(
      ::SendMessageA(TreeView1, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

void TForm1::SetProgress(int position) {
  ::SendMessageA(ProgressBar1, PBM_SETPOS, static_cast<WPARAM>(position), 0);
  RepaintIfVisible(ProgressBar1);
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
  ::SetTextColor(dc, kListText);
  ::SetBkColor(dc, kListBackground);
  return reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH));
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
