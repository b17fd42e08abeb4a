// TForm1, the main window: the two log views, the progress bar, the Scan
// button, the About panel and the menu bar, with the handlers behind them.
// The window owns the program-wide state for the life of the program (the
// platform, the path texts, the activity log and the scan's state) and is the
// view the log and the scan draw on.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "app/about_panel.h"
#include "app/base_window.h"
#include "app/dpi_scale.h"
#include "app/gdi_objects.h"
#include "app/hints.h"
#include "app/log_controls.h"
#include "log/activity_log.h"
#include "places/system_paths.h"
#include "platform/win32/win32_platform.h"
#include "scan/scan_context.h"
#include "scan/scan_view.h"

namespace dizi {

class TForm1 : public BaseWindow<TForm1>, private ScanView {
 public:
  static constexpr char kClassName[] = "TForm1";
  static void DescribeClass(WNDCLASSEXA& description);

  explicit TForm1(HINSTANCE instance);
  // Destroys the window, if it still exists, without FormClose.
  ~TForm1();

  // Creates the window, hidden, centred on the desktop, with its controls;
  // then runs FormCreate (the start-up checks). Throws when creation fails.
  void Create();

  // Called as the event loop starts. True when the program is to end at once
  // (the start-up checks asked for it); afterwards a termination request
  // ends the loop straight away.
  bool BeginEventLoop() { return platform_.BeginEventLoop(); }

  // Lines the log is to begin the next scan with (see HeldCompanions::notes).
  void NoteForTheLog(const std::vector<std::string>& lines);

  // Shows the window the way the program was started (normal, minimised...).
  void Show(int showCommand);

  // The keyboard handling a dialog would get from the system: Tab and
  // Shift+Tab in the window's tab order, Enter for the focused or the default
  // button, Alt+S for Scan. True when the message is handled and must not be
  // dispatched.
  bool PreTranslateMessage(const MSG& message);

 private:
  friend class BaseWindow<TForm1>;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  // --- Messages (form1.cpp, form1_views.cpp, form1_keyboard.cpp) -----------
  LRESULT OnCreate();
  void OnCommand(int id, int notification);
  bool OnSetCursor(HWND under, int hitTest);
  LRESULT OnCtlColorListBox(HDC dc, HWND listBox);
  void OnClose();
  void OnActivate(bool active, bool minimized);
  void OnSetFocus();

  // --- Handlers (form1_handlers.cpp) -------------------------------------
  void FormCreate();
  void FormClose();
  void Preformafullscan1Click();
  void JustfixupmyRegEditMsconfig1Click();
  void Exit1Click();
  void reeView1Click();
  void ListView1Click();
  void BugsProblemsSuggestions1Click();
  void AboutSpecialThanks1Click();
  void Contact1Click();
  void RestoreFromQuarantine1Click();
  void Image1Click();
  void BitBtn1Click();
  void BitBtn2Click();

  // --- Building the window (form1.cpp) -----------------------------------
  void CreateFonts();
  void CreateControls();
  void StackControls();
  void AddHints();
  void FixClientSize();

  // --- ScanView (form1_views.cpp) ----------------------------------------
  void SetProgress(int position) override;
  void SetBusyCursor(bool busy) override;
  void SetListScrollWidth(int pixels) override;
  // The cursor over `under` when it is the window's own or its control's;
  // null where the system's default applies.
  HCURSOR CursorFor(HWND under) const;
  // Sets the cursor for what lies under the mouse now: while a scan blocks
  // the event loop, no WM_SETCURSOR comes to do it.
  void UpdateCursorNow();

  // --- Focus and keyboard (form1_keyboard.cpp) ---------------------------
  // ProgressBar1, BitBtn2, Panel1 (its BitBtn1), TreeView1, ListBox1.
  std::array<HWND, 5> TabOrder() const;
  // Visible, enabled, a tab stop and not covered by the About panel.
  bool CanTakeFocus(HWND control) const;
  std::optional<HWND> FirstToFocus() const;
  void MoveFocus(bool backwards);
  // Gives the focus back to the control that had it when the window was
  // last active, or to the first that can take it when that one cannot.
  void FocusSavedControl();
  // After controls were shown or hidden: moves the focus off a control the
  // user can no longer see or reach.
  void KeepFocusReachable();
  // After the panel is shown or hidden: the default button and the focus
  // follow the controls the user can see.
  void PanelVisibilityChanged();
  HWND DefaultButton() const;
  // Does what a click of the button does.
  void Click(HWND button);

  HINSTANCE instance_;
  DpiScale scale_;

  // The program-wide state, alive as long as the window.
  LogControls logControls_;  // what the log draws on: ListBox1 and TreeView1
  Win32Platform platform_;
  SystemPaths paths_;
  ActivityLog log_;
  ScanContext context_;

  ScopedFont font_;      // Tahoma, the window's and its controls'
  ScopedFont boldFont_;  // the Scan button's caption
  ScopedFont listFont_;  // Lucida Console, the list's
  ScopedImageList scanPicture_;
  std::optional<Hints> hints_;

  HMENU MainMenu1 = nullptr;  // owned by the window
  HWND TreeView1 = nullptr;
  HWND ProgressBar1 = nullptr;
  HWND BitBtn2 = nullptr;
  HWND ListBox1 = nullptr;
  AboutPanel Panel1;

  HWND savedFocus_ = nullptr;  // the focused control while the window is inactive
  bool busy_ = false;          // the hourglass is the window's cursor
};

}  // namespace dizi
