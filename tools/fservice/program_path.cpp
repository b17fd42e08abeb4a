#include "fservice/program_path.h"

#include "common/ascii_text.h"

namespace dizi::tools {

namespace {

constexpr std::string_view kLiteralPrefix = "\\\\?\\";

bool IsDot(WideView component) {
  return component.size() == 1 && component[0] == WideChar('.');
}

bool IsDotDot(WideView component) {
  return component.size() == 2 && component[0] == WideChar('.') && component[1] == WideChar('.');
}

// Skips the separators at `i`; returns how many there were.
std::size_t SkipSeparators(WideView path, std::size_t& i) {
  const std::size_t start = i;
  while (i < path.size() && IsPathSeparator(path[i])) {
    ++i;
  }
  return i - start;
}

// Copies the drive, share or root the path begins with; returns where its
// components begin.
std::size_t AppendRoot(WideView path, WideBuffer& out) {
  std::size_t i = 0;
  if (path.size() >= 2 && path[1] == WideChar(':')) {
    out.Append(path[0]).Append(WideChar(':'));
    i = 2;
    if (SkipSeparators(path, i) > 0) {
      out.Append(WideChar('\\'));
    }
  } else if (path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
    out.AppendAscii("\\\\");
    SkipSeparators(path, i);
  } else if (SkipSeparators(path, i) > 0) {
    out.Append(WideChar('\\'));
  }
  return i;
}

// Takes ".." into account: drops the last component of `out` after
// `components` (where the root ends). A relative path keeps a ".." that has
// nothing left to drop; a rooted one never goes above its root.
void GoUp(WideBuffer& out, std::size_t components) {
  const WideView kept = From(out.View(), components);
  const std::size_t separator = kept.rfind(WideChar('\\'));
  const WideView last = separator == WideView::npos ? kept : From(kept, separator + 1);
  if (!kept.empty() && !IsDotDot(last)) {
    out.Truncate(separator == WideView::npos ? components : components + separator);
  } else if (components == 0) {
    out.AppendAscii(kept.empty() ? ".." : "\\..");
  }
}

WideView WithoutTrailingDotsAndBlanks(WideView name) {
  while (!name.empty() && (name.back() == WideChar('.') || name.back() == WideChar(' '))) {
    name.remove_suffix(1);
  }
  return name;
}

}  // namespace

bool AppendNormalPath(WideView path, WideBuffer& out) {
  if (StartsWithIgnoringCase(path, kLiteralPrefix)) {
    path.remove_prefix(kLiteralPrefix.size());
    return !out.Append(path).Failed();
  }
  std::size_t i = AppendRoot(path, out);
  const std::size_t components = out.Length();
  bool ends_with_separator = false;
  while (i < path.size()) {
    std::size_t end = i;
    while (end < path.size() && !IsPathSeparator(path[end])) {
      ++end;
    }
    WideView component = Slice(path, i, end - i);
    i = end;
    ends_with_separator = SkipSeparators(path, i) > 0;
    if (IsDot(component)) {
      continue;
    }
    if (IsDotDot(component)) {
      GoUp(out, components);
      continue;
    }
    if (i == path.size() && !ends_with_separator) {
      component = WithoutTrailingDotsAndBlanks(component);
    }
    if (out.Length() > components && out.View().back() != WideChar('\\')) {
      out.Append(WideChar('\\'));
    }
    out.Append(component);
  }
  if (ends_with_separator && out.Length() > components) {
    out.Append(WideChar('\\'));
  }
  return !out.Failed();
}

PathParts SplitPath(WideView path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    const WideChar c = path[i - 1];
    if (c == WideChar('\\')) {
      return {Head(path, i - 1), From(path, i)};
    }
    if (c == WideChar(':')) {
      return {Head(path, i), From(path, i)};
    }
  }
  return {WideView(), path};
}

bool HasExtension(WideView name) {
  return name.find(WideChar('.')) != WideView::npos;
}

}  // namespace dizi::tools
