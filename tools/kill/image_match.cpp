#include "kill/image_match.h"

#include <initializer_list>

#include "common/ascii_text.h"

namespace dizi::tools {

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(Head(text, prefix.size()), prefix);
}

// `text` without its first `count` characters.
std::string_view After(std::string_view text, std::size_t count) {
  text.remove_prefix(count);
  return text;
}

bool Join(std::string_view first, std::string_view second, PathText& out) {
  out.length = 0;
  if (first.size() + second.size() >= kPathCapacity) {
    return false;
  }
  for (const std::string_view part : {first, second}) {
    for (const char c : part) {
      out.text[out.length++] = c;
    }
  }
  out.text[out.length] = '\0';
  return true;
}

}  // namespace

bool PathText::Assign(std::string_view path) {
  return Join(path, {}, *this);
}

bool ToWin32Path(std::string_view path, const DriveDevice* drives, std::size_t driveCount,
                 PathText& out) {
  if (StartsWithIgnoringCase(path, "\\\\?\\UNC\\")) {
    return Join("\\\\", After(path, 8), out);
  }
  for (const std::string_view prefix : {"\\\\?\\", "\\\\.\\", "\\??\\"}) {
    if (path.size() >= prefix.size() && Head(path, prefix.size()) == prefix) {
      return out.Assign(After(path, prefix.size()));
    }
  }
  if (!StartsWithIgnoringCase(path, "\\Device\\")) {
    return out.Assign(path);
  }
  for (std::size_t i = 0; i < driveCount; ++i) {
    const std::string_view device = drives[i].device;
    // "\Device\HarddiskVolume1" is not the start of "\Device\HarddiskVolume10\...".
    if (!device.empty() && StartsWithIgnoringCase(path, device) && path.size() > device.size() &&
        path[device.size()] == '\\') {
      const char drive[] = {drives[i].drive, ':', '\0'};
      return Join(drive, After(path, device.size()), out);
    }
  }
  out.Assign({});
  return false;
}

bool SameIdentity(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.volume == b.volume && a.indexHigh == b.indexHigh &&
         a.indexLow == b.indexLow;
}

bool IsSameFile(const FileFacts& target, const FileFacts& image, bool pathsAmbiguous) {
  const bool linked = target.identity.links > 1 || image.identity.links > 1;
  if (!linked && target.identity.known && image.identity.known) {
    return SameIdentity(target.identity, image.identity);
  }
  return !pathsAmbiguous && !target.path.empty() && EqualsIgnoringCase(target.path, image.path);
}

bool MoveToFolder(std::string_view path, std::string_view from, std::string_view to,
                  PathText& out) {
  out.Assign({});
  if (from.empty() || to.empty() || path.size() <= from.size() + 1 ||
      !StartsWithIgnoringCase(path, from) || path[from.size()] != '\\') {
    return false;
  }
  return Join(to, After(path, from.size()), out);
}

}  // namespace dizi::tools
