#include "fservice/own_account.h"

#include <sddl.h>

#include "platform/win32/scoped_handle.h"

namespace dizi::tools {

bool OwnAccount::Find(DWORD& error) {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) {
    error = GetLastError();
    return false;
  }
  const ScopedHandle token(opened);
  // A TOKEN_USER with the largest SID there is.
  union {
    TOKEN_USER user;
    BYTE bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  } info;
  DWORD size = 0;
  wchar_t* text = nullptr;
  if (!GetTokenInformation(token.Get(), TokenUser, &info, sizeof info, &size) ||
      !ConvertSidToStringSidW(info.user.User.Sid, &text)) {
    error = GetLastError();
    return false;
  }
  const std::size_t length = static_cast<std::size_t>(lstrlenW(text));
  const bool fits = length > 0 && length <= kLongestSid;
  if (fits) {
    lstrcpynW(sid_, text, static_cast<int>(length + 1));
    length_ = length;
  }
  LocalFree(text);
  error = fits ? ERROR_SUCCESS : ERROR_INVALID_SID;
  return fits;
}

}  // namespace dizi::tools
