#include "app/about_panel.h"

#include <commctrl.h>

#include "app/bitmaps.h"
#include "app/button_picture.h"
#include "app/layout.h"
#include "app/picture_fit.h"
#include "app/resource.h"
#include "platform/win32/win32_error.h"

namespace dizi {

namespace {

constexpr COLORREF kLabelText = RGB(255, 255, 0);

HMENU AsId(int id) {
  return reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
}

Size BoxSize(const Bounds& bounds) {
  return {bounds.width, bounds.height};
}

// A JPEG resource as a bitmap of the size `sizeFor` gives for the picture's
// own size; null when the picture is missing or damaged.
template <typename SizeFor>
ScopedBitmap PictureResource(HINSTANCE instance, int id, SizeFor sizeFor) {
  const std::optional<Picture> picture = LoadJpegResource(instance, id);
  if (!picture) {
    return {};
  }
  ScopedBitmap bitmap = BitmapFromPicture(*picture);
  const Size size = sizeFor(Size{picture->width, picture->height});
  if (!bitmap || (size.width == picture->width && size.height == picture->height)) {
    return bitmap;
  }
  return ResizedBitmap(bitmap.Get(), size);
}

// A child control of a system class; throws when it cannot be made.
HWND CreateControl(const char* className, const char* text, DWORD style, const Bounds& bounds,
                   HWND parent, int id, HINSTANCE instance) {
  const HWND control = ::CreateWindowExA(
      0, className, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, bounds.left, bounds.top,
      bounds.width, bounds.height, parent, AsId(id), instance, nullptr);
  if (control == nullptr) {
    ThrowLastError("CreateWindowExA");
  }
  return control;
}

// Where a child window lies in its parent's client area.
POINT PositionInParent(HWND child) {
  RECT bounds{};
  ::GetWindowRect(child, &bounds);
  POINT topLeft{bounds.left, bounds.top};
  ::ScreenToClient(::GetParent(child), &topLeft);
  return topLeft;
}

}  // namespace

void AboutPanel::DescribeClass(WNDCLASSEXA& description) {
  description.hbrBackground = nullptr;  // the backdrop is painted in WM_PAINT
}

void AboutPanel::Create(HWND parent, const DpiScale& scale, HFONT font, HINSTANCE instance) {
  BaseWindow::Create(WS_EX_CONTROLPARENT, "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS,
                     scale(layout::kPanel1), parent, AsId(IDC_PANEL1), instance);
  LoadPictures(scale, instance);
  RenderBackdrop(scale);
  CreateControls(scale, font, instance);
}

void AboutPanel::LoadPictures(const DpiScale& scale, HINSTANCE instance) {
  // The background shrinks or grows to fit its box, keeping its proportions;
  // the banner keeps its own size, grown only with the system's resolution.
  background_ = PictureResource(instance, IDR_BACKGROUND_JPEG, [&](Size picture) {
    return FitProportionally(picture, scale(BoxSize(layout::kImage2)));
  });
  banner_ =
      PictureResource(instance, IDR_BANNER_JPEG, [&](Size picture) { return scale(picture); });
}

void AboutPanel::RenderBackdrop(const DpiScale& scale) {
  const Size size = scale(BoxSize(layout::kPanel1));
  backdrop_ = NewBitmap(size);
  if (!backdrop_) {
    return;
  }
  const ScopedMemoryDc dc{::CreateCompatibleDC(nullptr)};
  const SelectedObject selected(dc.Get(), backdrop_.Get());
  RECT face{0, 0, size.width, size.height};
  ::FillRect(dc.Get(), &face, ::GetSysColorBrush(COLOR_3DLIGHT));
  ::DrawEdge(dc.Get(), &face, BDR_RAISEDINNER, BF_RECT);
  if (background_) {
    const Bounds box = scale(layout::kImage2);
    const Size picture = SizeOf(background_.Get());
    const ScopedMemoryDc source{::CreateCompatibleDC(nullptr)};
    const SelectedObject sourceSelected(source.Get(), background_.Get());
    ::BitBlt(dc.Get(), box.left, box.top, picture.width, picture.height, source.Get(), 0, 0,
             SRCCOPY);
  }
  backdropBrush_.Reset(::CreatePatternBrush(backdrop_.Get()));
}

void AboutPanel::CreateControls(const DpiScale& scale, HFONT font, HINSTANCE instance) {
  image2_.Create(Window(), IDC_IMAGE2, scale(layout::kImage2), false, instance);
  image2_.SetPicture(background_.Get());

  // Not SS_NOPREFIX: the doubled ampersand of the About text shows as one.
  label1_ = CreateControl("STATIC", "Label1", SS_LEFTNOWORDWRAP, scale(layout::kLabel1), Window(),
                          IDC_LABEL1, instance);
  ::SendMessageA(label1_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetLabel1Text("Label1");

  image1_.Create(Window(), IDC_IMAGE1, scale(layout::kImage1), true, instance);
  image1_.SetPicture(banner_.Get());

  bitBtn1_ = CreateControl("BUTTON", "Go Back", WS_TABSTOP | BS_PUSHBUTTON, scale(layout::kBitBtn1),
                           Window(), IDC_BITBTN1, instance);
  ::SendMessageA(bitBtn1_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  goBackPicture_ = GiveButtonPicture(bitBtn1_, instance, IDB_GOBACK, scale(4));

  // Back to front, as they were made: each goes on top of the one before.
  for (const HWND control : {image2_.Window(), label1_, image1_.Window(), bitBtn1_}) {
    ::SetWindowPos(control, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void AboutPanel::SetLabel1Text(const std::string& text) {
  ::SetWindowTextA(label1_, text.c_str());
  // Sized to its text, as the label draws it (an "&&" is one character wide).
  RECT extent{0, 0, 0, 0};
  {
    const WindowDc dc(label1_);
    const SelectedObject font(dc.Get(),
                              reinterpret_cast<HGDIOBJ>(::SendMessageA(label1_, WM_GETFONT, 0, 0)));
    ::DrawTextA(dc.Get(), text.c_str(), -1, &extent, DT_CALCRECT | DT_LEFT | DT_EXPANDTABS);
  }
  ::SetWindowPos(label1_, nullptr, 0, 0, extent.right, extent.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(label1_, nullptr, TRUE);
}

LRESULT AboutPanel::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      // The handlers of the panel's controls are the main window's.
      return ::SendMessageA(::GetParent(Window()), WM_COMMAND, wParam, lParam);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers everything
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_PRINTCLIENT:
      OnPrintClient(reinterpret_cast<HDC>(wParam));
      return 0;
  }
  return DefaultHandling(message, wParam, lParam);
}

void AboutPanel::OnPaint() {
  const PaintScope paint(Window());
  OnPrintClient(paint.Dc());
}

void AboutPanel::OnPrintClient(HDC dc) {
  RECT client{};
  ::GetClientRect(Window(), &client);
  if (!backdrop_) {
    ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_3DLIGHT));
    return;
  }
  const ScopedMemoryDc source{::CreateCompatibleDC(dc)};
  const SelectedObject selected(source.Get(), backdrop_.Get());
  ::BitBlt(dc, 0, 0, client.right, client.bottom, source.Get(), 0, 0, SRCCOPY);
}

LRESULT AboutPanel::OnCtlColor(HDC dc, HWND control) {
  // The backdrop, lined up with the control: the label's text and the margin
  // of the banner's box show the background picture through.
  if (control == label1_) {
    ::SetTextColor(dc, kLabelText);
  }
  ::SetBkMode(dc, TRANSPARENT);
  if (!backdropBrush_) {
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DLIGHT));
  }
  const POINT position = PositionInParent(control);
  ::SetBrushOrgEx(dc, -position.x, -position.y, nullptr);
  return reinterpret_cast<LRESULT>(backdropBrush_.Get());
}

}  // namespace dizi
