#include "platform/win32/token_groups.h"

#include <windows.h>

#include "platform/win32/scoped_handle.h"

namespace dizi {

namespace {

// Frees a SID made by AllocateAndInitializeSid.
class ScopedSid {
 public:
  ScopedSid(BYTE count, DWORD first, DWORD second) {
    SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
    if (!::AllocateAndInitializeSid(&authority, count, first, second, 0, 0, 0, 0, 0, 0, &sid_)) {
      sid_ = nullptr;
    }
  }
  ~ScopedSid() {
    if (sid_ != nullptr) {
      ::FreeSid(sid_);
    }
  }
  ScopedSid(const ScopedSid&) = delete;
  ScopedSid& operator=(const ScopedSid&) = delete;

  PSID Get() const { return sid_; }

 private:
  PSID sid_ = nullptr;
};

// TokenElevationType and TokenElevationTypeFull of Vista's headers.
constexpr int kTokenElevationType = 18;
constexpr DWORD kElevationTypeFull = 2;

}  // namespace

bool TokenWasElevatedByConsent() {
  HANDLE opened = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) {
    return false;
  }
  const ScopedHandle token(opened);
  DWORD type = 0;
  DWORD size = 0;
  // Windows before Vista knows no such class: the call fails there.
  return ::GetTokenInformation(token.Get(),
                               static_cast<TOKEN_INFORMATION_CLASS>(kTokenElevationType), &type,
                               sizeof type, &size) != 0 &&
         type == kElevationTypeFull;
}

bool TokenIsMemberOf(WellKnownGroup group) {
  const ScopedSid sid = group == WellKnownGroup::Administrators
                            ? ScopedSid(2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS)
                        : group == WellKnownGroup::LocalSystem
                            ? ScopedSid(1, SECURITY_LOCAL_SYSTEM_RID, 0)
                            : ScopedSid(1, SECURITY_INTERACTIVE_RID, 0);
  BOOL member = FALSE;
  // Without a token of its own, the call checks the process's token; a group
  // present only for denying (an administrator not elevated) does not count.
  return sid.Get() != nullptr && ::CheckTokenMembership(nullptr, sid.Get(), &member) && member;
}

}  // namespace dizi
