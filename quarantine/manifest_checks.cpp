#include "quarantine/manifest_checks.h"

#include <vector>

#include "platform/utf8.h"

namespace dizi {

namespace {

// Windows' own limit on a full path (MAX_PATH less its null), in UTF-16 units.
constexpr std::size_t kLongestPath = 259;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view text) {
  for (const char c : text) {
    if (!IsDigit(c)) {
      return false;
    }
  }
  return true;
}

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// The UTF-16 units of a text that is UTF-8; nothing when it is not.
std::optional<std::size_t> Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (std::size_t at = 0; at < utf8.size();) {
    const std::optional<char32_t> c = NextUtf8(utf8, at);
    if (!c) {
      return std::nullopt;
    }
    units += *c >= 0x10000 ? 2 : 1;
  }
  return units;
}

std::vector<std::string_view> Parts(std::string_view path) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t slash = path.find('\\');
    parts.push_back(path.substr(0, slash));
    if (slash == std::string_view::npos) {
      return parts;
    }
    path.remove_prefix(slash + 1);
  }
}

// A device's name: what comes before the first dot, blanks at its end left
// out, in any case.
bool NamesDevice(std::string_view part) {
  std::string_view base = part.substr(0, part.find('.'));
  while (!base.empty() && base.back() == ' ') {
    base.remove_suffix(1);
  }
  std::string name;
  for (const char c : base) {
    name += Upper(c);
  }
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (name == device) {
      return true;
    }
  }
  if (name.size() < 4 || (name.compare(0, 3, "COM") != 0 && name.compare(0, 3, "LPT") != 0)) {
    return false;
  }
  // A digit from 1 to 9, or (as Windows also takes them) a superscript 1, 2 or 3.
  const std::string_view number = std::string_view(name).substr(3);
  return (number.size() == 1 && number[0] >= '1' && number[0] <= '9') || number == "\xC2\xB9" ||
         number == "\xC2\xB2" || number == "\xC2\xB3";
}

std::string PartProblem(std::string_view part) {
  if (part.empty()) {
    return "its path has an empty part (two backslashes in a row, or one at its end)";
  }
  if (part == "." || part == "..") {
    return "its path has a . or .. part";
  }
  for (const char c : part) {
    if (c == ':') {
      return "its path names a stream of a file (a colon after the drive's)";
    }
  }
  for (const char c : part) {
    if (static_cast<unsigned char>(c) < 0x20 ||
        std::string_view("<>\"/|?*").find(c) != std::string_view::npos) {
      return "its path has a character Windows allows in no file name";
    }
  }
  if (part.back() == '.' || part.back() == ' ') {
    return "its path has a part ending in a dot or a space";
  }
  if (NamesDevice(part)) {
    return "its path names a device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, CONIN$ "
           "or CONOUT$)";
  }
  return {};
}

}  // namespace

std::string IdProblem(std::string_view id) {
  const bool shaped = (id.size() == 18 || id.size() == 19) && id[8] == '-' && id[15] == '-' &&
                      AllDigits(id.substr(0, 8)) && AllDigits(id.substr(9, 6)) &&
                      AllDigits(id.substr(16));
  // Numbers as KeepFile writes them: two digits from 01, three from 100.
  const bool numbered = shaped && (id.size() == 18 ? id.substr(16) != "00" : id[16] != '0');
  return numbered ? std::string() : "its id is not one this program gives";
}

std::string PathProblem(std::string_view path) {
  if (path.find('\0') != std::string_view::npos) {
    return "its path holds a null character";
  }
  const std::optional<std::size_t> length = Utf16Length(path);
  if (!length) {
    return "its path is not UTF-8";
  }
  if (*length > kLongestPath) {
    return "its path is longer than the 259 characters Windows allows";
  }
  std::vector<std::string_view> parts;
  std::size_t least = 1;  // parts a file's path has below its root
  if (path.size() >= 3 && Upper(path[0]) >= 'A' && Upper(path[0]) <= 'Z' && path[1] == ':' &&
      path[2] == '\\') {
    parts = Parts(path.substr(3));
  } else if (path.substr(0, 2) == "\\\\" && path.substr(0, 4) != "\\\\?\\" &&
             path.substr(0, 4) != "\\\\.\\") {
    parts = Parts(path.substr(2));
    least = 3;  // the server, the share and the file
  } else {
    return "its path is not a full path on a drive (C:\\...) or a network share "
           "(\\\\server\\share\\...)";
  }
  for (const std::string_view part : parts) {
    if (std::string problem = PartProblem(part); !problem.empty()) {
      return problem;
    }
  }
  if (parts.size() < least) {
    return "its path names no file";
  }
  return {};
}

std::optional<std::string> Sha256Digits(std::string_view text) {
  if (text.size() != 64) {
    return std::nullopt;
  }
  std::string digits;
  for (const char c : text) {
    if (IsDigit(c) || (c >= 'a' && c <= 'f')) {
      digits += c;
    } else if (c >= 'A' && c <= 'F') {
      digits += static_cast<char>(c - 'A' + 'a');
    } else {
      return std::nullopt;
    }
  }
  return digits;
}

}  // namespace dizi
