#include "app/picture_box.h"

#include <windowsx.h>

#include "app/bitmaps.h"
#include "app/gdi_objects.h"

namespace dizi {

void PictureBox::DescribeClass(WNDCLASSEXA& description) {
  description.hbrBackground = nullptr;  // WM_PAINT covers every pixel
}

void PictureBox::Create(HWND parent, int id, const Bounds& bounds, bool clickable,
                        HINSTANCE instance) {
  clickable_ = clickable;
  BaseWindow::Create(0, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, bounds, parent,
                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance);
}

void PictureBox::SetPicture(HBITMAP picture) {
  picture_ = picture;
  pictureSize_ = SizeOf(picture);
  ::InvalidateRect(Window(), nullptr, FALSE);
}

LRESULT PictureBox::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painted whole in WM_PAINT, without flicker
    case WM_SETCURSOR:
      if (OnSetCursor()) {
        return TRUE;
      }
      break;
    case WM_LBUTTONDOWN:
      OnLButtonDown();
      return 0;
    case WM_LBUTTONUP:
      OnLButtonUp(lParam);
      return 0;
    case WM_CAPTURECHANGED:
      pressed_ = false;
      return 0;
  }
  return DefaultHandling(message, wParam, lParam);
}

void PictureBox::OnPaint() {
  const PaintScope paint(Window());
  const HDC dc = paint.Dc();
  RECT client{};
  ::GetClientRect(Window(), &client);

  if (picture_ != nullptr) {
    const ScopedMemoryDc source{::CreateCompatibleDC(dc)};
    const SelectedObject selected(source.Get(), picture_);
    ::BitBlt(dc, 0, 0, pictureSize_.width, pictureSize_.height, source.Get(), 0, 0, SRCCOPY);
    ::ExcludeClipRect(dc, 0, 0, pictureSize_.width, pictureSize_.height);
  }
  HBRUSH background = reinterpret_cast<HBRUSH>(
      ::SendMessageA(::GetParent(Window()), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(Window())));
  if (background == nullptr) {
    background = ::GetSysColorBrush(COLOR_3DLIGHT);
  }
  ::FillRect(dc, &client, background);
}

bool PictureBox::OnSetCursor() {
  if (!clickable_) {
    return false;
  }
  ::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND)));
  return true;
}

void PictureBox::OnLButtonDown() {
  if (clickable_) {
    pressed_ = true;
    ::SetCapture(Window());
  }
}

void PictureBox::OnLButtonUp(LPARAM position) {
  if (!pressed_) {
    return;
  }
  pressed_ = false;
  ::ReleaseCapture();
  RECT client{};
  ::GetClientRect(Window(), &client);
  const POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
  if (::PtInRect(&client, point)) {
    const int id = ::GetDlgCtrlID(Window());
    ::SendMessageA(::GetParent(Window()), WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                   reinterpret_cast<LPARAM>(Window()));
  }
}

}  // namespace dizi
