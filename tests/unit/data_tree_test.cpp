// The program's own folders under the common application data folder: what
// the program trusts, what it sets aside, and that it never writes into a
// folder that failed its check.
#include <gtest/gtest.h>

#include "places/data_tree.h"
#include "platform/fake_platform.h"
#include "quarantine/keep.h"

namespace dizi {
namespace {

using Texts = std::vector<std::string>;

const std::string kCommon = "C:\\ProgramData";
const std::string kRoot = kCommon + "\\DiziTarvix";
const std::string kQuarantine = kRoot + "\\Quarantine";
const std::string kUserSid = "S-1-5-21-1004336348-1177238915-682003330-1001";
const std::string kEveryone = "S-1-1-0";
constexpr std::uint32_t kModify = 0x1301BF;
constexpr std::uint32_t kReadAndExecute = 0x1200A9;
constexpr std::uint32_t kFull = 0x1F01FF;
// The clock of the fake starts at 2024-05-17 16:23:01 +02:00.
const std::string kAsideSuffix = ".set-aside-20240517-142301";

struct Tree {
  Tree() {
    platform.SetCommonAppDataDirectory(kCommon);
    journal.Clear();
  }
  // Adds a folder as a user (or the trojan running as one) would make it.
  void AddUsersFolder(const std::string& path) {
    platform.AddDirectory(path);
    platform.SetFolderOwner(path, kUserSid);
    platform.SetFolderAccess(path, {{true, kFull, kUserSid}, {true, kFull, kLocalSystemSid}});
  }
  Journal journal;
  FakePlatform platform{journal};
};

TEST(DataTreeTest, MissingFoldersAreMadeProtectedAndHeldWhileInUse) {
  Tree t;
  {
    const CheckedFolder folder = OpenDataFolder(t.platform, DataFolder::Quarantine);
    ASSERT_TRUE(folder) << folder.Problem();
    EXPECT_EQ(folder.Path(), kQuarantine);
    EXPECT_TRUE(folder.SetAside().empty());
    EXPECT_TRUE(t.platform.IsProtectedDirectory(kRoot));
    EXPECT_TRUE(t.platform.IsProtectedDirectory(kQuarantine));
    // Every folder of the way is held: none can be renamed meanwhile.
    for (const std::string& path : {kCommon, kRoot, kQuarantine}) {
      EXPECT_TRUE(t.platform.IsHeldFolder(path)) << path;
    }
    EXPECT_FALSE(t.platform.RenameAside(kQuarantine, kQuarantine + ".x"));
    EXPECT_FALSE(t.platform.RenameAside(kRoot, kRoot + ".x"));
  }
  for (const std::string& path : {kCommon, kRoot, kQuarantine}) {
    EXPECT_FALSE(t.platform.IsHeldFolder(path)) << path;
  }
  // The second time, what is there is taken as it is.
  t.journal.Clear();
  const CheckedFolder again = OpenDataFolder(t.platform, DataFolder::Reports);
  ASSERT_TRUE(again);
  EXPECT_EQ(again.Path(), kRoot + "\\Reports");
  EXPECT_EQ(t.journal.With("make-protected-folder "), (Texts{kRoot + "\\Reports -> ok"}));
}

TEST(DataTreeTest, AFolderAUserMadeIsSetAsideAsItIsAndMadeAnew) {
  Tree t;
  // Made before the program ever ran, with a planted item and manifest line.
  t.AddUsersFolder(kRoot);
  t.AddUsersFolder(kQuarantine);
  t.platform.AddFile(kQuarantine + "\\manifest.jsonl", "planted\n");
  t.platform.AddFile(kQuarantine + "\\20240101-000000-01.dzq", "planted");

  const CheckedFolder folder = OpenDataFolder(t.platform, DataFolder::Quarantine);
  ASSERT_TRUE(folder) << folder.Problem();
  EXPECT_EQ(folder.SetAside(),
            (Texts{kRoot +
                   " was not used: it belongs to an account that is not Administrators "
                   "or SYSTEM: " +
                   kUserSid + "; it was set aside as " + kRoot + kAsideSuffix +
                   ", as it is, and made anew"}));
  // Kept as it was, planted files and all, under its new name.
  const std::string aside = kRoot + kAsideSuffix + "\\Quarantine";
  EXPECT_EQ(t.platform.Content(aside + "\\manifest.jsonl"), "planted\n");
  EXPECT_TRUE(t.platform.HasFile(aside + "\\20240101-000000-01.dzq"));
  // The new tree holds nothing planted.
  EXPECT_TRUE(t.platform.FilesIn(kQuarantine).empty());
  EXPECT_TRUE(t.platform.IsProtectedDirectory(kRoot));
  EXPECT_TRUE(t.platform.IsProtectedDirectory(kQuarantine));
  EXPECT_TRUE(t.journal.With("delete ").empty());
}

TEST(DataTreeTest, EachWayAFolderCanBeOpenToOthersSetsItAside) {
  struct Case {
    const char* what;
    std::vector<AccessEntry> entries;
    std::string why;
  };
  const std::vector<Case> cases = {
      {"everyone may modify",
       {{true, kFull, kAdministratorsSid}, {true, kModify, kEveryone}},
       "an account that is not Administrators or SYSTEM may change it: S-1-1-0"},
      {"users may add files",
       {{true, kFull, kAdministratorsSid}, {true, 0x000002 | kReadAndExecute, "S-1-5-32-545"}},
       "an account that is not Administrators or SYSTEM may change it: S-1-5-32-545"},
      {"authenticated users may delete",
       {{true, kFull, kAdministratorsSid}, {true, 0x010000, "S-1-5-11"}},
       "an account that is not Administrators or SYSTEM may change it: S-1-5-11"},
      {"a user may change the permissions",
       {{true, kFull, kAdministratorsSid}, {true, 0x040000, kUserSid}},
       "an account that is not Administrators or SYSTEM may change it: " + kUserSid},
      {"generic write for an account the system cannot name",
       {{true, kFull, kAdministratorsSid}, {true, 0x40000000, ""}},
       "an account that is not Administrators or SYSTEM may change it: an unnamed account"},
  };
  for (const Case& c : cases) {
    Tree t;
    t.platform.AddDirectory(kRoot);
    t.platform.SetFolderOwner(kRoot, kAdministratorsSid);
    t.platform.SetFolderAccess(kRoot, c.entries);
    const CheckedFolder folder = OpenDataFolder(t.platform, DataFolder::Root);
    ASSERT_TRUE(folder) << c.what;
    ASSERT_EQ(folder.SetAside().size(), 1u) << c.what;
    EXPECT_EQ(folder.SetAside()[0], kRoot + " was not used: " + c.why + "; it was set aside as " +
                                        kRoot + kAsideSuffix + ", as it is, and made anew")
        << c.what;
  }
}

TEST(DataTreeTest, ReadingAndDenyingEntriesAndTrustedAccountsAreFine) {
  Tree t;
  t.platform.AddDirectory(kRoot);
  t.platform.SetFolderOwner(kRoot, kLocalSystemSid);
  t.platform.SetFolderAccess(kRoot, {
                                        {true, kFull, kAdministratorsSid},
                                        {true, kFull, kLocalSystemSid},
                                        {true, kFull, "S-1-3-0"},  // creator owner
                                        {true, kReadAndExecute, "S-1-5-32-545"},
                                        {false, kFull, kEveryone},  // denies only
                                        {true, kFull,
                                         "S-1-5-80-956008885-3418522649-1831038044-1853292631-"
                                         "2271478464"},  // the installer service
                                    });
  const CheckedFolder folder = OpenDataFolder(t.platform, DataFolder::Root);
  ASSERT_TRUE(folder);
  EXPECT_TRUE(folder.SetAside().empty());
  EXPECT_TRUE(t.journal.With("rename ").empty());
}

TEST(DataTreeTest, TheOwnerOfTheCommonFolderIsTrusted) {
  // As on a system where every file has the one owner (Wine's): the common
  // folder's owner owns the program's folders too, and may change them.
  Tree t;
  const std::string onlyUser = "S-1-5-21-0-0-0-1000";
  t.platform.SetFolderOwner(kCommon, onlyUser);
  t.platform.AddDirectory(kRoot);
  t.platform.SetFolderOwner(kRoot, onlyUser);
  t.platform.SetFolderAccess(kRoot, {{true, kFull, onlyUser},
                                     {true, kFull, kLocalSystemSid},
                                     {true, kReadAndExecute, kEveryone}});
  const CheckedFolder folder = OpenDataFolder(t.platform, DataFolder::Root);
  ASSERT_TRUE(folder);
  EXPECT_TRUE(folder.SetAside().empty());
}

TEST(DataTreeTest, ALinkIsRenamedItselfAndWhereItLeadsIsNeverTouched) {
  Tree t;
  const std::string shared = "C:\\Users\\Public\\Shared";
  t.platform.AddDirectory(shared);
  t.platform.AddFile(shared + "\\notes.txt", "the user's");
  t.platform.AddDirectory(kRoot);
  t.platform.SetFolderOwner(kRoot, kAdministratorsSid);
  t.platform.SetFolderAccess(kRoot, FakePlatform::ProtectedAccess());
  t.platform.AddDirectory(kQuarantine);
  t.platform.SetFolderOwner(kQuarantine, kAdministratorsSid);
  t.platform.SetFolderAccess(kQuarantine, FakePlatform::ProtectedAccess());
  t.platform.MarkReparsePoint(kQuarantine);

  const CheckedFolder folder = OpenDataFolder(t.platform, DataFolder::Quarantine);
  ASSERT_TRUE(folder);
  EXPECT_EQ(folder.SetAside(), (Texts{kQuarantine +
                                      " was not used: it is a link (a junction or a symbolic "
                                      "link) to another place; it was set aside as " +
                                      kQuarantine + kAsideSuffix + ", as it is, and made anew"}));
  EXPECT_EQ(t.platform.FilesIn(shared), (Texts{"notes.txt"}));
  EXPECT_FALSE(t.platform.IsProtectedDirectory(shared));
}

// A folder made by someone else between the look that found none and the
// program's own making is judged like any other: another run's is used, a
// user's is set aside.
TEST(DataTreeTest, AFolderMadeMeanwhileIsJudgedLikeAnyOther) {
  Tree t;
  t.platform.MakeFolderAfterLook(kRoot, kAdministratorsSid, FakePlatform::ProtectedAccess());
  const CheckedFolder another = OpenDataFolder(t.platform, DataFolder::Root);
  ASSERT_TRUE(another) << another.Problem();
  EXPECT_TRUE(another.SetAside().empty());
  EXPECT_EQ(t.journal.With("make-protected-folder "), (Texts{kRoot + " -> fail"}));
  EXPECT_TRUE(t.platform.IsHeldFolder(kRoot));

  Tree raced;
  raced.platform.MakeFolderAfterLook(kRoot, kUserSid, {{true, kFull, kUserSid}});
  const CheckedFolder folder = OpenDataFolder(raced.platform, DataFolder::Root);
  ASSERT_TRUE(folder) << folder.Problem();
  EXPECT_EQ(folder.SetAside(),
            (Texts{kRoot +
                   " was not used: it belongs to an account that is not Administrators or "
                   "SYSTEM: " +
                   kUserSid + "; it was set aside as " + kRoot + kAsideSuffix +
                   ", as it is, and made anew"}));
  EXPECT_TRUE(raced.platform.IsProtectedDirectory(kRoot));
}

TEST(DataTreeTest, AFileInTheWayIsSetAsideAndAnEarlierSetAsideNameIsNotReused) {
  Tree t;
  t.platform.AddFile(kRoot, "a file named like the folder");
  t.platform.AddFile(kRoot + kAsideSuffix, "set aside earlier");
  const CheckedFolder folder = OpenDataFolder(t.platform, DataFolder::Root);
  ASSERT_TRUE(folder) << folder.Problem();
  EXPECT_EQ(folder.SetAside(), (Texts{kRoot +
                                      " was not used: it is not a folder; it was set "
                                      "aside as " +
                                      kRoot + kAsideSuffix + "-2, as it is, and made anew"}));
  EXPECT_EQ(t.platform.Content(kRoot + kAsideSuffix), "set aside earlier");
  EXPECT_EQ(t.platform.Content(kRoot + kAsideSuffix + "-2"), "a file named like the folder");
}

TEST(DataTreeTest, WhatCannotBeSetAsideIsNeverUsedAndSaysWhy) {
  Tree t;
  t.AddUsersFolder(kRoot);
  t.platform.FailRenames(kRoot);
  const CheckedFolder folder = OpenDataFolder(t.platform, DataFolder::Quarantine);
  EXPECT_FALSE(folder);
  EXPECT_EQ(folder.Problem(),
            kRoot +
                " is not used: it belongs to an account that is not Administrators or "
                "SYSTEM: " +
                kUserSid +
                "; it could not be set aside: The process cannot access the file because it "
                "is being used by another process. (error 32)");
  EXPECT_TRUE(folder.Path().empty());
  EXPECT_FALSE(t.platform.IsHeldFolder(kCommon));
  // Nothing was made or written inside it.
  EXPECT_TRUE(t.journal.With("make-protected-folder ").empty());

  // A scan's find is then kept nowhere, and says why.
  t.platform.AddFile("C:\\WINDOWS\\winkey.dll", "MZ");
  const KeptFile kept = KeepFile(t.platform, "C:\\WINDOWS\\winkey.dll", "server");
  EXPECT_FALSE(kept.kept);
  EXPECT_EQ(kept.reason, folder.Problem());
  EXPECT_TRUE(t.platform.FilesIn(kRoot).empty());
}

TEST(DataTreeTest, AFolderSetAsideThatCannotBeMadeAnewIsSaidSoAndNothingIsUsed) {
  Tree t;
  t.AddUsersFolder(kRoot);
  t.platform.FailFolderMakes();
  const CheckedFolder folder = OpenDataFolder(t.platform, DataFolder::Root);
  EXPECT_FALSE(folder);
  EXPECT_EQ(folder.SetAside(),
            (Texts{kRoot +
                   " was not used: it belongs to an account that is not Administrators "
                   "or SYSTEM: " +
                   kUserSid + "; it was set aside as " + kRoot + kAsideSuffix + ", as it is"}));
  EXPECT_EQ(folder.Problem(),
            kRoot + " cannot be made: There is not enough space on the disk. (error 112)");
}

TEST(DataTreeTest, AFolderWhoseSecurityCannotBeReadIsSetAside) {
  Tree t;
  t.platform.AddDirectory(kRoot);
  t.platform.MarkSecurityUnreadable(kRoot);
  const CheckedFolder folder = OpenDataFolder(t.platform, DataFolder::Root);
  ASSERT_TRUE(folder);
  ASSERT_EQ(folder.SetAside().size(), 1u);
  EXPECT_NE(folder.SetAside()[0].find("it cannot be checked: Access is denied. (error 5)"),
            std::string::npos);
}

TEST(DataTreeTest, ACommonFolderThatIsALinkOrMissingIsNeverUsed) {
  Tree t;
  t.platform.MarkReparsePoint(kCommon);
  const CheckedFolder linked = OpenDataFolder(t.platform, DataFolder::Quarantine);
  EXPECT_FALSE(linked);
  EXPECT_EQ(
      linked.Problem(),
      kCommon + " is not used: it is a link (a junction or a symbolic link) to another place");
  EXPECT_TRUE(t.journal.With("make-protected-folder ").empty());
  EXPECT_TRUE(t.journal.With("rename ").empty());

  Tree u;
  u.platform.SetCommonAppDataDirectory("");
  const CheckedFolder unknown = OpenDataFolder(u.platform, DataFolder::Root);
  EXPECT_FALSE(unknown);
  EXPECT_EQ(unknown.Problem(), "Windows does not say where its common application data folder is");
}

}  // namespace
}  // namespace dizi
