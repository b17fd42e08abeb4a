// Turns the layout's pixels at 96 dots per inch into pixels at the system's
// resolution (the program declares itself DPI aware).
#pragma once

#include <windows.h>

#include "app/gdi_objects.h"
#include "app/layout.h"

namespace dizi {

class DpiScale {
 public:
  explicit DpiScale(int dotsPerInch) : dotsPerInch_(dotsPerInch > 0 ? dotsPerInch : 96) {}

  // The system's resolution, as the screen reports it.
  static DpiScale OfScreen() {
    const WindowDc screen(nullptr);
    return DpiScale(screen.Get() ? ::GetDeviceCaps(screen.Get(), LOGPIXELSY) : 96);
  }

  int operator()(int pixelsAt96) const { return ::MulDiv(pixelsAt96, dotsPerInch_, 96); }
  Bounds operator()(const Bounds& at96) const {
    return {(*this)(at96.left), (*this)(at96.top), (*this)(at96.width), (*this)(at96.height)};
  }
  Size operator()(const Size& at96) const { return {(*this)(at96.width), (*this)(at96.height)}; }

 private:
  int dotsPerInch_;
};

}  // namespace dizi
