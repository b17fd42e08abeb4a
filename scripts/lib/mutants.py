"""Mutants of C++ source text: the small faults a developer makes, one at a
time, each a replacement of one span of the file.

The text is first masked: comments, the contents of string and character
literals, preprocessor lines, static_assert declarations and the lines a
native build never compiles (the branches of `#ifdef _WIN32` and the like)
are blanked, so the operators below only ever see code. Every match is then
applied to the original text at the same offsets.

Operators:
  relational          <  <=  >  >=  ==  != : a boundary moved (< to <=, ...)
                      or an equality turned round
  logical             && and || swapped
  negation            a `!` removed; a condition of `if`/`while` negated
  arithmetic          binary + and -, += and -=, ++ and -- swapped
  constant            0 and 1 swapped, other integers one up and one down,
                      true and false swapped
  return value        `return true` and `return false` swapped; a returned
                      condition negated
  return early        a void function returns at once
  statement deletion  a call whose result is unused, removed
  string emptying     a message text (one with a letter and a space) emptied
"""

import bisect
import re
from dataclasses import dataclass, replace

OPERATORS = ("relational", "logical", "negation", "arithmetic", "constant", "return value",
             "return early", "statement deletion", "string emptying")

STRING_PREFIXES = {"L", "u", "U", "u8", "R", "LR", "uR", "UR", "u8R"}
CHAR_PREFIXES = {"L", "u", "U", "u8"}
# Macros a native build never defines.
WINDOWS_MACROS = ("_WIN32", "_WIN64", "WIN32", "_MSC_VER", "__MINGW32__", "__MINGW64__")
KEYWORDS = {
    "if", "while", "for", "switch", "return", "sizeof", "alignof", "decltype", "static_cast",
    "reinterpret_cast", "const_cast", "dynamic_cast", "delete", "new", "throw", "case", "catch",
    "static_assert", "do", "else", "typeid", "noexcept", "co_return", "co_await", "co_yield",
    "requires", "operator", "template", "using", "typedef", "goto", "default",
}

RELATIONAL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}


@dataclass(frozen=True)
class Mutant:
    path: str  # relative to the tree, with forward slashes
    line: int  # 1-based line where the change starts
    last_line: int  # 1-based line where it ends
    start: int  # offsets into the file's text
    end: int
    replacement: str
    operator: str
    original: str  # the original line, stripped
    mutated: str  # what a reader is shown: the mutated line, or what was deleted

    def apply(self, text):
        return text[:self.start] + self.replacement + text[self.end:]

    def key(self):
        return (self.path, self.start, self.end, self.replacement)


class _Lines:
    """Line numbers of offsets in one text."""

    def __init__(self, text):
        self.text = text
        self.starts = [0] + [m.end() for m in re.finditer("\n", text)]

    def number(self, offset):
        return bisect.bisect_right(self.starts, offset)

    def line(self, number):
        start = self.starts[number - 1]
        end = self.text.find("\n", start)
        return self.text[start:] if end < 0 else self.text[start:end]


def _blank(chars, start, end, fill=" "):
    for i in range(start, end):
        if chars[i] != "\n":
            chars[i] = fill


def _directive_condition(keyword, rest):
    """True or False when a conditional directive's condition depends only
    on macros a native build never defines, None when it cannot be told."""
    rest = re.sub(r"/\*.*?\*/|//.*", " ", rest).strip()
    if keyword in ("ifdef", "ifndef"):
        if rest in WINDOWS_MACROS:
            return keyword == "ifndef"
        return None
    expr = rest
    for macro in WINDOWS_MACROS:
        expr = re.sub(r"\bdefined\s*\(\s*%s\s*\)|\bdefined\s+%s\b|\b%s\b" % ((macro,) * 3), " 0 ",
                      expr)
    if expr == rest or not re.fullmatch(r"[\s01()!&|]*", expr):
        return None
    expr = expr.replace("&&", " and ").replace("||", " or ")
    expr = re.sub(r"!(?!=)", " not ", expr)
    try:
        return bool(eval(expr, {"__builtins__": {}}, {}))  # only 0, 1, not, and, or, ()
    except SyntaxError:
        return None


