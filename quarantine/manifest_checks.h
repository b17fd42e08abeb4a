// What a manifest line must hold before anything acts on it. The manifest
// lies in a folder whose check (nobody but administrators and the system may
// write there) is what makes its lines the program's own; these checks keep a
// line that is damaged, or was written by something else all the same, from
// naming a file outside the quarantine as an item, or an original path that
// is not a plain file's.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dizi {

// The largest file NTFS holds (16 TiB less 64 KiB): no item is larger.
inline constexpr std::uint64_t kLargestItemSize = (std::uint64_t{1} << 44) - 65536;

// Each gives why the text is unfit, as the end of a sentence ("its id is
// ..."), or an empty text when it is fit.

// An item's id as KeepFile makes them: "yyyymmdd-hhmmss-NN", NN from 01 to 99
// and then from 100 to 999.
std::string IdProblem(std::string_view id);

// An original's path (UTF-8): a full path on a drive ("C:\dir\file") or a
// network share ("\\server\share\dir\file") of at most 259 characters, no
// null in it, and no part that is empty, "." or "..", ends in a dot or a
// space (Windows would drop those), holds a character Windows allows in no
// file name, a colon (a stream: "file:stream") or names a device (CON, PRN,
// AUX, NUL, COM1 to COM9, LPT1 to LPT9, with any extension, in any case, and
// CONIN$, CONOUT$).
std::string PathProblem(std::string_view path);

// A SHA-256 as the manifest gives it: 64 hexadecimal digits, in lower case
// from here on; nothing when the text is not one.
std::optional<std::string> Sha256Digits(std::string_view text);

}  // namespace dizi
