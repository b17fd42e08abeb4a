// The hints of the main window: a tooltip shown over a control while the mouse
// rests on it.
#pragma once

#include <windows.h>

namespace dizi {

class Hints {
 public:
  // Creates the tooltip window, owned (and so destroyed) by `owner`.
  Hints(HWND owner, HINSTANCE instance);

  // Shows `text` over `control` from now on.
  void Add(HWND control, const char* text);

 private:
  HWND owner_;
  HWND tooltip_;
};

}  // namespace dizi
