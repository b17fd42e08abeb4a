#include "tests/bench/win/log_window.h"

#include <commctrl.h>

#include "app/layout.h"

namespace bench {

namespace {

constexpr char kClassName[] = "DiziTarvixLogGrowth";
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// The list's colours, as the main window answers WM_CTLCOLORLISTBOX.
LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CTLCOLORLISTBOX) {
    const HDC dc = reinterpret_cast<HDC>(wParam);
    ::SetTextColor(dc, RGB(0, 255, 0));
    ::SetBkColor(dc, RGB(0, 0, 0));
    return reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH));
  }
  return ::DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterWindowClass(HINSTANCE instance) {
  WNDCLASSEXA description{};
  description.cbSize = sizeof description;
  description.lpfnWndProc = WindowProcedure;
  description.hInstance = instance;
  description.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
  description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_3DLIGHT + 1);
  description.lpszClassName = kClassName;
  return ::RegisterClassExA(&description) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

HFONT FontOf(const char* face, BYTE charSet) {
  return ::CreateFontA(-dizi::layout::kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, charSet,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

HWND Control(HWND parent, HINSTANCE instance, const char* className, DWORD style,
             const dizi::Bounds& bounds, HFONT font) {
  const HWND control = ::CreateWindowExA(
      WS_EX_CLIENTEDGE, className, "", WS_CHILD | WS_CLIPSIBLINGS | style, bounds.left, bounds.top,
      bounds.width, bounds.height, parent, nullptr, instance, nullptr);
  if (control != nullptr) {
    ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  return control;
}

}  // namespace

LogWindow::LogWindow(HINSTANCE instance, ShownView shown)
    : font_(FontOf("Tahoma", DEFAULT_CHARSET)), listFont_(FontOf("Lucida Console", ANSI_CHARSET)) {
  if (!RegisterWindowClass(instance)) {
    return;
  }
  RECT outer{0, 0, dizi::layout::kClientArea.width, dizi::layout::kClientArea.height};
  ::AdjustWindowRectEx(&outer, kStyle, FALSE, 0);
  window_.Reset(::CreateWindowExA(0, kClassName, "Log growth", kStyle, 0, 0,
                                  outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                  nullptr, instance, nullptr));
  if (!window_) {
    return;
  }
  const DWORD treeShown = shown == ShownView::Tree ? WS_VISIBLE : 0;
  const DWORD listShown = shown == ShownView::List ? WS_VISIBLE : 0;
  tree_ = Control(window_.Get(), instance, WC_TREEVIEWA,
                  treeShown | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT,
                  dizi::layout::kTreeView1, font_.Get());
  list_ = Control(window_.Get(), instance, "LISTBOX",
                  listShown | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOINTEGRALHEIGHT,
                  dizi::layout::kListBox1, listFont_.Get());
  if (tree_ != nullptr) {
    ::SendMessageA(tree_, TVM_SETBKCOLOR, 0, RGB(0, 0, 0));
    ::SendMessageA(tree_, TVM_SETTEXTCOLOR, 0, RGB(255, 255, 0));
    ::SendMessageA(tree_, TVM_SETLINECOLOR, 0, RGB(128, 128, 128));
    ::SendMessageA(tree_, TVM_SETINDENT, dizi::layout::kTreeIndent, 0);
  }
  if (list_ != nullptr) {
    ::SendMessageA(list_, LB_SETITEMHEIGHT, 0, dizi::layout::kListItemHeight);
    // What a scan sets before its first line.
    ::SendMessageA(list_, LB_SETHORIZONTALEXTENT, 700, 0);
  }
  ::ShowWindow(window_.Get(), SW_SHOWNORMAL);
  ::UpdateWindow(window_.Get());
}

}  // namespace bench
