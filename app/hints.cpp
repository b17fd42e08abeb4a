#include "app/hints.h"

#include <commctrl.h>

namespace dizi {

Hints::Hints(HWND owner, HINSTANCE instance) : owner_(owner) {
  // Without the tooltip window (it never fails in practice) the program works
  // the same, only without hints.
  tooltip_ =
      ::CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                        WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, instance, nullptr);
}

void Hints::Add(HWND control, const char* text) {
  if (tooltip_ == nullptr) {
    return;
  }
  TOOLINFOA tool{};
  tool.cbSize = sizeof tool;
  // The whole control is the tool; the tooltip watches its mouse messages.
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = owner_;
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = const_cast<char*>(text);
  ::SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace dizi
