#include "fservice/winlogon_list.h"

#include <algorithm>
#include <cassert>

#include "common/ascii_text.h"
#include "fservice/autostart_command.h"

namespace dizi::tools {

namespace {

// One entry of the list and the separator after it (empty for the last entry).
struct Entry {
  std::string_view text;
  std::string_view separator;
};

// The first entry of `rest` and the separator after it.
Entry NextEntry(std::string_view rest) {
  const std::size_t comma = rest.find(',');
  if (comma == std::string_view::npos) {
    return {rest, {}};
  }
  std::size_t end = comma + 1;
  while (end < rest.size() && IsBlank(rest[end])) {
    ++end;
  }
  return {Head(rest, comma), std::string_view(rest.data() + comma, end - comma)};
}

// Appends `text` to the new list in `out`, which has room for it.
void Append(std::span<char> out, std::size_t& length, std::string_view text) {
  std::copy(text.begin(), text.end(), out.begin() + static_cast<std::ptrdiff_t>(length));
  length += text.size();
}

bool StartsNoProgram(std::string_view text) {
  for (char c : text) {
    if (c != ',' && !IsBlank(c)) {
      return false;
    }
  }
  return true;
}

}  // namespace

ListRewrite RemoveFamilyEntries(std::string_view list, std::span<char> out) {
  assert(out.size() >= list.size());
  ListRewrite result;
  std::string_view pending_separator;  // follows the last entry kept so far
  bool kept_any = false;
  std::string_view rest = list;
  while (true) {
    const Entry entry = NextEntry(rest);
    if (StartsFamilyFile(entry.text)) {
      ++result.removed;
    } else {
      if (kept_any) {
        Append(out, result.length, pending_separator);
      }
      Append(out, result.length, entry.text);
      pending_separator = entry.separator;
      kept_any = true;
    }
    if (entry.separator.empty()) {
      break;
    }
    rest.remove_prefix(entry.text.size() + entry.separator.size());
  }
  result.needs_default =
      result.removed > 0 && StartsNoProgram(std::string_view(out.data(), result.length));
  return result;
}

}  // namespace dizi::tools
