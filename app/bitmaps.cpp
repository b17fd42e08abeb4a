#include "app/bitmaps.h"

#include <cstring>

namespace dizi {

namespace {

// An empty 24-bit top-down DIB section, and where its pixels lie.
ScopedBitmap NewDibSection(Size size, void** pixels) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = size.width;
  info.bmiHeader.biHeight = -size.height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return ScopedBitmap{::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, pixels, nullptr, 0)};
}

}  // namespace

std::optional<Picture> LoadJpegResource(HINSTANCE instance, int id) {
  const HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(id), RT_RCDATA);
  if (found == nullptr) {
    return std::nullopt;
  }
  // Resources stay mapped as long as the program runs: nothing to free.
  const HGLOBAL loaded = ::LoadResource(instance, found);
  const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
  if (data == nullptr) {
    return std::nullopt;
  }
  return DecodeJpeg(static_cast<const unsigned char*>(data), ::SizeofResource(instance, found));
}

ScopedBitmap BitmapFromPicture(const Picture& picture) {
  const std::size_t bytes = picture.Stride() * static_cast<std::size_t>(picture.height);
  if (picture.width <= 0 || picture.height <= 0 || picture.pixels.size() < bytes) {
    return {};
  }
  void* pixels = nullptr;
  ScopedBitmap bitmap = NewDibSection({picture.width, picture.height}, &pixels);
  if (bitmap && pixels != nullptr) {
    // The picture's rows are laid out as the DIB's: one copy does.
    std::memcpy(pixels, picture.pixels.data(), bytes);
  }
  return bitmap;
}

ScopedBitmap NewBitmap(Size size) {
  void* pixels = nullptr;
  return NewDibSection(size, &pixels);
}

ScopedBitmap ResizedBitmap(HBITMAP source, Size size) {
  const Size from = SizeOf(source);
  ScopedBitmap resized = NewBitmap(size);
  if (!resized || from.width == 0 || from.height == 0) {
    return {};
  }
  const ScopedMemoryDc sourceDc{::CreateCompatibleDC(nullptr)};
  const ScopedMemoryDc targetDc{::CreateCompatibleDC(nullptr)};
  const SelectedObject sourceSelected(sourceDc.Get(), source);
  const SelectedObject targetSelected(targetDc.Get(), resized.Get());
  ::SetStretchBltMode(targetDc.Get(), HALFTONE);
  ::SetBrushOrgEx(targetDc.Get(), 0, 0, nullptr);  // as HALFTONE requires
  ::StretchBlt(targetDc.Get(), 0, 0, size.width, size.height, sourceDc.Get(), 0, 0, from.width,
               from.height, SRCCOPY);
  return resized;
}

Size SizeOf(HBITMAP bitmap) {
  BITMAP info{};
  if (bitmap == nullptr || ::GetObjectA(bitmap, sizeof info, &info) == 0) {
    return {};
  }
  return {info.bmWidth, info.bmHeight};
}

}  // namespace dizi
