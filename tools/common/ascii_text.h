// Small text helpers shared by the companion programs, for narrow text and for
// the UTF-16 text of the registry alike. Windows compares file names without
// regard to case; these helpers fold ASCII letters only, which covers every
// name the tools look for and keeps them free of locale tables.
//
// The programs cut texts with remove_prefix, Head, From and Slice rather than substr or
// copy: those check their arguments by throwing, which would link the C++
// exception machinery (and its demangler) into programs meant to stay tiny.
#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>

namespace dizi::tools {

// The code of a character, the same for a char and a wide character of the
// same ASCII letter.
template <typename Char>
constexpr std::uint32_t CodeOf(Char c) {
  return static_cast<std::make_unsigned_t<Char>>(c);
}

template <typename Char>
constexpr std::uint32_t AsciiLower(Char c) {
  const std::uint32_t code = CodeOf(c);
  return (code >= 'A' && code <= 'Z') ? code - 'A' + 'a' : code;
}

// True when both texts are equal once ASCII letters are folded to lower case.
// The texts may be of different character types: a wide name against a
// narrow ASCII one.
template <typename CharA, typename CharB>
constexpr bool EqualsIgnoringCase(std::basic_string_view<CharA> a,
                                  std::basic_string_view<CharB> b) {
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

// True when `text` begins with `prefix`, compared as EqualsIgnoringCase does.
template <typename CharA, typename CharB>
constexpr bool StartsWithIgnoringCase(std::basic_string_view<CharA> text,
                                      std::basic_string_view<CharB> prefix) {
  return text.size() >= prefix.size() &&
         EqualsIgnoringCase(std::basic_string_view<CharA>(text.data(), prefix.size()), prefix);
}

// Room for the decimal digits of any unsigned long.
inline constexpr std::size_t kMostDecimalDigits = 20;

// Writes the decimal digits of `number` to `digits`, most significant first,
// and returns how many they are (at least one: "0").
template <typename Char>
constexpr std::size_t DecimalDigits(unsigned long number, Char (&digits)[kMostDecimalDigits]) {
  Char reversed[kMostDecimalDigits] = {};
  std::size_t count = 0;
  do {
    reversed[count++] = static_cast<Char>('0' + number % 10);
    number /= 10;
  } while (number != 0);
  for (std::size_t i = 0; i < count; ++i) {
    digits[i] = reversed[count - 1 - i];
  }
  return count;
}

// The first `count` characters of `text`; `count` is at most text.size().
template <typename Char>
constexpr std::basic_string_view<Char> Head(std::basic_string_view<Char> text, std::size_t count) {
  return {text.data(), count};
}

// The characters of `text` from `start` on; `start` is at most text.size().
template <typename Char>
constexpr std::basic_string_view<Char> From(std::basic_string_view<Char> text, std::size_t start) {
  text.remove_prefix(start);
  return text;
}

// `count` characters of `text` from `start` on, all within the text.
template <typename Char>
constexpr std::basic_string_view<Char> Slice(std::basic_string_view<Char> text, std::size_t start,
                                             std::size_t count) {
  return {text.data() + start, count};
}

template <typename Char>
constexpr bool IsBlank(Char c) {
  return c == Char(' ') || c == Char('\t');
}

// The text without leading and trailing spaces and tabs.
template <typename Char>
constexpr std::basic_string_view<Char> TrimBlanks(std::basic_string_view<Char> text) {
  while (!text.empty() && IsBlank(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsBlank(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

template <typename Char>
constexpr bool IsPathSeparator(Char c) {
  return c == Char('\\') || c == Char('/');
}

// The last component of a path: everything after its last backslash, slash
// or drive colon. A bare name is its own last component.
template <typename Char>
constexpr std::basic_string_view<Char> FileNamePart(std::basic_string_view<Char> path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsPathSeparator(path[i - 1]) || path[i - 1] == Char(':')) {
      path.remove_prefix(i);
      break;
    }
  }
  return path;
}

}  // namespace dizi::tools