def _inactive_lines(directives):
    """The line numbers inside branches a native build skips.

    `directives` is [(first line, last line, keyword, rest)] in file order."""
    inactive = set()
    # Each open conditional: the state of the branch now open (True, False,
    # or None when it cannot be told), whether an earlier branch is known to
    # be taken, and whether every earlier branch is known not to be.
    stack = []
    previous_end = 0
    for first, last, keyword, rest in directives:
        if any(entry["state"] is False for entry in stack):
            inactive.update(range(previous_end + 1, first))
        if keyword in ("if", "ifdef", "ifndef"):
            state = _directive_condition(keyword, rest)
            stack.append({"state": state, "taken": state is True, "all_false": state is False})
        elif keyword in ("elif", "elifdef", "elifndef") and stack:
            entry = stack[-1]
            if entry["taken"]:
                entry["state"] = False
            else:
                state = _directive_condition(
                    {"elif": "if", "elifdef": "ifdef", "elifndef": "ifndef"}[keyword], rest)
                if not entry["all_false"] and state is not False:
                    state = None
                entry["state"] = state
                entry["taken"] = state is True
                entry["all_false"] = entry["all_false"] and state is False
        elif keyword == "else" and stack:
            entry = stack[-1]
            entry["state"] = False if entry["taken"] else (True if entry["all_false"] else None)
        elif keyword == "endif" and stack:
            stack.pop()
        previous_end = last
    return inactive


def mask(text):
    """(masked text, [string literal spans]) for `text`.

    The masked text has the same length and line breaks as `text`; comments,
    preprocessor lines, static_assert declarations and lines inside branches
    a native build skips are spaces, and the contents of string and character
    literals are underscores (their quotes stay). Each literal span is
    (start, end, content start, content end, raw) with start at its prefix."""
    chars = list(text)
    literals = []
    directives = []
    lines = _Lines(text)
    n = len(text)
    i = 0
    line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if c == "#" and line_start:
            end = i
            while True:
                newline = text.find("\n", end)
                if newline < 0:
                    end = n
                    break
                if text[newline - 1] == "\\" or (text[newline - 1] == "\r" and
                                                 text[newline - 2] == "\\"):
                    end = newline + 1
                    continue
                end = newline
                break
            body = text[i + 1:end].replace("\\\n", " ")
            match = re.match(r"\s*(\w+)(.*)", body, re.S)
            if match:
                directives.append((lines.number(i), lines.number(max(i, end - 1)), match[1],
                                   match[2]))
            # A comment opened on the directive's line runs on past it.
            comment = text.find("/*", i, end)
            if comment >= 0 and text.find("*/", comment + 2, end) < 0:
                close = text.find("*/", end)
                end = n if close < 0 else close + 2
            _blank(chars, i, end)
            i = end
            continue
        line_start = False
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            _blank(chars, i, end)
            i = end
            continue
        if text.startswith("/*", i):
            close = text.find("*/", i + 2)
            end = n if close < 0 else close + 2
            _blank(chars, i, end)
            i = end
            continue
        if c in "\"'":
            j = i
            while j > 0 and (text[j - 1].isalnum() or text[j - 1] == "_"):
                j -= 1
            prefix = text[j:i]
            if c == "'" and prefix and prefix not in CHAR_PREFIXES:
                i += 1  # a digit separator: 1'000
                continue
            if c == '"' and prefix not in STRING_PREFIXES and prefix:
                j = i  # glued to something else; take the quote alone
                prefix = ""
            if c == '"' and prefix.endswith("R"):
                paren = text.find("(", i + 1)
                delimiter = text[i + 1:paren] if paren >= 0 else ""
                close = text.find(")" + delimiter + '"', paren + 1) if paren >= 0 else -1
                end = n if close < 0 else close + len(delimiter) + 2
                content_end = n if close < 0 else close
                _blank(chars, paren + 1, content_end, "_")
                literals.append((j, end, paren + 1, content_end, True))
                i = end
                continue
            k = i + 1
            while k < n and text[k] != c and text[k] != "\n":
                k += 2 if text[k] == "\\" else 1
            k = min(k, n)
            _blank(chars, i + 1, k, "_")
            if c == '"':
                literals.append((j, min(k + 1, n), i + 1, k, False))
            i = k + 1
            continue
        i += 1
    for number in _inactive_lines(directives):
        start = lines.starts[number - 1]
        end = text.find("\n", start)
        _blank(chars, start, n if end < 0 else end)
    masked = "".join(chars)
    # static_assert declarations are checked by the compiler, not by tests.
    for match in re.finditer(r"\bstatic_assert\b", masked):
        close = _matching(masked, masked.find("(", match.end()))
        if close is not None:
            semicolon = masked.find(";", close)
            _blank(chars, match.start(), close + 1 if semicolon < 0 else semicolon + 1)
    masked = "".join(chars)
    # Literals on blanked lines are no longer code.
    literals = [span for span in literals if masked[span[0]:span[1]].strip()]
    return masked, literals


