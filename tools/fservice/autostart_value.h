// Whole registry values that start programs: a Run value, or a value holding
// a list of programs. The data is taken as the registry stores it, so that a
// value is judged and rewritten exactly, whatever its characters.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fservice/autostart_command.h"
#include "fservice/heap_array.h"
#include "fservice/program_list.h"
#include "fservice/wide_text.h"

namespace dizi::tools {

// Registry value types, with Windows' numbers.
inline constexpr std::uint32_t kStringType = 1;        // REG_SZ
inline constexpr std::uint32_t kExpandStringType = 2;  // REG_EXPAND_SZ

// The data of a string value: its text, up to the first null character or
// the end, and the bytes from there on (the null, anything hidden after it,
// an odd last byte). A changed value keeps that tail as it was.
struct StringData {
  WideView text;
  const unsigned char* tail;
  std::size_t tail_size;
};

// `size` bytes of value data, held as wide characters.
StringData SplitStringData(const WideChar* data, std::size_t size);

// Whether Windows, starting the value, starts one of the family's files (see
// AutostartMatcher::StartsFamilyFile). Only string values are started; any
// other type is kNo.
Answer StartsFamilyFile(const AutostartMatcher& matcher, std::uint32_t type, const WideChar* data,
                        std::size_t size);

struct ListValueRewrite {
  ListRewrite list;
  HeapArray<unsigned char> data;  // with list.changed kYes: the new data, same type
  std::size_t size = 0;
};

// The new data of a list value without the family's entries (see
// RemoveFamilyEntries): the new list followed by the old data's tail. A value
// that is not a string is left alone (kNo).
ListValueRewrite RewriteListValue(const AutostartMatcher& matcher, const ListRules& rules,
                                  std::uint32_t type, const WideChar* data, std::size_t size);

}  // namespace dizi::tools
