// Focus and keyboard of the main window. The window is no dialog, and its tab
// order (ProgressBar1, BitBtn2, Panel1, TreeView1, ListBox1) differs from its
// stacking order, which the system's dialog navigation would follow: so Tab,
// Enter and the Scan button's access key are handled here.
#include "app/form1.h"
#include "app/tab_order.h"

namespace dizi {

namespace {

bool KeyDown(int key) {
  return (::GetKeyState(key) & 0x8000) != 0;
}

bool IsScanKey(WPARAM character) {
  return character == 's' || character == 'S';
}

}  // namespace

bool TForm1::CanTakeFocus(HWND control) const {
  if (control == nullptr || !::IsWindowVisible(control) || !::IsWindowEnabled(control) ||
      (::GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) == 0) {
    return false;
  }
  const bool coveredByPanel =
      ::IsWindowVisible(Panel1.Window()) && !::IsChild(Panel1.Window(), control);
  return !coveredByPanel;
}

std::array<HWND, 5> TForm1::TabOrder() const {
  return {ProgressBar1, BitBtn2, Panel1.BitBtn1(), TreeView1, ListBox1};
}

std::optional<HWND> TForm1::FirstToFocus() const {
  const std::array<HWND, 5> order = TabOrder();
  return NextInTabOrder<HWND>(order, nullptr, false,
                              [this](HWND control) { return CanTakeFocus(control); });
}

void TForm1::MoveFocus(bool backwards) {
  const std::array<HWND, 5> order = TabOrder();
  const std::optional<HWND> next = NextInTabOrder<HWND>(
      order, ::GetFocus(), backwards, [this](HWND control) { return CanTakeFocus(control); });
  if (next) {
    ::SetFocus(*next);
  }
}

void TForm1::FocusSavedControl() {
  if (!CanTakeFocus(savedFocus_)) {
    savedFocus_ = FirstToFocus().value_or(nullptr);
  }
  if (savedFocus_ != nullptr) {
    ::SetFocus(savedFocus_);
  }
}

void TForm1::KeepFocusReachable() {
  if (::GetActiveWindow() != Window()) {
    if (!CanTakeFocus(savedFocus_)) {
      savedFocus_ = FirstToFocus().value_or(nullptr);
    }
    return;
  }
  if (!CanTakeFocus(::GetFocus())) {
    const std::optional<HWND> first = FirstToFocus();
    ::SetFocus(first ? *first : Window());
  }
}

void TForm1::OnActivate(bool active, bool minimized) {
  if (!active) {
    const HWND focus = ::GetFocus();
    if (focus != nullptr && ::IsChild(Window(), focus)) {
      savedFocus_ = focus;
    }
  } else if (!minimized) {
    FocusSavedControl();
  }
}

void TForm1::OnSetFocus() {
  FocusSavedControl();
}

HWND TForm1::DefaultButton() const {
  return ::IsWindowVisible(Panel1.Window()) ? Panel1.BitBtn1() : BitBtn2;
}

void TForm1::PanelVisibilityChanged() {
  // The default button is the one the user sees: Go Back while the panel
  // covers the Scan button.
  const bool panelShown = ::IsWindowVisible(Panel1.Window());
  ::SendMessageA(BitBtn2, BM_SETSTYLE, panelShown ? BS_PUSHBUTTON : BS_DEFPUSHBUTTON, TRUE);
  ::SendMessageA(Panel1.BitBtn1(), BM_SETSTYLE, panelShown ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON,
                 TRUE);
  KeepFocusReachable();
}

void TForm1::Click(HWND button) {
  ::SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}

bool TForm1::PreTranslateMessage(const MSG& message) {
  if (message.hwnd != Window() && !::IsChild(Window(), message.hwnd)) {
    return false;
  }
  const HWND focus = ::GetFocus();
  const bool focusOnButton = focus == BitBtn2 || focus == Panel1.BitBtn1();
  switch (message.message) {
    case WM_KEYDOWN:
      if (message.wParam == VK_TAB && !KeyDown(VK_CONTROL) && !KeyDown(VK_MENU)) {
        MoveFocus(KeyDown(VK_SHIFT));
        // From now on the focused control shows its focus rectangle.
        ::SendMessageA(Window(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        return true;
      }
      if (message.wParam == VK_RETURN) {
        Click(focusOnButton ? focus : DefaultButton());
        return true;
      }
      return false;
    case WM_SYSCHAR:  // Alt+S
    case WM_CHAR:     // S alone, while a button has the focus, as in a dialog
      if (IsScanKey(message.wParam) && (message.message == WM_SYSCHAR || focusOnButton) &&
          CanTakeFocus(BitBtn2)) {
        Click(BitBtn2);
        return true;
      }
      return false;
  }
  return false;
}

}  // namespace dizi
