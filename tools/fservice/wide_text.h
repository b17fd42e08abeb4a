// The text fservice.exe works on: the UTF-16 text of the registry's wide
// functions, held as wchar_t on Windows and as char16_t where the portable
// parts are tested natively (wchar_t is 32 bits wide there).
#pragma once

#include <string_view>

namespace dizi::tools {

#ifdef _WIN32
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif
static_assert(sizeof(WideChar) == 2, "registry text is UTF-16");

using WideView = std::basic_string_view<WideChar>;

}  // namespace dizi::tools
