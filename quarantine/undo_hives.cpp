#include "quarantine/undo_hives.h"

#include <algorithm>

#include "platform/utf8.h"

namespace dizi {

namespace {

constexpr std::string_view kLoadLine = ";   reg load HKU\\";
constexpr std::string_view kHiveFile = "\\ntuser.dat";

bool IsSid(std::string_view text) {
  if (text.size() < 5 || text.substr(0, 4) != "S-1-") {
    return false;
  }
  bool digitBefore = false;
  for (const char c : text.substr(4)) {
    if (c >= '0' && c <= '9') {
      digitBefore = true;
    } else if (c == '-' && digitBefore) {
      digitBefore = false;
    } else {
      return false;
    }
  }
  return digitBefore;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  return lower;
}

// "X:\...\NTUSER.DAT", without "." or ".." components, empty ones, or a
// colon past the drive's.
bool IsProfileHiveFile(std::string_view path) {
  const bool drive = path.size() > 3 &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                     path[1] == ':' && path[2] == '\\';
  if (!drive || path.size() <= kHiveFile.size() + 2 ||
      Lower(path.substr(path.size() - kHiveFile.size())) != kHiveFile) {
    return false;
  }
  std::string_view rest = path.substr(3);
  while (!rest.empty()) {
    const std::size_t slash = rest.find('\\');
    const std::string_view name = rest.substr(0, slash);
    if (name.empty() || name == "." || name == ".." || name.find(':') != std::string_view::npos ||
        name.find('"') != std::string_view::npos) {
      return false;
    }
    rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
  }
  return true;
}

// The bytes as UTF-8 lines; false when they are not UTF-16LE with its mark.
bool Lines(std::string_view bytes, std::vector<std::string>& lines) {
  if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes.substr(0, 2) != "\xFF\xFE") {
    return false;
  }
  std::string line;
  for (std::size_t i = 2; i < bytes.size(); i += 2) {
    char32_t c = static_cast<unsigned char>(bytes[i]) |
                 static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
      const char32_t low = static_cast<unsigned char>(bytes[i + 2]) |
                           static_cast<char32_t>(static_cast<unsigned char>(bytes[i + 3])) << 8;
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      }
    }
    if (c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
    } else if (c != '\r') {
      AppendUtf8(line, c >= 0xD800 && c < 0xE000 ? 0xFFFD : c);
    }
  }
  lines.push_back(std::move(line));
  return true;
}

}  // namespace

HivesToLoad ReadHivesToLoad(std::string_view bytes) {
  HivesToLoad result;
  std::vector<std::string> lines;
  if (!Lines(bytes, lines)) {
    result.damaged = "it is not in the registry editor's format (UTF-16 with its mark)";
    return result;
  }
  for (const std::string& line : lines) {
    if (line.compare(0, kLoadLine.size(), kLoadLine) != 0) {
      continue;
    }
    const std::string_view rest = std::string_view(line).substr(kLoadLine.size());
    const std::size_t space = rest.find(' ');
    const std::string_view sid = rest.substr(0, space);
    const std::string_view quoted =
        space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
    const std::string_view file =
        quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"'
            ? quoted.substr(1, quoted.size() - 2)
            : std::string_view();
    if (!IsSid(sid) || !IsProfileHiveFile(file)) {
      result.damaged = "it asks to load a hive that is no profile's: " + line.substr(4);
      result.hives.clear();
      return result;
    }
    const bool named = std::any_of(result.hives.begin(), result.hives.end(),
                                   [&](const HiveToLoad& hive) { return hive.sid == sid; });
    if (!named) {
      result.hives.push_back({std::string(sid), std::string(file)});
    }
  }
  return result;
}

}  // namespace dizi
