#include "platform/win32/token_groups.h"

#include <windows.h>

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

}  // namespace

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
