#include "fservice/undo_text.h"

#include "common/ascii_text.h"

namespace dizi::tools {

namespace {

constexpr std::uint32_t kSzType = 1;
constexpr std::uint32_t kBinaryType = 3;
constexpr std::uint32_t kDwordType = 4;

// The registry editor wraps hexadecimal data before this column.
constexpr std::size_t kLineWidth = 80;

constexpr char kHexDigits[] = "0123456789abcdef";

bool IsLineBreak(WideChar c) {
  return c == WideChar('\r') || c == WideChar('\n');
}

void AppendQuoted(WideBuffer& out, WideView text) {
  out.Append(WideChar('"'));
  for (const WideChar c : text) {
    if (c == WideChar('"') || c == WideChar('\\')) {
      out.Append(WideChar('\\'));
    }
    out.Append(c);
  }
  out.Append(WideChar('"'));
}

void AppendHexByte(WideBuffer& out, unsigned char byte) {
  out.Append(WideChar(kHexDigits[byte >> 4])).Append(WideChar(kHexDigits[byte & 0xF]));
}

// "xx,xx,...": `column` is where the line stands. With `wrap`, a line that
// would pass the editor's width goes on after a backslash, indented by two
// spaces.
void AppendHexBytes(WideBuffer& out, const unsigned char* data, std::size_t size,
                    std::size_t column, bool wrap) {
  for (std::size_t i = 0; i < size; ++i) {
    AppendHexByte(out, data[i]);
    column += 2;
    if (i + 1 < size) {
      out.Append(WideChar(','));
      ++column;
      if (wrap && column + 3 >= kLineWidth - 1) {
        out.AppendAscii("\\\r\n  ");
        column = 2;
      }
    }
  }
}

// The text of a string value that is plain: even in size, ended by its only
// null, with no control character and no half of a surrogate pair on its own.
bool PlainString(const unsigned char* data, std::size_t size, WideBuffer& text) {
  if (size < 2 || size % 2 != 0) {
    return false;
  }
  const std::size_t count = size / 2;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t c = data[2 * i] | (static_cast<std::uint32_t>(data[2 * i + 1]) << 8);
    const bool last = i + 1 == count;
    if ((c == 0) != last || (!last && c < 0x20)) {
      return false;
    }
    const bool high = c >= 0xD800 && c < 0xDC00;
    const bool low = c >= 0xDC00 && c < 0xE000;
    if (high) {
      const std::uint32_t next =
          i + 1 < count ? data[2 * i + 2] | (static_cast<std::uint32_t>(data[2 * i + 3]) << 8) : 0;
      if (next < 0xDC00 || next >= 0xE000) {
        return false;
      }
    } else if (low) {
      const std::uint32_t before =
          i > 0 ? data[2 * i - 2] | (static_cast<std::uint32_t>(data[2 * i - 1]) << 8) : 0;
      if (before < 0xD800 || before >= 0xDC00) {
        return false;
      }
    }
    if (!last) {
      text.Append(static_cast<WideChar>(c));
    }
  }
  return true;
}

void AppendType(WideBuffer& out, std::uint32_t type) {
  out.AppendAscii("hex(");
  bool started = false;
  for (int shift = 28; shift >= 0; shift -= 4) {
    const unsigned digit = (type >> shift) & 0xF;
    if (digit != 0 || started || shift == 0) {
      out.Append(WideChar(kHexDigits[digit]));
      started = true;
    }
  }
  out.AppendAscii("):");
}

void AppendData(WideBuffer& out, const UndoValue& value, std::size_t column) {
  WideBuffer text;
  if (value.type == kSzType && PlainString(value.data, value.size, text)) {
    AppendQuoted(out, text.View());
    return;
  }
  if (value.type == kDwordType && value.size == 4) {
    out.AppendAscii("dword:");
    for (std::size_t i = 4; i-- > 0;) {
      AppendHexByte(out, value.data[i]);
    }
    return;
  }
  const std::size_t start = out.Length();
  if (value.type == kBinaryType) {
    out.AppendAscii("hex:");
  } else {
    AppendType(out, value.type);
  }
  AppendHexBytes(out, value.data, value.size, column + (out.Length() - start), true);
}

void AppendCommentedValue(WideBuffer& out, const UndoValue& value) {
  out.AppendAscii(
      "; This value's name holds a null or a line break, which no registry editor file can\r\n"
      "; hold: it cannot be imported. Its key, its exact name (UTF-16LE) and its data:\r\n"
      "; [");
  out.Append(value.key);
  out.AppendAscii("]\r\n; name: ");
  // On one line each: a wrapped line would go on outside the comment.
  AppendHexBytes(out, reinterpret_cast<const unsigned char*>(value.name.data()),
                 value.name.size() * sizeof(WideChar), 0, false);
  out.AppendAscii("\r\n; ");
  AppendType(out, value.type);
  AppendHexBytes(out, value.data, value.size, 0, false);
  out.AppendAscii("\r\n\r\n");
}

}  // namespace

void AppendUndoHeader(WideBuffer& out) {
  out.Append(WideChar(0xFEFF)).AppendAscii("Windows Registry Editor Version 5.00\r\n\r\n");
}

bool NameFitsUndoFile(WideView name) {
  for (const WideChar c : name) {
    if (c == WideChar(0) || IsLineBreak(c)) {
      return false;
    }
  }
  return true;
}

void AppendUndoValue(WideBuffer& out, const UndoValue& value) {
  if (!NameFitsUndoFile(value.name)) {
    AppendCommentedValue(out, value);
    return;
  }
  out.Append(WideChar('[')).Append(value.key).AppendAscii("]\r\n");
  const std::size_t start = out.Length();
  if (value.name.empty()) {
    out.Append(WideChar('@'));
  } else {
    AppendQuoted(out, value.name);
  }
  out.Append(WideChar('='));
  AppendData(out, value, out.Length() - start);
  out.AppendAscii("\r\n\r\n");
}

bool AppendFullKeyName(WideBuffer& out, WideView place, WideView key_path) {
  // A user's values are named by the user's hive, never by HKEY_CURRENT_USER:
  // that name means the hive of whoever imports the file.
  static constexpr struct {
    const char* shortName;
    const char* fullName;
    bool takesHive;
  } kRoots[] = {
      {"HKLM", "HKEY_LOCAL_MACHINE", false},
      {"HKU", "HKEY_USERS", true},
  };
  for (const auto& root : kRoots) {
    const std::string_view shortName(root.shortName);
    if (!StartsWithIgnoringCase(place, shortName)) {
      continue;
    }
    const WideView rest = From(place, shortName.size());
    const bool named = rest.size() > 1 && rest[0] == WideChar('\\');
    if (root.takesHive ? !named : !rest.empty()) {
      continue;
    }
    out.AppendAscii(root.fullName).Append(rest);
    if (!key_path.empty()) {
      out.Append(WideChar('\\')).Append(key_path);
    }
    return true;
  }
  return false;
}

void AppendHiveLoadComment(WideBuffer& out, WideView hive, WideView file) {
  out.AppendAscii("; The values below are in the registry hive of user ").Append(hive);
  out.AppendAscii(
      ", which was not\r\n"
      "; loaded when they were changed. Load it before importing this file, and unload it\r\n"
      "; afterwards (the restore window's Import does both):\r\n");
  out.AppendAscii(kHiveLoadCommand).Append(hive).AppendAscii(" \"").Append(file);
  out.AppendAscii("\"\r\n;   reg unload HKU\\").Append(hive).AppendAscii("\r\n\r\n");
}

}  // namespace dizi::tools
