// A top-level window holding the log's two views made as the main window makes
// them (TForm1::CreateControls in app/form1.cpp): the same classes, styles,
// places, fonts, colours and line height, at 96 dots per inch, with one of the
// two views shown as in the window, or neither.
#pragma once

#include <windows.h>

#include "app/gdi_objects.h"
#include "tests/e2e/win/common/test_only_handles.h"

namespace bench {

enum class ShownView { None, List, Tree };

using ScopedWindow = e2e::UniqueWindow;

class LogWindow {
 public:
  // Creates and shows the window; Created() tells whether that worked.
  LogWindow(HINSTANCE instance, ShownView shown);

  bool Created() const { return list_ != nullptr && tree_ != nullptr; }
  HWND List() const { return list_; }
  HWND Tree() const { return tree_; }

 private:
  // Declared before the window, so that the window and its controls are gone
  // before the fonts they use are deleted.
  dizi::ScopedFont font_;
  dizi::ScopedFont listFont_;
  ScopedWindow window_;
  HWND list_ = nullptr;
  HWND tree_ = nullptr;
};

}  // namespace bench
