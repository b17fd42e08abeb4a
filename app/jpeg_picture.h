// Decoding the JPEG pictures the program carries in its resources into pixels
// a Windows DIB section can take as they are.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace dizi {

// A decoded picture: rows from top to bottom, 3 bytes per pixel in blue,
// green, red order, each row padded with zeros to a multiple of 4 bytes —
// exactly the pixel layout of a top-down 24-bit Windows DIB.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> pixels;
  std::size_t Stride() const;  // bytes per row, a multiple of 4
};

// Decodes a JPEG held in memory; std::nullopt when the data is not a JPEG
// libjpeg can decode (damaged, truncated, empty). Greyscale pictures come out
// as grey BGR pixels. Data libjpeg would only warn about (corrupt or missing
// entropy-coded bytes) counts as damaged. Never writes to the console and never
// ends the process, whatever the data.
std::optional<Picture> DecodeJpeg(const unsigned char* data, std::size_t size);

}  // namespace dizi
