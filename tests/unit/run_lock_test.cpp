// One run at a time: the lock lies in the checked data root, where nothing
// without administrator rights can take it first.
#include <gtest/gtest.h>

#include "places/run_lock.h"
#include "platform/fake_platform.h"

namespace dizi {
namespace {

using Texts = std::vector<std::string>;

const std::string kCommon = "C:\\ProgramData";
const std::string kLockFile = kCommon + "\\DiziTarvix\\run.lock";

struct LockMachine {
  LockMachine() { platform.SetCommonAppDataDirectory(kCommon); }
  Journal journal;
  FakePlatform platform{journal};
};

TEST(RunLockTest, OneRunHoldsTheLockAndASecondIsToldSoUntilItEnds) {
  LockMachine m;
  {
    const RunLock first(m.platform);
    EXPECT_EQ(first.state(), RunLock::State::Taken);
    EXPECT_TRUE(first.Notes().empty());
    EXPECT_TRUE(m.platform.HasFile(kLockFile));
    const RunLock second(m.platform);
    EXPECT_TRUE(second.AnotherRun());
    EXPECT_TRUE(second.Notes().empty());
  }
  // Released, and its file gone with it.
  EXPECT_FALSE(m.platform.HasFile(kLockFile));
  const RunLock later(m.platform);
  EXPECT_EQ(later.state(), RunLock::State::Taken);
}

TEST(RunLockTest, ALockFolderAUserMadeIsSetAsideAndTheLockTakenInANewOne) {
  LockMachine m;
  const std::string root = kCommon + "\\DiziTarvix";
  const std::string user = "S-1-5-21-1-2-3-1001";
  m.platform.AddDirectory(root);
  m.platform.SetFolderOwner(root, user);
  m.platform.SetFolderAccess(root, {{true, 0x1F01FF, user}});
  // The squatter holds a lock file of its own making there.
  m.platform.HoldExclusivelyElsewhere(kLockFile);

  const RunLock lock(m.platform);
  EXPECT_EQ(lock.state(), RunLock::State::Taken);
  EXPECT_EQ(lock.Notes(),
            (Texts{"  " + root +
                   " was not used: it belongs to an account that is not Administrators or "
                   "SYSTEM: " +
                   user + "; it was set aside as " + root +
                   ".set-aside-20240517-142301, as it is, and made anew."}));
  EXPECT_TRUE(m.platform.IsProtectedDirectory(root));
}

TEST(RunLockTest, WithoutAUsableDataRootTheRunGoesOnUnguardedAndSaysWhy) {
  LockMachine m;
  m.platform.MarkReparsePoint(kCommon);
  const RunLock lock(m.platform);
  EXPECT_EQ(lock.state(), RunLock::State::Unguarded);
  EXPECT_FALSE(lock.AnotherRun());
  EXPECT_EQ(lock.Notes(),
            (Texts{"  Diri Tarvix cannot make sure that it runs only once at a time: " + kCommon +
                   " is not used: it is a link (a junction or a symbolic link) to another "
                   "place"}));

  LockMachine readOnly;
  const std::string root = kCommon + "\\DiziTarvix";
  readOnly.platform.AddDirectory(root);
  readOnly.platform.SetFolderOwner(root, kAdministratorsSid);
  readOnly.platform.SetFolderAccess(root, FakePlatform::ProtectedAccess());
  readOnly.platform.MarkReadOnly(root);
  const RunLock unguarded(readOnly.platform);
  EXPECT_EQ(unguarded.state(), RunLock::State::Unguarded);
  EXPECT_EQ(unguarded.Notes(),
            (Texts{"  Diri Tarvix cannot make sure that it runs only once at a time: " + kLockFile +
                   " cannot be opened: Access is denied. (error 5)"}));
}

}  // namespace
}  // namespace dizi
