// Move-only owners of GDI objects, device contexts, image lists and menus.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "platform/win32/scoped_handle.h"

namespace dizi {

template <typename Handle>
struct GdiObjectTraits {
  using Type = Handle;
  static Type None() { return nullptr; }
  static void Close(Type object) { ::DeleteObject(object); }
};

using ScopedFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using ScopedBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;
using ScopedBrush = UniqueHandle<GdiObjectTraits<HBRUSH>>;

struct MemoryDcTraits {
  using Type = HDC;
  static Type None() { return nullptr; }
  static void Close(Type dc) { ::DeleteDC(dc); }
};
// A device context of CreateCompatibleDC.
using ScopedMemoryDc = UniqueHandle<MemoryDcTraits>;

struct ImageListTraits {
  using Type = HIMAGELIST;
  static Type None() { return nullptr; }
  static void Close(Type list) { ::ImageList_Destroy(list); }
};
using ScopedImageList = UniqueHandle<ImageListTraits>;

struct MenuTraits {
  using Type = HMENU;
  static Type None() { return nullptr; }
  static void Close(Type menu) { ::DestroyMenu(menu); }
};
// A menu not yet given to a window (a window destroys its own menu).
using ScopedMenu = UniqueHandle<MenuTraits>;

// The device context of a window's client area (of the screen for null),
// released when done.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) {
      ::ReleaseDC(window_, dc_);
    }
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a device context and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
  ~SelectedObject() { ::SelectObject(dc_, previous_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// BeginPaint and EndPaint around one WM_PAINT.
class PaintScope {
 public:
  explicit PaintScope(HWND window) : window_(window) { dc_ = ::BeginPaint(window, &paint_); }
  ~PaintScope() { ::EndPaint(window_, &paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  HDC Dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

}  // namespace dizi
