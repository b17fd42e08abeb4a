#include "fservice/family_names.h"

#include <algorithm>

#include "common/ascii_text.h"
#include "scan/signatures.h"

namespace dizi::tools {

namespace {

constexpr std::string_view kWindowsServices = "services.exe";

struct NameParts {
  std::string_view base;
  std::string_view extension;  // without its dot
};

NameParts SplitExtension(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) {
    return {name, {}};
  }
  return {Head(name, dot), From(name, dot + 1)};
}

// Whether Windows keeps `name` as its own short name: at most eight characters,
// a dot and at most three more.
bool FitsShortName(const NameParts& parts) {
  return parts.base.size() <= 8 && parts.extension.size() <= 3;
}

bool IsAsciiDigit(WideChar c) {
  return c >= WideChar('0') && c <= WideChar('9');
}

// Whether `alias` ("FFSERV~1.EXE") is a short name Windows may give `name`.
bool IsShortNameOf(WideView alias, std::string_view name) {
  const NameParts parts = SplitExtension(name);
  if (FitsShortName(parts)) {
    return false;  // its short name is the name itself
  }
  const std::size_t dot = alias.rfind(WideChar('.'));
  const WideView alias_base = dot == WideView::npos ? alias : Head(alias, dot);
  const WideView alias_extension = dot == WideView::npos ? WideView() : From(alias, dot + 1);
  const std::string_view extension =
      Head(parts.extension, std::min<std::size_t>(parts.extension.size(), 3));
  if (!EqualsIgnoringCase(alias_extension, extension) || alias_base.size() > 8) {
    return false;
  }
  const std::size_t tilde = alias_base.find(WideChar('~'));
  if (tilde == 0 || tilde == WideView::npos || tilde + 1 == alias_base.size() ||
      alias_base[tilde + 1] == WideChar('0')) {
    return false;
  }
  for (std::size_t i = tilde + 1; i < alias_base.size(); ++i) {
    if (!IsAsciiDigit(alias_base[i])) {
      return false;
    }
  }
  return tilde <= 6 && StartsWithIgnoringCase(parts.base, Head(alias_base, tilde));
}

template <typename Table, typename Test>
bool AnyName(const Table& table, Test test) {
  for (const Signature& signature : table) {
    if (test(FileNamePart(signature.entry))) {
      return true;
    }
  }
  return false;
}

template <typename Test>
bool AnyFamilyName(Test test) {
  return AnyName(ServerSignatures, test) || AnyName(DownloaderSignatures, test);
}

}  // namespace

bool IsFamilyFileName(WideView name) {
  return AnyFamilyName(
      [name](std::string_view family) { return EqualsIgnoringCase(name, family); });
}

bool IsShortNameOfFamilyFile(WideView name) {
  return AnyFamilyName([name](std::string_view family) { return IsShortNameOf(name, family); });
}

bool IsWindowsSystemFileName(WideView name) {
  return EqualsIgnoringCase(name, kWindowsServices);
}

}  // namespace dizi::tools
