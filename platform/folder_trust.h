// Whether a folder can be trusted by a run with administrator rights: the
// program keeps its quarantine, reports and the copies of the programs it
// starts in folders of its own, and uses one only when no account without
// those rights can have made it or can change it. Free of allocation and
// exceptions, so that the companion programs judge their folders by the same
// rules as DiziTarvix.exe.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dizi {

// The accounts and groups trusted with the program's folders, as security
// identifiers in the system's text form.
inline constexpr char kAdministratorsSid[] = "S-1-5-32-544";
inline constexpr char kLocalSystemSid[] = "S-1-5-18";

// Access rights (Windows' mask bits) that let their holder put something into
// a folder, change or remove it, or change who may: write and append data
// (add files and folders), extended attributes, attributes, delete a child,
// delete, change the permissions or the owner, and the generic all and write.
inline constexpr std::uint32_t kChangingRights = 0x00000002 | 0x00000004 | 0x00000010 | 0x00000040 |
                                                 0x00000100 | 0x00010000 | 0x00040000 | 0x00080000 |
                                                 0x10000000 | 0x40000000;

// One entry of a folder's access list.
struct FolderAce {
  // False for an entry that only denies (it can grant nothing); true for every
  // other kind, since an entry the rules do not know may grant anything.
  bool grants = true;
  std::uint32_t mask = 0;
  const char* sid = nullptr;  // null when the system could not name it
};

// What the system says about a folder, as the rules read it.
struct FolderFacts {
  bool reparsePoint = false;    // a link of some kind: a junction, a symbolic link, a mount
  const char* owner = nullptr;  // null when it could not be read
  // The folder has no access list at all (a "null DACL"): everyone may do
  // everything. An empty list is another thing: nobody may do anything.
  bool noAccessList = false;
  const FolderAce* aces = nullptr;
  std::size_t aceCount = 0;
};

enum class FolderTrust {
  Trusted,
  ReparsePoint,    // a link: what it leads to is not the folder checked
  UnknownOwner,    // the owner could not be read
  ForeignOwner,    // owned by an account that is not trusted
  OpenToEveryone,  // no access list: everyone may change it
  OtherMayChange,  // an entry grants changing rights to an account not trusted
};

struct FolderJudgement {
  FolderTrust trust = FolderTrust::Trusted;
  // The account at fault (ForeignOwner, OtherMayChange); points into the
  // facts judged.
  const char* who = nullptr;
};

// Judges a folder of the program's own: it must not be a link, its owner must
// be Administrators, the system, or `trustedOwner` (the owner of the common
// application data folder the program's folders lie in, which no account
// without administrator rights can change; null when unknown), and no entry
// of its access list may grant changing rights to any other account — the
// creator owner and the owner rights entries aside, which stand for the
// folder's (trusted) owner and for the trusted accounts that create things in
// it. Entries passed on only to what is inside count too: they would apply to
// every file made there.
FolderJudgement JudgeFolder(const FolderFacts& facts, const char* trustedOwner);

// True when the two identifiers are the same (the system's text form is
// compared as is, but for the case of the "S").
bool SameSid(const char* a, const char* b);

// What is wrong, as the end of a sentence naming the folder ("... is not
// used: <this>"), without the account (see FolderJudgement::who): "it is a
// link (a junction or symbolic link)", "its owner is not Administrators or
// SYSTEM but", ...
const char* DistrustText(FolderTrust trust);

}  // namespace dizi
