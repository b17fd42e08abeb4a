// Pictures from the program's resources as GDI bitmaps.
#pragma once

#include <windows.h>

#include <optional>

#include "app/gdi_objects.h"
#include "app/jpeg_picture.h"
#include "app/layout.h"

namespace dizi {

// Decodes a JPEG held as an RCDATA resource; nothing when it is missing or
// cannot be decoded.
std::optional<Picture> LoadJpegResource(HINSTANCE instance, int id);

// A new 24-bit DIB section of that size, its pixels undefined; null when it
// cannot be made.
ScopedBitmap NewBitmap(Size size);

// The picture as a 24-bit DIB section; null when it cannot be made.
ScopedBitmap BitmapFromPicture(const Picture& picture);

// A copy of `source` resized to `size` with smooth (halftone) sampling.
ScopedBitmap ResizedBitmap(HBITMAP source, Size size);

// The size of a bitmap; zero for null.
Size SizeOf(HBITMAP bitmap);

}  // namespace dizi