def _matching(masked, open_at):
    """Offset of the bracket closing the one at `open_at`, or None."""
    if open_at < 0 or open_at >= len(masked):
        return None
    pairs = {"(": ")", "[": "]", "{": "}"}
    if masked[open_at] not in pairs:
        return None
    depth = 0
    for k in range(open_at, len(masked)):
        ch = masked[k]
        if ch in "([{":
            depth += 1
        elif ch in ")]}":
            depth -= 1
            if depth == 0:
                return k
    return None


def _previous_code(masked, offset):
    """(offset, character) of the last non-blank character before `offset`."""
    k = offset - 1
    while k >= 0 and masked[k].isspace():
        k -= 1
    return k, (masked[k] if k >= 0 else "")


def _next_code(masked, offset):
    k = offset
    while k < len(masked) and masked[k].isspace():
        k += 1
    return k, (masked[k] if k < len(masked) else "")


def _word_before(masked, offset):
    """The identifier that ends just before `offset` (blanks skipped)."""
    k, _ = _previous_code(masked, offset)
    end = k + 1
    while k >= 0 and (masked[k].isalnum() or masked[k] == "_"):
        k -= 1
    return masked[k + 1:end]


def _braces(masked):
    """[(open offset, close offset, is code, signature start)] of every brace
    pair: code braces are function bodies and blocks, the others namespaces,
    classes, enums and initialisers. A function body's signature starts after
    the previous `;`, `{` or `}`."""
    found = []
    stack = []  # (open offset, is code)
    for k, ch in enumerate(masked):
        if ch == "{":
            _, before = _previous_code(masked, k)
            word = _word_before(masked, k)
            inside_code = any(code for _, code in stack)
            if before in ")]" or word in ("else", "do", "try", "const", "override", "final",
                                           "noexcept", "mutable"):
                code = True
            elif before in ";{}" or (before == ":" and inside_code):
                code = inside_code
            else:
                code = False
            stack.append((k, code))
        elif ch == "}" and stack:
            open_at, code = stack.pop()
            nested_in_code = any(c for _, c in stack)
            found.append((open_at, k, code, nested_in_code))
    return found


