// Small text helpers shared by the companion programs. Windows compares file
// names without regard to case; these helpers fold ASCII letters only, which
// covers every name the tools look for and keeps them free of locale tables.
//
// The programs cut texts with remove_prefix and Head rather than substr or
// copy: those check their arguments by throwing, which would link the C++
// exception machinery (and its demangler) into programs meant to stay tiny.
#pragma once

#include <string_view>

namespace dizi::tools {

constexpr char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// True when both texts are equal once ASCII letters are folded to lower case.
constexpr bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

// The first `count` characters of `text`; `count` is at most text.size().
constexpr std::string_view Head(std::string_view text, std::size_t count) {
  return {text.data(), count};
}

constexpr bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// The text without leading and trailing spaces and tabs.
constexpr std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

// The last component of a path: everything after its last backslash, slash
// or drive colon. A bare name is its own last component.
constexpr std::string_view FileNamePart(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\/:");
  if (separator != std::string_view::npos) {
    path.remove_prefix(separator + 1);
  }
  return path;
}

}  // namespace dizi::tools
