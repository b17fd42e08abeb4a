// Panel1, the About panel: the background picture (Image2), the About text
// (Label1), the publisher's banner (Image1) and the Go Back button (BitBtn1).
// It covers the rest of the main window while it is shown, and passes the
// commands of its controls on to the main window.
#pragma once

#include <windows.h>

#include <string>

#include "app/base_window.h"
#include "app/dpi_scale.h"
#include "app/gdi_objects.h"
#include "app/picture_box.h"

namespace dizi {

class AboutPanel : public BaseWindow<AboutPanel> {
 public:
  static constexpr char kClassName[] = "TPanel";
  static void DescribeClass(WNDCLASSEXA& description);

  AboutPanel() = default;
  ~AboutPanel() { Destroy(); }

  // Creates the panel, hidden, with its controls in the given font.
  void Create(HWND parent, const DpiScale& scale, HFONT font, HINSTANCE instance);

  // Sets the text of Label1 and sizes the label to fit it.
  void SetLabel1Text(const std::string& text);

  HWND Label1() const { return label1_; }
  HWND Image1() const { return image1_.Window(); }
  HWND BitBtn1() const { return bitBtn1_; }

 private:
  friend class BaseWindow<AboutPanel>;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnPaint();
  void OnPrintClient(HDC dc);
  LRESULT OnCtlColor(HDC dc, HWND control);

  void CreateControls(const DpiScale& scale, HFONT font, HINSTANCE instance);
  void LoadPictures(const DpiScale& scale, HINSTANCE instance);
  void RenderBackdrop(const DpiScale& scale);

  PictureBox image2_;
  HWND label1_ = nullptr;
  PictureBox image1_;
  HWND bitBtn1_ = nullptr;

  ScopedBitmap background_;  // the background picture, fitted into Image2's box
  ScopedBitmap banner_;
  ScopedImageList goBackPicture_;
  // The panel as it looks without its controls: its face, its bevel and the
  // background picture. Controls that look transparent paint it behind them.
  ScopedBitmap backdrop_;
  ScopedBrush backdropBrush_;
};

}  // namespace dizi
