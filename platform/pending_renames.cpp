#include "platform/pending_renames.h"

namespace dizi {

namespace {

// The name of UTF-16 LE units [from, to) of `bytes`.
std::u16string NameAt(std::string_view bytes, std::size_t from, std::size_t to) {
  std::u16string name;
  for (std::size_t unit = from; unit < to; ++unit) {
    name += static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * unit]) |
                                  (static_cast<unsigned char>(bytes[2 * unit + 1]) << 8));
  }
  return name;
}

bool IsNull(std::string_view bytes, std::size_t unit) {
  return bytes[2 * unit] == '\0' && bytes[2 * unit + 1] == '\0';
}

// The unit of the null that ends the name starting at `unit`; `units` when
// there is none.
std::size_t EndOfName(std::string_view bytes, std::size_t unit, std::size_t units) {
  while (unit < units && !IsNull(bytes, unit)) {
    ++unit;
  }
  return unit;
}

}  // namespace

PendingRenamesEdit WithoutDeletions(std::string_view bytes,
                                    const std::function<bool(std::u16string_view)>& isFile) {
  PendingRenamesEdit edit;
  const std::size_t units = bytes.size() / 2;
  std::size_t kept = 0;  // the bytes before this unit are dealt with
  std::size_t unit = 0;
  while (unit < units) {
    const std::size_t fileEnd = EndOfName(bytes, unit, units);
    if (fileEnd + 1 >= units) {
      break;  // no second name: not a pair
    }
    const std::size_t targetEnd = EndOfName(bytes, fileEnd + 1, units);
    if (targetEnd == units) {
      break;  // the second name has no null
    }
    const bool deletion = targetEnd == fileEnd + 1;
    if (deletion && fileEnd > unit && isFile(NameAt(bytes, unit, fileEnd))) {
      edit.bytes.append(bytes.substr(2 * kept, 2 * (unit - kept)));
      kept = targetEnd + 1;
      ++edit.removed;
    }
    unit = targetEnd + 1;
  }
  edit.bytes.append(bytes.substr(2 * kept));
  return edit;
}

bool HoldsNoOperation(std::string_view bytes) {
  return bytes.find_first_not_of('\0') == std::string_view::npos;
}

std::vector<std::u16string> PendingRenameNames(std::u16string_view path) {
  std::vector<std::u16string> names{std::u16string(path)};
  if (path.substr(0, 2) == u"\\\\") {
    names.push_back(u"\\??\\UNC\\" + std::u16string(path.substr(2)));
  } else {
    names.push_back(u"\\??\\" + std::u16string(path));
  }
  return names;
}

}  // namespace dizi
