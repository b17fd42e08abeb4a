// The "Restore from quarantine" window: the files kept in the quarantine
// (date, size, state, original path) with Restore and Delete, the repair
// program's registry undo files with Import, and Close. It draws and asks;
// the engine restores, deletes and imports, and records each action in the
// quarantine's manifest (quarantine/restore.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/base_window.h"
#include "app/dpi_scale.h"
#include "quarantine/restore.h"

namespace dizi {

class Platform;
struct SystemPaths;

class RestoreDialog : public BaseWindow<RestoreDialog> {
 public:
  static constexpr char kClassName[] = "TRestoreForm";
  static void DescribeClass(WNDCLASSEXA& description);

  // `font` for the labels and buttons, `listFont` for the lists: the main
  // window's.
  RestoreDialog(Platform& platform, const SystemPaths& paths, const DpiScale& scale, HFONT font,
                HFONT listFont, HINSTANCE instance);
  ~RestoreDialog() { Destroy(); }

  // Shows the window centred over `owner`, which takes no input meanwhile,
  // and returns once it is closed.
  void ShowModal(HWND owner);

 private:
  friend class BaseWindow<RestoreDialog>;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnCommand(int id, int notification);
  LRESULT OnCtlColorListBox(HDC dc);

  void CreateControls();
  // Reads the quarantine again and shows it, keeping the selected rows.
  void Refill();
  void RestoreClick();
  void DeleteClick();
  void ImportClick();

  // The selected kept file or undo file; null when none is.
  const QuarantineItem* SelectedItem() const;
  const std::string* SelectedUndoFile() const;
  bool Ask(const std::string& question) const;
  void Tell(const std::string& text, UINT icon) const;

  Platform& platform_;
  const SystemPaths& paths_;
  DpiScale scale_;
  HFONT font_;
  HFONT listFont_;
  HINSTANCE instance_;

  std::vector<QuarantineItem> items_;
  std::vector<std::string> undoFiles_;
  HWND itemsList_ = nullptr;
  HWND undoList_ = nullptr;
  HWND restore_ = nullptr;
  HWND delete_ = nullptr;
  HWND import_ = nullptr;
  bool closed_ = false;
};

}  // namespace dizi
