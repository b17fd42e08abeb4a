#include "platform/win32/pending_renames_value.h"

#include <windows.h>

#include "platform/pending_renames.h"
#include "platform/win32/error_text.h"
#include "platform/win32/scoped_handle.h"

namespace dizi {

namespace {

constexpr wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";

Outcome Failed(LONG error) {
  return Outcome{false, DescribeError(static_cast<DWORD>(error)).text};
}

const wchar_t* Wide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

bool SameName(std::u16string_view a, const std::u16string& b) {
  return ::CompareStringW(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE,
                          reinterpret_cast<const wchar_t*>(a.data()), static_cast<int>(a.size()),
                          Wide(b), static_cast<int>(b.size())) == CSTR_EQUAL;
}

}  // namespace

Outcome CancelPendingDeletions(const std::vector<std::u16string>& names) {
  HKEY opened = nullptr;
  LONG error = ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0,
                               KEY_QUERY_VALUE | KEY_SET_VALUE, &opened);
  if (error != ERROR_SUCCESS) {
    return Failed(error);
  }
  const ScopedRegistryKey key{opened};
  // The list may grow between asking for its size and reading it.
  std::string data;
  DWORD type = 0;
  for (;;) {
    DWORD size = static_cast<DWORD>(data.size());
    error =
        ::RegQueryValueExW(key.Get(), kPendingRenames, nullptr, &type,
                           data.empty() ? nullptr : reinterpret_cast<BYTE*>(data.data()), &size);
    if (error == ERROR_FILE_NOT_FOUND) {
      return Outcome{true, {}};
    }
    if (error == ERROR_SUCCESS && !data.empty()) {
      data.resize(size);
      break;
    }
    if (error != ERROR_SUCCESS && error != ERROR_MORE_DATA) {
      return Failed(error);
    }
    if (size == 0) {
      return Outcome{true, {}};
    }
    data.assign(size, '\0');
  }
  const PendingRenamesEdit edit = WithoutDeletions(data, [&](std::u16string_view file) {
    for (const std::u16string& name : names) {
      if (SameName(file, name)) {
        return true;
      }
    }
    return false;
  });
  if (edit.removed == 0) {
    return Outcome{true, {}};
  }
  error = HoldsNoOperation(edit.bytes)
              ? ::RegDeleteValueW(key.Get(), kPendingRenames)
              : ::RegSetValueExW(key.Get(), kPendingRenames, 0, type,
                                 reinterpret_cast<const BYTE*>(edit.bytes.data()),
                                 static_cast<DWORD>(edit.bytes.size()));
  if (error == ERROR_SUCCESS) {
    // On disk before the restore says it is done: a power failure must not
    // bring the deletion back.
    error = ::RegFlushKey(key.Get());
  }
  return error == ERROR_SUCCESS ? Outcome{true, {}} : Failed(error);
}

}  // namespace dizi
