// The log list's colours, shared by every list drawn in its look.
#pragma once

#include <windows.h>

namespace dizi {

// Answers WM_CTLCOLORLISTBOX for a list in the log's look: lime text on black.
inline LRESULT PaintInLogListLook(HDC dc) {
  ::SetTextColor(dc, RGB(0, 255, 0));
  ::SetBkColor(dc, RGB(0, 0, 0));
  return reinterpret_cast<LRESULT>(::GetStockObject(BLACK_BRUSH));
}

}  // namespace dizi
