// A picture drawn at its own size at the top left of its box (TImage). Where
// the picture leaves the box free, the box shows the brush its parent answers
// to WM_CTLCOLORSTATIC, so that a parent can make the box look transparent.
// A clickable box shows the hand cursor and reports a click (a press and a
// release inside the box) to its parent as WM_COMMAND with STN_CLICKED.
#pragma once

#include <windows.h>

#include "app/base_window.h"

namespace dizi {

class PictureBox : public BaseWindow<PictureBox> {
 public:
  static constexpr char kClassName[] = "TImage";
  static void DescribeClass(WNDCLASSEXA& description);

  PictureBox() = default;
  ~PictureBox() { Destroy(); }

  // Creates the box, visible, empty until SetPicture.
  void Create(HWND parent, int id, const Bounds& bounds, bool clickable, HINSTANCE instance);

  // The picture to draw; the caller keeps it alive as long as the box.
  void SetPicture(HBITMAP picture);

 private:
  friend class BaseWindow<PictureBox>;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnPaint();
  bool OnSetCursor();
  void OnLButtonDown();
  void OnLButtonUp(LPARAM position);

  HBITMAP picture_ = nullptr;
  Size pictureSize_;
  bool clickable_ = false;
  bool pressed_ = false;
};

}  // namespace dizi
