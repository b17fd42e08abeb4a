#include "platform/folder_trust.h"

namespace dizi {

namespace {

// The creator owner (an entry standing for whoever makes something in the
// folder), the owner rights (the folder's owner) and the system's installer
// service, which owns Windows' own folders.
constexpr char kCreatorOwnerSid[] = "S-1-3-0";
constexpr char kOwnerRightsSid[] = "S-1-3-4";
constexpr char kTrustedInstallerSid[] =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsTrustedAccount(const char* sid, const char* trustedOwner) {
  return SameSid(sid, kAdministratorsSid) || SameSid(sid, kLocalSystemSid) ||
         SameSid(sid, kTrustedInstallerSid) || (trustedOwner && SameSid(sid, trustedOwner));
}

}  // namespace

bool SameSid(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) {
    return false;
  }
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (Lower(*a) != Lower(*b)) {
      return false;
    }
  }
  return *a == *b;
}

FolderJudgement JudgeFolder(const FolderFacts& facts, const char* trustedOwner) {
  if (facts.reparsePoint) {
    return {FolderTrust::ReparsePoint, nullptr};
  }
  if (facts.owner == nullptr || facts.owner[0] == '\0') {
    return {FolderTrust::UnknownOwner, nullptr};
  }
  if (!IsTrustedAccount(facts.owner, trustedOwner)) {
    return {FolderTrust::ForeignOwner, facts.owner};
  }
  if (facts.noAccessList) {
    return {FolderTrust::OpenToEveryone, nullptr};
  }
  for (std::size_t i = 0; i < facts.aceCount; ++i) {
    const FolderAce& ace = facts.aces[i];
    if (!ace.grants || (ace.mask & kChangingRights) == 0) {
      continue;
    }
    // An entry for an account the system cannot name is judged as any other
    // account's.
    if (ace.sid != nullptr &&
        (IsTrustedAccount(ace.sid, trustedOwner) || SameSid(ace.sid, kCreatorOwnerSid) ||
         SameSid(ace.sid, kOwnerRightsSid))) {
      continue;
    }
    return {FolderTrust::OtherMayChange, ace.sid != nullptr ? ace.sid : "an unnamed account"};
  }
  return {FolderTrust::Trusted, nullptr};
}

const char* DistrustText(FolderTrust trust) {
  switch (trust) {
    case FolderTrust::Trusted:
      return "it is protected";
    case FolderTrust::ReparsePoint:
      return "it is a link (a junction or a symbolic link) to another place";
    case FolderTrust::UnknownOwner:
      return "its owner cannot be read";
    case FolderTrust::ForeignOwner:
      return "it belongs to an account that is not Administrators or SYSTEM:";
    case FolderTrust::OpenToEveryone:
      return "it has no access list, so everyone may change it";
    case FolderTrust::OtherMayChange:
      break;
  }
  return "an account that is not Administrators or SYSTEM may change it:";
}

}  // namespace dizi
