#include "fservice/winlogon_values.h"

#include <string.h>

#include <span>

#include "fservice/debug_report.h"
#include "fservice/heap_chars.h"
#include "fservice/registry_key.h"
#include "fservice/registry_text.h"
#include "fservice/winlogon_list.h"
#include "platform/win32/error_text.h"

namespace dizi::tools {

namespace {

constexpr char kDefaultShell[] = "Explorer.exe";
constexpr char kUserinitFile[] = "\\userinit.exe,";

// Windows' default Userinit list: the system folder's userinit.exe followed by
// a comma, e.g. "C:\WINDOWS\system32\userinit.exe,".
struct DefaultUserinit {
  char text[MAX_PATH + sizeof kUserinitFile];
  std::size_t length = 0;
};

DefaultUserinit MakeDefaultUserinit() {
  DefaultUserinit result;
  const UINT folder = GetSystemDirectoryA(result.text, MAX_PATH);
  if (folder == 0 || folder >= MAX_PATH) {
    return result;  // empty: no default can be given
  }
  memcpy(result.text + folder, kUserinitFile, sizeof kUserinitFile);
  result.length = folder + sizeof kUserinitFile - 1;
  return result;
}

void RemoveFromList(HKEY key, const RegistryPlace& place, const char* value_name,
                    std::string_view default_list) {
  LONG error = ERROR_SUCCESS;
  const std::optional<RegistryText> list = ReadRegistryText(key, value_name, error);
  if (!list) {
    if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
      Report("cannot read %s\\%s%s value %s: %s", place.root_name, kWinlogonKeyPath,
             place.ViewName(), value_name, DescribeError(error).text);
    }
    return;
  }
  const HeapChars kept = AllocateChars(list->length);
  if (!kept) {
    Report("out of memory rewriting %s", value_name);
    return;
  }
  const ListRewrite rewrite =
      RemoveFamilyEntries(list->Text(), std::span<char>(kept.get(), list->length));
  if (rewrite.removed == 0) {
    return;
  }
  if (rewrite.needs_default && default_list.empty()) {
    Report("not changing %s: its default cannot be worked out", value_name);
    return;
  }
  const std::string_view new_list =
      rewrite.needs_default ? default_list : std::string_view(kept.get(), rewrite.length);
  error = WriteRegistryText(key, value_name, list->type, new_list);
  if (error == ERROR_SUCCESS) {
    Report("%s\\%s%s value %s: \"%s\" -> \"%.*s\"", place.root_name, kWinlogonKeyPath,
           place.ViewName(), value_name, list->data.get(), static_cast<int>(new_list.size()),
           new_list.data());
  } else {
    Report("cannot write %s\\%s%s value %s: %s", place.root_name, kWinlogonKeyPath,
           place.ViewName(), value_name, DescribeError(error).text);
  }
}

}  // namespace

void RemoveFamilyWinlogonEntries(const RegistryPlace& place) {
  LONG error = ERROR_SUCCESS;
  const ScopedRegistryKey key = OpenRegistryKey(
      place.root, kWinlogonKeyPath, KEY_QUERY_VALUE | KEY_SET_VALUE | place.view, error);
  if (!key) {
    if (error != ERROR_FILE_NOT_FOUND) {
      Report("cannot open %s\\%s%s: %s", place.root_name, kWinlogonKeyPath, place.ViewName(),
             DescribeError(error).text);
    }
    return;
  }
  RemoveFromList(key.Get(), place, "Shell", kDefaultShell);
  const DefaultUserinit userinit = MakeDefaultUserinit();
  RemoveFromList(key.Get(), place, "Userinit", std::string_view(userinit.text, userinit.length));
}

}  // namespace dizi::tools
