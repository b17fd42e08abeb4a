// Restoring from the quarantine without a window: what comes back, what is
// never overwritten, and the exit codes a deployment tool reads.
#include "fleet/silent_restore.h"

#include <gtest/gtest.h>

#include "quarantine/keep.h"
#include "quarantine_files.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kServer = "C:\\WINDOWS\\krt32.exe";
const std::string kDownloader = "C:\\WINDOWS\\system32\\kservice.exe";

// A machine whose quarantine holds both files, kept and then deleted.
struct TwoKept : Machine {
  TwoKept() {
    platform.AddFile(kServer, std::string("MZ\x90\x00 server", 10));
    platform.AddFile(kDownloader, "downloader bytes");
    server = KeepFile(platform, kServer, "server");
    downloader = KeepFile(platform, kDownloader, "downloader");
    platform.Delete(kServer);
    platform.Delete(kDownloader);
    journal.Clear();
  }
  KeptFile server;
  KeptFile downloader;
};

TEST(SilentRestoreTest, AllItemsComeBackAndASecondRunFindsThemInPlace) {
  TwoKept m;
  RestoreRun run = RestoreSilently(m.platform, std::nullopt);
  EXPECT_EQ(run.exitCode, kExitRestored);
  EXPECT_EQ(run.lines, (Texts{"restored " + m.server.id + ": " + kServer,
                              "restored " + m.downloader.id + ": " + kDownloader}));
  EXPECT_EQ(m.platform.Content(kServer), std::string("MZ\x90\x00 server", 10));
  EXPECT_EQ(m.platform.Content(kDownloader), "downloader bytes");

  run = RestoreSilently(m.platform, std::nullopt);
  EXPECT_EQ(run.exitCode, kExitRestored);
  EXPECT_EQ(run.lines, (Texts{"already in place " + m.server.id + ": " + kServer,
                              "already in place " + m.downloader.id + ": " + kDownloader}));
}

TEST(SilentRestoreTest, OneItemByIdAndNothingElse) {
  TwoKept m;
  const RestoreRun run = RestoreSilently(m.platform, m.downloader.id);
  EXPECT_EQ(run.exitCode, kExitRestored);
  EXPECT_EQ(run.lines, Texts{"restored " + m.downloader.id + ": " + kDownloader});
  EXPECT_TRUE(m.platform.HasFile(kDownloader));
  EXPECT_FALSE(m.platform.HasFile(kServer));
}

TEST(SilentRestoreTest, AnotherFileInThePlaceIsNeverOverwritten) {
  TwoKept m;
  m.platform.AddFile(kServer, "a program of another maker, installed since");
  const RestoreRun run = RestoreSilently(m.platform, std::nullopt);
  EXPECT_EQ(run.exitCode, kExitNotRestored);
  EXPECT_EQ(run.lines.at(0), "not restored " + m.server.id + ": another file is at " + kServer +
                                 " (it was left as it is)");
  EXPECT_EQ(m.platform.Content(kServer), "a program of another maker, installed since");
  // The other item still comes back.
  EXPECT_EQ(m.platform.Content(kDownloader), "downloader bytes");
}

TEST(SilentRestoreTest, AnUnknownIdAnEmptyQuarantineAndMissingRightsDoNothing) {
  TwoKept m;
  RestoreRun run = RestoreSilently(m.platform, std::string("20240101-000000-01"));
  EXPECT_EQ(run.exitCode, kExitNoSuchItem);
  EXPECT_EQ(run.lines, Texts{"the quarantine holds no item 20240101-000000-01"});

  m.platform.SetAdministratorRights(false);
  run = RestoreSilently(m.platform, std::nullopt);
  EXPECT_EQ(run.exitCode, 4);
  EXPECT_FALSE(m.platform.HasFile(kServer));
  EXPECT_FALSE(m.platform.HasFile(kDownloader));

  Machine empty;
  run = RestoreSilently(empty.platform, std::nullopt);
  EXPECT_EQ(run.exitCode, kExitRestored);
  EXPECT_EQ(run.lines, Texts{"the quarantine holds nothing to restore"});
}

// A quarantine folder that passed into other hands: its owner is a user.
TEST(SilentRestoreTest, AQuarantineOthersCouldChangeIsSetAsideUnreadAndSaidSo) {
  TwoKept m;
  const std::string user = "S-1-5-21-1004336348-1177238915-682003330-1001";
  m.platform.SetFolderOwner(kQuarantine, user);
  const RestoreRun run = RestoreSilently(m.platform, std::nullopt);
  const std::string aside = kQuarantine + ".set-aside-20240517-142301";
  EXPECT_EQ(run.exitCode, kExitRestored);
  EXPECT_EQ(run.lines,
            (Texts{kQuarantine +
                       " was not used: it belongs to an account that is not Administrators or "
                       "SYSTEM: " +
                       user + "; it was set aside as " + aside + ", as it is, and made anew.",
                   "the quarantine holds nothing to restore"}));
  EXPECT_FALSE(m.platform.HasFile(kServer));
  EXPECT_FALSE(m.platform.HasFile(kDownloader));
  EXPECT_TRUE(m.platform.HasFile(aside + "\\" + m.server.id + ".dzq"));
}

TEST(SilentRestoreTest, AQuarantineThatCannotBeUsedRestoresNothingAndSaysWhy) {
  TwoKept m;
  m.platform.SetFolderOwner(kQuarantine, "S-1-5-21-1004336348-1177238915-682003330-1001");
  m.platform.FailRenames(kQuarantine);
  for (const std::optional<std::string>& id :
       {std::optional<std::string>(), std::optional(m.server.id)}) {
    const RestoreRun run = RestoreSilently(m.platform, id);
    EXPECT_EQ(run.exitCode, kExitNotRestored);
    ASSERT_EQ(run.lines.size(), 1u);
    EXPECT_EQ(run.lines[0].rfind("nothing restored: the quarantine cannot be used: " + kQuarantine +
                                     " is not used: it belongs to an account",
                                 0),
              0u)
        << run.lines[0];
    EXPECT_FALSE(m.platform.HasFile(kServer));
  }
}

}  // namespace
}  // namespace dizi::test
