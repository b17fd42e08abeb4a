// The text of fservice.exe's registry undo files: what the registry editor
// and "reg import" read ("Windows Registry Editor Version 5.00", UTF-16 with
// a byte order mark), one key and value for each value as it was before the
// program changed or deleted it. Importing the file puts each value back
// exactly: its name, its type and its data, byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "fservice/wide_buffer.h"
#include "fservice/wide_text.h"

namespace dizi::tools {

// The file's beginning: the byte order mark, the format's first line and an
// empty line.
void AppendUndoHeader(WideBuffer& out);

// One value as it was, in key `key` (its full name, e.g.
// "HKEY_LOCAL_MACHINE\Software\...\Run"):
//
//   [key]
//   "name"=data
//   (an empty line)
//
// The name in quotes, a backslash and a quote escaped ("@" for the key's
// default value). The data as the registry editor writes it: a string value
// in quotes when it is plain text ended by one null; a DWORD of four bytes as
// dword:; binary data as hex:; anything else, a string with other bytes
// included, as hex(type): with the exact bytes, in lines the editor wraps.
//
// A name holding a null or a line break cannot be written so that any
// registry editor reads it back: such a value is written as comment lines
// (which an import passes over) giving its key, its exact name and data in
// hexadecimal, for a technician to recreate by hand.
struct UndoValue {
  WideView key;
  WideView name;
  std::uint32_t type;
  const unsigned char* data;
  std::size_t size;
};
void AppendUndoValue(WideBuffer& out, const UndoValue& value);

// True when the value's name is one a registry editor file can hold.
bool NameFitsUndoFile(WideView name);

// Appends the full name of key `key_path` under `place`, as fservice.exe
// names its places in reports: "HKLM" becomes HKEY_LOCAL_MACHINE and
// "HKU\<hive>" HKEY_USERS\<hive>. False, with nothing appended, for any other
// place: a user's values are always named by the user's own hive, never by
// HKEY_CURRENT_USER, which would put them into the hive of whoever imports
// the file.
bool AppendFullKeyName(WideBuffer& out, WideView place, WideView key_path);

// The comment written above the values of a user's hive that fservice.exe
// loaded from the profile's file itself (the user was not signed in): such a
// hive must be loaded again before the import. Its fourth line is the command
// that loads it, and begins with kHiveLoadCommand:
//
//   ; The values below are in the registry hive of user <SID>, which was not
//   ; loaded when they were changed. Load it before importing this file, and unload it
//   ; afterwards (the restore window's Import does both):
//   ;   reg load HKU\<SID> "<profile folder>\NTUSER.DAT"
//   ;   reg unload HKU\<SID>
//   (an empty line)
inline constexpr char kHiveLoadCommand[] = ";   reg load HKU\\";
void AppendHiveLoadComment(WideBuffer& out, WideView hive, WideView file);

}  // namespace dizi::tools