class _Builder:
    """Collects the mutants of one file."""

    def __init__(self, path, text):
        self.path = path
        self.text = text
        self.lines = _Lines(text)
        self.found = {}

    def add(self, start, end, replacement, operator, shown=None):
        if self.text[start:end] == replacement:
            return
        mutant_text = self.text[:start] + replacement + self.text[end:]
        line = self.lines.number(start)
        last = self.lines.number(max(start, end - 1))
        if shown is None:
            mutated_lines = _Lines(mutant_text)
            shown = mutated_lines.line(line).strip()
        mutant = Mutant(self.path, line, last, start, end, replacement, operator,
                        self.lines.line(line).strip(), shown)
        self.found.setdefault(mutant.key(), mutant)


def _spaced(masked, start, end):
    """Whether the token at [start, end) stands between blanks, as clang-format
    writes binary operators (and never template brackets)."""
    return (start > 0 and masked[start - 1] in " \t\n" and end < len(masked) and
            masked[end] in " \t\n")


def mutants_of(path, text):
    """Every mutant of `text` (the contents of `path`), in file order."""
    masked, literals = mask(text)
    out = _Builder(path, text)

    # Relational, logical and arithmetic operators between blanks.
    for match in re.finditer(r"<=>|<<=|>>=|<=|>=|==|!=|&&|\|\||\+=|-=|<|>|\+|-", masked):
        op, start, end = match[0], match.start(), match.end()
        if not _spaced(masked, start, end):
            continue
        if op in RELATIONAL:
            out.add(start, end, RELATIONAL[op], "relational")
        elif op in ("&&", "||"):
            out.add(start, end, "||" if op == "&&" else "&&", "logical")
        elif op in ("+", "-", "+=", "-="):
            # Text joined to a literal is a std::string: no minus there.
            _, before = _previous_code(masked, start)
            _, after = _next_code(masked, end)
            if op in ("+", "+=") and (before == '"' or after in "\"'"):
                continue
            out.add(start, end, {"+": "-", "-": "+", "+=": "-=", "-=": "+="}[op], "arithmetic")

    for match in re.finditer(r"\+\+|--", masked):
        start, end = match.start(), match.end()
        if masked[start - 1:start] in ("+", "-") or masked[end:end + 1] in ("+", "-"):
            continue
        out.add(start, end, "--" if match[0] == "++" else "++", "arithmetic")

    # Negation: a `!` removed.
    for match in re.finditer(r"!(?!=)", masked):
        out.add(match.start(), match.end(), "", "negation")

    # Negation: the condition of an if or while negated.
    for match in re.finditer(r"\b(if|while)\s*\(", masked):
        open_at = match.end() - 1
        close = _matching(masked, open_at)
        if close is None:
            continue
        condition = text[open_at + 1:close]
        if masked[open_at + 1:close].lstrip().startswith("!") or not condition.strip():
            continue
        out.add(open_at + 1, close, "!(" + condition + ")", "negation")

    # Constants: integers and truth values.
    for match in re.finditer(r"(?<![\w.'])(0[xX][0-9a-fA-F']+|\d[\d']*)([uUlL]*)(?![\w.'])",
                             masked):
        digits, suffix = match[1], match[2]
        if re.search(r"\)\s*(?:const\s*)?(?:noexcept\s*)?(?:override\s*)?=\s*$",
                     masked[max(0, match.start() - 80):match.start()]) and digits == "0":
            continue  # a pure virtual function's = 0
        value = int(digits.replace("'", ""), 0 if digits[:2].lower() == "0x" else 10)
        hexadecimal = digits[:2].lower() == "0x"
        if value == 0:
            values = [1]
        elif value == 1:
            values = [0, 2]
        else:
            values = [value + 1, value - 1]
        for new in values:
            written = ("0x%0*X" % (len(digits) - 2, new) if hexadecimal else str(new)) + suffix
            out.add(match.start(), match.end(), written, "constant")
    for match in re.finditer(r"\b(true|false)\b", masked):
        returned = _word_before(masked, match.start()) == "return"
        out.add(match.start(), match.end(), "false" if match[1] == "true" else "true",
                "return value" if returned else "constant")

    # Return value: a returned condition negated.
    for match in re.finditer(r"\breturn\b", masked):
        start, _ = _next_code(masked, match.end())
        depth = 0
        end = None
        for k in range(start, len(masked)):
            ch = masked[k]
            if ch in "([{":
                depth += 1
            elif ch in ")]}":
                depth -= 1
                if depth < 0:
                    break
            elif ch == ";" and depth == 0:
                end = k
                break
        if end is None or end == start:
            continue
        if masked[start:end].strip() in ("true", "false"):
            continue
        # The expression's top level: what brackets hold left out.
        flat = masked[start:end]
        while True:
            shorter = re.sub(r"\([^()\[\]{}]*\)|\[[^()\[\]{}]*\]|\{[^()\[\]{}]*\}", "", flat)
            if shorter == flat:
                break
            flat = shorter
        if "?" in flat:
            continue
        if re.search(r"\s(==|!=|<=|>=|<|>|&&|\|\|)\s", flat):
            out.add(start, end, "!(" + text[start:end] + ")", "return value")

    braces = _braces(masked)
    # Return early: a void function returns at once.
    for open_at, close, code, nested_in_code in braces:
        if not code or nested_in_code or not masked[open_at + 1:close].strip():
            continue
        k = open_at - 1
        depth = 0
        while k >= 0:
            ch = masked[k]
            if ch in ")]":
                depth += 1
            elif ch in "([":
                depth -= 1
            elif depth == 0 and ch in ";{}":
                break
            k -= 1
        signature = re.sub(r"^\s*(?:(?:public|protected|private)\s*:)?", "",
                           masked[k + 1:open_at])
        if re.match(r"\s*(?:(?:static|inline|virtual|constexpr)\s+)*void\s+[\w:~]+\s*\(",
                    signature) and "=" not in re.sub(r"\([^()]*\)", "", signature):
            out.add(open_at + 1, open_at + 1, " return;", "return early")

    # Statement deletion: a call whose result is unused.
    code_ranges = [(o, c) for o, c, code, _ in braces if code]
    call = re.compile(r"(?m)^[ \t]*((?:::)?[A-Za-z_]\w*(?:(?:\.|->|::)[A-Za-z_~]\w*)*)\s*\(")
    for match in call.finditer(masked):
        name = match[1]
        first = re.split(r"\.|->|::", name.lstrip(":"))[0]
        start = match.start(1)
        if first in KEYWORDS or name in KEYWORDS:
            continue
        if not any(o < start < c for o, c in code_ranges):
            continue
        _, before = _previous_code(masked, start)
        if before not in ";{}":
            continue
        # The statement runs to the semicolon that ends it; calls may chain.
        k = match.end() - 1
        end = None
        while True:
            close = _matching(masked, k)
            if close is None:
                break
            nxt, ch = _next_code(masked, close + 1)
            if ch == ";":
                end = nxt + 1
                break
            chained = re.match(r"(?:\.|->)[A-Za-z_]\w*\s*\(", masked[nxt:])
            if not chained:
                break
            k = nxt + chained.end() - 1
        if end is None:
            continue
        statement = re.sub(r"\(\s+", "(", " ".join(text[start:end].split()))
        if len(statement) > 100:
            statement = statement[:97] + "..."
        out.add(start, end, ";", "statement deletion", "(deleted) " + statement)

    # String emptying: message texts.
    for start, end, content_start, content_end, raw in literals:
        content = text[content_start:content_end]
        if raw or not re.search(r"[A-Za-z]", content) or " " not in content:
            continue
        was = content if len(content) <= 50 else content[:47] + "..."
        out.add(content_start, content_end, "", "string emptying")
        mutant = out.found.get((path, content_start, content_end, ""))
        if mutant is not None:
            out.found[mutant.key()] = replace(mutant, mutated=mutant.mutated + '  (was "%s")' %
                                              was)

    return sorted(out.found.values(), key=lambda m: (m.start, m.end, m.operator, m.replacement))
