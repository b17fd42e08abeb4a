#include "fservice/system_folders.h"

#include <string.h>

#include "platform/win32/kernel_functions.h"

namespace dizi::tools {

namespace {

constexpr wchar_t kUserinitEntry[] = L"\\userinit.exe,";

using FolderFunction = UINT(WINAPI*)(LPWSTR, UINT);

// Fills `path` with what `function` gives, without a trailing backslash; 0
// when it gives nothing that fits.
UINT AskFolder(FolderFunction function, wchar_t (&path)[MAX_PATH]) {
  const UINT length = function == nullptr ? 0 : function(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) {
    return 0;
  }
  return length > 3 && path[length - 1] == L'\\' ? length - 1 : length;
}

// GetSystemWow64DirectoryW answers only on 64-bit Windows; it is looked up,
// since Windows 2000 lacks it.
FolderFunction SystemWow64Function() {
  return KernelFunction<FolderFunction>("GetSystemWow64DirectoryW");
}

// A Win32 function that answers for a text: it writes its answer and returns
// its length or, when `size` is too small, the room it needs with its null;
// 0 when it has no answer.
using AnswerFunction = DWORD(WINAPI*)(LPCWSTR text, LPWSTR answer, DWORD size);

// Appends `function`'s answer for `text` to `out`; false when there is none.
// An empty answer counts when `empty_counts` (a variable set to nothing).
bool AppendAnswer(AnswerFunction function, WideView text, bool empty_counts, WideBuffer& out) {
  WideBuffer terminated;
  if (terminated.Append(text).Failed()) {
    return false;
  }
  DWORD room = MAX_PATH;
  for (int attempt = 0; attempt < 3; ++attempt) {
    wchar_t* end = out.Extend(room);
    if (end == nullptr) {
      return false;
    }
    SetLastError(ERROR_SUCCESS);
    const DWORD length = function(terminated.Terminated(), end, room);
    if (length < room) {
      const bool answered = length > 0 || (empty_counts && GetLastError() == ERROR_SUCCESS);
      out.Keep(answered ? length : 0);
      return answered;
    }
    out.Keep(0);
    room = length;
  }
  return false;
}

}  // namespace

bool SystemFolders::Find() {
  windows_.length = AskFolder(GetWindowsDirectoryW, windows_.path);
  system_.length = AskFolder(GetSystemDirectoryW, system_.path);
  if (windows_.length == 0 || system_.length < 3) {
    return false;
  }
  // The legacy system folder: "C:\WINDOWS\system32" less "32".
  legacy_system_ = system_;
  legacy_system_.length -= 2;
  legacy_system_.path[legacy_system_.length] = L'\0';
  system_wow64_.length = AskFolder(SystemWow64Function(), system_wow64_.path);
  memcpy(userinit_, system_.path, system_.length * sizeof(wchar_t));
  memcpy(userinit_ + system_.length, kUserinitEntry, sizeof kUserinitEntry);
  userinit_length_ = system_.length + static_cast<UINT>(wcslen(kUserinitEntry));
  return true;
}

FamilyFolders SystemFolders::Family() const {
  return {windows_.View(), system_.View(), legacy_system_.View(), system_wow64_.View()};
}

bool WindowsLookup::AppendVariable(WideView name, WideBuffer& out) const {
  return AppendAnswer(GetEnvironmentVariableW, name, true, out);
}

bool WindowsLookup::AppendLongPath(WideView path, WideBuffer& out) const {
  // Only a full local path: a network path could keep the program waiting.
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') {
    return false;
  }
  return AppendAnswer(GetLongPathNameW, path, false, out);
}

}  // namespace dizi::tools
