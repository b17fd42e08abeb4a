// The pictures beside the captions of the two push buttons.
#pragma once

#include <windows.h>

#include "app/gdi_objects.h"

namespace dizi {

// Shows the 32 x 32 bitmap resource `bitmapId` left of the button's caption,
// its magenta (255, 0, 255) background transparent. The button draws from the
// returned list, which must live as long as the button; null when the picture
// cannot be loaded, and the button then shows its caption alone.
ScopedImageList GiveButtonPicture(HWND button, HINSTANCE instance, int bitmapId, int margin);

}  // namespace dizi
