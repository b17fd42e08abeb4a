// The parts of the main window a scan run drives besides the log.
#pragma once

namespace dizi {

class ScanView {
 public:
  virtual ~ScanView() = default;
  // Moves the progress bar (range 0 to 10).
  virtual void SetProgress(int position) = 0;
  // Shows the hourglass over the window, or the normal cursor again.
  virtual void SetBusyCursor(bool busy) = 0;
  // How far, in pixels, the list can be scrolled sideways for long lines.
  virtual void SetListScrollWidth(int pixels) = 0;
};

}  // namespace dizi
