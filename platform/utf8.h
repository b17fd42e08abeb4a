// Writing and reading characters as UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace dizi {

// Appends the code point `c` (U+0000 to U+10FFFF) to `out` as UTF-8.
inline void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// The character that begins at `at`, which then moves past it; nothing, with
// `at` unchanged, when the bytes there are not UTF-8 as the standard has it:
// a stray or missing continuation byte, a sequence cut short, a character
// written longer than it needs (overlong), a half of a UTF-16 surrogate pair
// (U+D800 to U+DFFF), or a code point beyond U+10FFFF.
inline std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& at) {
  if (at >= text.size()) {
    return std::nullopt;
  }
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  char32_t c = 0;
  char32_t least = 0;  // the smallest code point of that length
  if (lead < 0x80) {
    ++at;
    return lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    c = lead & 0x1F;
    least = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    c = lead & 0x0F;
    least = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    c = lead & 0x07;
    least = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() - at < length) {
    return std::nullopt;
  }
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[at + k]);
    if ((next & 0xC0) != 0x80) {
      return std::nullopt;
    }
    c = (c << 6) | (next & 0x3F);
  }
  if (c < least || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) {
    return std::nullopt;
  }
  at += length;
  return c;
}

}  // namespace dizi
