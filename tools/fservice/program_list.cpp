#include "fservice/program_list.h"

#include "common/ascii_text.h"

namespace dizi::tools {

namespace {

constexpr WideChar kQuote = '"';
constexpr WideChar kComma = ',';

// One entry of the list and the separator after it (empty for the last entry).
struct Entry {
  WideView text;
  WideView separator;
};

bool StartsSeparator(WideChar c, ListKind kind) {
  return c == kComma || (kind == ListKind::kPrograms && IsBlank(c));
}

bool ContinuesSeparator(WideChar c, ListKind kind) {
  return IsBlank(c) || (kind == ListKind::kPrograms && c == kComma);
}

// Where the first `separator` outside double quotes is in `text`, or its size.
template <typename Separator>
std::size_t FindOutsideQuotes(WideView text, Separator separator) {
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == kQuote) {
      quoted = !quoted;
    } else if (!quoted && separator(text[i])) {
      return i;
    }
  }
  return text.size();
}

// The first entry of `rest` and the separator after it: a comma and the blanks
// after it, or for kPrograms any run of blanks and commas.
Entry NextEntry(WideView rest, ListKind kind) {
  const std::size_t end =
      FindOutsideQuotes(rest, [kind](WideChar c) { return StartsSeparator(c, kind); });
  std::size_t after = end == rest.size() ? end : end + 1;
  while (after < rest.size() && ContinuesSeparator(rest[after], kind)) {
    ++after;
  }
  return {Head(rest, end), Slice(rest, end, after - end)};
}

// Whether a list holds nothing but separators, blanks and empty quotes.
bool StartsNoProgram(WideView text) {
  for (WideChar c : text) {
    if (c != kComma && c != kQuote && !IsBlank(c)) {
      return false;
    }
  }
  return true;
}

// Works out what of `entry` stays: all of it, none of it (empty), or for an
// Explorer entry of Shell whose argument starts the family, its Explorer part.
Answer KeptPart(WideView entry, ListKind kind, const AutostartMatcher& matcher, WideView& kept) {
  kept = entry;
  const Answer family = matcher.StartsFamilyFile(entry);
  if (family != Answer::kNo) {
    kept = WideView();
    return family;
  }
  if (kind != ListKind::kShell) {
    return Answer::kNo;
  }
  const WideView trimmed = TrimBlanks(entry);
  const WideView program =
      Head(trimmed, FindOutsideQuotes(trimmed, [](WideChar c) { return IsBlank(c); }));
  const WideView argument = From(trimmed, program.size());
  if (TrimBlanks(argument).empty()) {
    return Answer::kNo;
  }
  const Answer explorer = matcher.StartsExplorer(program);
  const Answer cut = explorer == Answer::kYes ? matcher.StartsFamilyFile(argument) : explorer;
  if (cut == Answer::kYes) {
    kept = WideView(entry.data(),
                    static_cast<std::size_t>(program.data() - entry.data()) + program.size());
  }
  return cut;
}

}  // namespace

ListRewrite RemoveFamilyEntries(WideView list, const ListRules& rules,
                                const AutostartMatcher& matcher, WideBuffer& out) {
  ListRewrite result;
  const std::size_t start = out.Length();
  WideView pending_separator;  // follows the last entry kept so far
  bool kept_any = false;
  bool kept_userinit = false;
  WideView rest = list;
  while (true) {
    const Entry entry = NextEntry(rest, rules.kind);
    WideView kept;
    const Answer cut = KeptPart(entry.text, rules.kind, matcher, kept);
    if (cut == Answer::kUnknown) {
      result.changed = Answer::kUnknown;
      return result;
    }
    if (cut == Answer::kYes) {
      ++result.removed;
    }
    if (!kept.empty() || cut == Answer::kNo) {
      if (kept_any) {
        out.Append(pending_separator);
      }
      out.Append(kept);
      pending_separator = entry.separator;
      kept_any = true;
      if (rules.kind == ListKind::kUserinit && !kept_userinit) {
        const Answer userinit = matcher.StartsUserinit(kept);
        if (userinit == Answer::kUnknown) {
          result.changed = Answer::kUnknown;
          return result;
        }
        kept_userinit = userinit == Answer::kYes;
      }
    }
    if (entry.separator.empty()) {
      break;
    }
    rest.remove_prefix(entry.text.size() + entry.separator.size());
  }
  if (result.removed == 0) {
    out.Truncate(start);
    out.Append(list);
    return result;
  }
  result.changed = Answer::kYes;
  const bool needs_default =
      (rules.kind == ListKind::kUserinit && !kept_userinit) ||
      (rules.kind == ListKind::kShell && StartsNoProgram(From(out.View(), start)));
  if (needs_default) {
    if (rules.default_text.empty()) {
      result.changed = Answer::kUnknown;  // no safe list can be given
      return result;
    }
    result.only_default = StartsNoProgram(From(out.View(), start));
    WideBuffer kept_list;
    kept_list.Append(From(out.View(), start));
    out.Truncate(start);
    out.Append(rules.default_text);
    if (!result.only_default) {
      out.Append(kept_list.View());
    }
    if (kept_list.Failed()) {
      result.changed = Answer::kUnknown;
    }
  }
  if (out.Failed()) {
    result.changed = Answer::kUnknown;
  }
  return result;
}

}  // namespace dizi::tools
