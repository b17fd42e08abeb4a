#include "platform/win32/folder_security.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <string.h>

namespace dizi {

namespace {

// Owned by the Administrators group; full access for it and for the system
// account, passed on to everything inside; nothing inherited from above.
constexpr char kProtectedFolder[] = "O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

// Owns a security descriptor made by ConvertStringSecurityDescriptorToSecurityDescriptorA.
class LocalDescriptor {
 public:
  explicit LocalDescriptor(const char* text) {
    ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &descriptor_,
                                                         nullptr);
  }
  ~LocalDescriptor() {
    if (descriptor_ != nullptr) {
      LocalFree(descriptor_);
    }
  }
  LocalDescriptor(const LocalDescriptor&) = delete;
  LocalDescriptor& operator=(const LocalDescriptor&) = delete;

  PSECURITY_DESCRIPTOR Get() const { return descriptor_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

DWORD MakeWith(const char* path, const char* descriptorText) {
  const LocalDescriptor descriptor(descriptorText);
  if (descriptor.Get() == nullptr) {
    return GetLastError();
  }
  SECURITY_ATTRIBUTES security = {sizeof security, descriptor.Get(), FALSE};
  return CreateDirectoryA(path, &security) ? ERROR_SUCCESS : GetLastError();
}

// An entry kind that only denies, audits or labels: it grants nothing.
bool GrantsNothing(BYTE type) {
  switch (type) {
    case ACCESS_DENIED_ACE_TYPE:
    case SYSTEM_AUDIT_ACE_TYPE:
    case SYSTEM_ALARM_ACE_TYPE:
    case ACCESS_DENIED_OBJECT_ACE_TYPE:
    case SYSTEM_AUDIT_OBJECT_ACE_TYPE:
    case SYSTEM_ALARM_OBJECT_ACE_TYPE:
    case 0x0A:  // ACCESS_DENIED_CALLBACK_ACE_TYPE
    case 0x0C:  // ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE
    case 0x0D:  // SYSTEM_AUDIT_CALLBACK_ACE_TYPE
    case 0x0E:  // SYSTEM_ALARM_CALLBACK_ACE_TYPE
    case 0x0F:  // SYSTEM_AUDIT_CALLBACK_OBJECT_ACE_TYPE
    case 0x10:  // SYSTEM_ALARM_CALLBACK_OBJECT_ACE_TYPE
    case 0x11:  // SYSTEM_MANDATORY_LABEL_ACE_TYPE
      return true;
    default:
      return false;
  }
}

// The account of an entry whose account follows its mask directly (allowed
// and allowed-callback entries); null for every other layout.
PSID SidOf(const ACE_HEADER* header) {
  if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != 0x09) {
    return nullptr;
  }
  const auto* allowed = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
  const PSID sid = const_cast<DWORD*>(&allowed->SidStart);
  return IsValidSid(sid) ? sid : nullptr;
}

char* SidText(PSID sid) {
  char* text = nullptr;
  if (sid == nullptr || !ConvertSidToStringSidA(sid, &text)) {
    return nullptr;
  }
  return text;
}

}  // namespace

bool FindCommonAppDataFolder(char (&path)[MAX_PATH]) {
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return false;
  }
  size_t length = strlen(path);
  if (length > 0 && path[length - 1] == '\\') {
    path[--length] = '\0';
  }
  return length > 0;
}

ScopedFileHandle OpenFolderToHold(const char* path) {
  return ScopedFileHandle(CreateFileA(
      path, READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

FolderSecurity::~FolderSecurity() {
  Release();
}

void FolderSecurity::Release() {
  for (DWORD i = 0; aceSids_ != nullptr && i < aceCount_; ++i) {
    if (aceSids_[i] != nullptr) {
      LocalFree(aceSids_[i]);
    }
  }
  for (void* block : {static_cast<void*>(aceSids_), static_cast<void*>(aces_),
                      static_cast<void*>(owner_), static_cast<void*>(descriptor_)}) {
    if (block != nullptr) {
      LocalFree(block);
    }
  }
  descriptor_ = nullptr;
  owner_ = nullptr;
  aces_ = nullptr;
  aceSids_ = nullptr;
  aceCount_ = 0;
  noAccessList_ = false;
}

DWORD FolderSecurity::Read(HANDLE folder) {
  Release();
  PSID owner = nullptr;
  PACL list = nullptr;
  const DWORD error = GetSecurityInfo(folder, SE_FILE_OBJECT,
                                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                      &owner, nullptr, &list, nullptr, &descriptor_);
  if (error != ERROR_SUCCESS) {
    descriptor_ = nullptr;
    return error;
  }
  owner_ = SidText(owner);
  if (list == nullptr) {
    noAccessList_ = true;
    return ERROR_SUCCESS;
  }
  const DWORD count = list->AceCount;
  if (count == 0) {
    return ERROR_SUCCESS;
  }
  aces_ = static_cast<FolderAce*>(LocalAlloc(LPTR, count * sizeof(FolderAce)));
  aceSids_ = static_cast<char**>(LocalAlloc(LPTR, count * sizeof(char*)));
  if (aces_ == nullptr || aceSids_ == nullptr) {
    Release();
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  aceCount_ = count;
  for (DWORD i = 0; i < count; ++i) {
    void* entry = nullptr;
    FolderAce& ace = aces_[i];
    if (!GetAce(list, i, &entry)) {
      // An entry that cannot be read may grant anything.
      ace = FolderAce{true, 0xFFFFFFFF, nullptr};
      continue;
    }
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    const DWORD mask = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header)->Mask;
    aceSids_[i] = SidText(SidOf(header));
    ace = FolderAce{!GrantsNothing(header->AceType), mask, aceSids_[i]};
  }
  return ERROR_SUCCESS;
}

FolderFacts FolderSecurity::Facts(bool reparsePoint) const {
  FolderFacts facts;
  facts.reparsePoint = reparsePoint;
  facts.owner = owner_;
  facts.noAccessList = noAccessList_;
  facts.aces = aces_;
  facts.aceCount = aceCount_;
  return facts;
}

DWORD MakeProtectedFolder(const char* path) {
  // An account that may not give Administrators a folder (one without
  // administrator rights) makes none: it would be its own.
  return MakeWith(path, kProtectedFolder);
}

}  // namespace dizi
