#include "report/run_id.h"

#include "platform/platform.h"

namespace dizi {

namespace {

constexpr std::size_t kRunIdLength = 22;  // "yyyymmdd-hhmmss-xxxxxx"
constexpr char kHex[] = "0123456789abcdef";

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsLowerHex(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f');
}

}  // namespace

std::string MakeRunId(Platform& platform, const LocalTime& started) {
  std::string id = TimeStamp(UtcOf(started)) + "-";
  const std::uint32_t random = platform.RandomNumber();
  for (int shift = 20; shift >= 0; shift -= 4) {
    id += kHex[(random >> shift) & 0xF];
  }
  return id;
}

bool IsRunId(std::string_view text) {
  if (text.size() != kRunIdLength || text[8] != '-' || text[15] != '-') {
    return false;
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool ok = i == 8 || i == 15 || (i < 15 ? IsDigit(text[i]) : IsLowerHex(text[i]));
    if (!ok) {
      return false;
    }
  }
  return true;
}

std::string RunIdOfFileName(std::string_view name, std::string_view extension) {
  if (name.size() < extension.size() + kRunIdLength + 1 ||
      name.substr(name.size() - extension.size()) != extension) {
    return {};
  }
  const std::string_view stem = name.substr(0, name.size() - extension.size());
  const std::string_view id = stem.substr(stem.size() - kRunIdLength);
  if (stem[stem.size() - kRunIdLength - 1] != '-' || !IsRunId(id)) {
    return {};
  }
  return std::string(id);
}

}  // namespace dizi
