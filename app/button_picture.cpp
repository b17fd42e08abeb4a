#include "app/button_picture.h"

#include "app/layout.h"

namespace dizi {

namespace {
constexpr COLORREF kTransparentKey = RGB(255, 0, 255);
}  // namespace

ScopedImageList GiveButtonPicture(HWND button, HINSTANCE instance, int bitmapId, int margin) {
  const ScopedBitmap bitmap{static_cast<HBITMAP>(
      ::LoadImageA(instance, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))};
  if (!bitmap) {
    return {};
  }
  constexpr int side = layout::kButtonPicture;
  ScopedImageList pictures{::ImageList_Create(side, side, ILC_COLOR24 | ILC_MASK, 1, 0)};
  if (!pictures || ::ImageList_AddMasked(pictures.Get(), bitmap.Get(), kTransparentKey) < 0) {
    return {};
  }
  // One picture serves every state of the button (normal, hot, pressed, ...).
  BUTTON_IMAGELIST picture{};
  picture.himl = pictures.Get();
  picture.margin = {margin, 0, 0, 0};
  picture.uAlign = BUTTON_IMAGELIST_ALIGN_LEFT;
  if (!::SendMessageA(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&picture))) {
    return {};
  }
  return pictures;
}

}  // namespace dizi
