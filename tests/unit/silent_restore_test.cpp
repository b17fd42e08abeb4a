// Restoring from the quarantine without a window: what comes back, what is
// never overwritten, and the exit codes a deployment tool reads.
#include "fleet/silent_restore.h"

#include <gtest/gtest.h>

#include "quarantine/keep.h"
#include "quarantine/manifest.h"
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

TEST(SilentRestoreTest, AHeldFileStillThereStaysForGoodAndOtherDeletionsStayPending) {
  TwoKept m;
  // The server file survived the scan, held open, its deletion registered.
  m.platform.AddFile(kServer, std::string("MZ\x90\x00 server", 10));
  m.platform.DeleteAtRestart(kServer);
  m.platform.AddPendingRestartDelete("C:\\setup\\leftover.tmp");
  const RestoreRun run = RestoreSilently(m.platform, std::nullopt);
  EXPECT_EQ(run.exitCode, kExitRestored);
  EXPECT_EQ(run.lines, (Texts{"already in place " + m.server.id + ": " + kServer,
                              "restored " + m.downloader.id + ": " + kDownloader}));
  EXPECT_EQ(m.platform.PendingRestartDeletes(), Texts{"C:\\setup\\leftover.tmp"});

  // Said to be in place only once nothing will delete it.
  TwoKept f;
  f.platform.AddFile(kServer, std::string("MZ\x90\x00 server", 10));
  f.platform.DeleteAtRestart(kServer);
  f.platform.FailCancelDeleteAtRestart();
  const RestoreRun failed = RestoreSilently(f.platform, f.server.id);
  EXPECT_EQ(failed.exitCode, kExitNotRestored);
  EXPECT_EQ(failed.lines,
            Texts{"not restored " + f.server.id +
                  ": it is at its path, but Windows may delete it again at the next restart: its "
                  "deletion then could not be withdrawn: Access is denied. (error 5)"});

  // A file there that cannot be read cannot be told apart from another's.
  TwoKept u;
  u.platform.AddFile(kServer, std::string("MZ\x90\x00 server", 10));
  u.platform.MarkUnreadable(kServer);
  EXPECT_EQ(RestoreSilently(u.platform, u.server.id).lines,
            Texts{"not restored " + u.server.id + ": another file is at " + kServer +
                  ", which cannot be compared with it: it cannot be read: The process cannot "
                  "access the file because it is being used by another process. (error 32) (it "
                  "was left as it is)"});
}

TEST(SilentRestoreTest, AManifestThatCannotBeReadIsSaidAndTheItemsFoundListed) {
  const std::string kUnreadable =
      "the quarantine's manifest could not be read: The process cannot access the file because "
      "it is being used by another process. (error 32)";
  TwoKept m;
  m.platform.MarkUnreadable(kManifest);
  RestoreRun run = RestoreSilently(m.platform, std::nullopt);
  EXPECT_EQ(run.exitCode, kExitNotRestored);
  EXPECT_EQ(run.lines, (Texts{kUnreadable,
                              "the quarantine holds the item file " + m.server.id +
                                  ".dzq, which no line of its manifest describes",
                              "the quarantine holds the item file " + m.downloader.id +
                                  ".dzq, which no line of its manifest describes"}));
  EXPECT_FALSE(m.platform.HasFile(kServer));
  // Asked for one item: whether it is there cannot be told either.
  run = RestoreSilently(m.platform, m.server.id);
  EXPECT_EQ(run.exitCode, kExitNotRestored);
  EXPECT_EQ(run.lines.at(0), kUnreadable);

  // Unreadable with nothing kept is still not "nothing to restore".
  Machine e;
  e.platform.AddFile(kManifest, "");
  e.platform.MarkUnreadable(kManifest);
  run = RestoreSilently(e.platform, std::nullopt);
  EXPECT_EQ(run.exitCode, kExitNotRestored);
  EXPECT_EQ(run.lines, Texts{kUnreadable});
}

TEST(SilentRestoreTest, DamagedLinesAreListedAndTheRestIsRestored) {
  TwoKept m;
  m.platform.AppendToFile(kManifest, "{\"event\":\"kept\",\"id\":\"20240517-142301-09\",\"ti");
  m.platform.AppendToFile(kManifest, "\n");
  m.platform.AppendToFile(kManifest, KeptEvent({2024, 5, 17, 14, 23, 1}, "20240517-142301-10",
                                               "C:\\WINDOWS\\x.sys:ads", 1, "", "server"));
  RestoreRun run = RestoreSilently(m.platform, std::nullopt);
  EXPECT_EQ(run.exitCode, kExitNotRestored);
  EXPECT_EQ(run.lines,
            (Texts{"restored " + m.server.id + ": " + kServer,
                   "restored " + m.downloader.id + ": " + kDownloader,
                   "line 3 of the quarantine's manifest is damaged, nothing is done with it: it is "
                   "not one JSON object in UTF-8 on one line (cut short, say)",
                   "line 4 of the quarantine's manifest is damaged (item 20240517-142301-10), "
                   "nothing is done with it: its path names a stream of a file (a colon after "
                   "the drive's)"}));
  EXPECT_FALSE(m.platform.HasFile("C:\\WINDOWS\\x.sys"));

  // By id: an item in order is restored as ever; the damaged one says why.
  TwoKept i;
  i.platform.AppendToFile(kManifest, KeptEvent({2024, 5, 17, 14, 23, 1}, "20240517-142301-10",
                                               "C:\\WINDOWS\\x.sys:ads", 1, "", "server"));
  run = RestoreSilently(i.platform, i.downloader.id);
  EXPECT_EQ(run.exitCode, kExitRestored);
  EXPECT_EQ(run.lines, Texts{"restored " + i.downloader.id + ": " + kDownloader});
  run = RestoreSilently(i.platform, std::string("20240517-142301-10"));
  EXPECT_EQ(run.exitCode, kExitNotRestored);
  EXPECT_EQ(run.lines.size(), 1u);
  run = RestoreSilently(i.platform, std::string("20240517-142301-11"));
  EXPECT_EQ(run.exitCode, kExitNoSuchItem);

  // More damaged lines than are told: the rest are counted, and any id may
  // be among them.
  for (int line = 0; line < 105; ++line) {
    i.platform.AppendToFile(kManifest, "garbage\n");
  }
  run = RestoreSilently(i.platform, std::nullopt);
  EXPECT_EQ(run.exitCode, kExitNotRestored);
  EXPECT_EQ(run.lines.back(), "6 more lines of the quarantine's manifest are damaged");
  EXPECT_EQ(run.lines.size(), 2u + 100u + 1u);
  EXPECT_EQ(RestoreSilently(i.platform, std::string("20240517-142301-11")).exitCode,
            kExitNotRestored);

  // One more than are told.
  Machine one;
  one.platform.AddDirectory(kQuarantine);
  for (std::size_t line = 0; line <= kMostDamagedLinesTold; ++line) {
    one.platform.AppendToFile(kManifest, "garbage\n");
  }
  run = RestoreSilently(one.platform, std::string("20240517-142301-11"));
  EXPECT_EQ(run.exitCode, kExitNotRestored);
  EXPECT_EQ(run.lines.back(), "1 more line of the quarantine's manifest is damaged");
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

  // No manifest, but an item file: something kept cannot be restored.
  Machine stray;
  stray.platform.AddFile(ItemFile("20240517-142301-01"), std::string(kItemHeader));
  run = RestoreSilently(stray.platform, std::nullopt);
  EXPECT_EQ(run.exitCode, kExitNotRestored);
  EXPECT_EQ(run.lines, Texts{"the quarantine holds the item file 20240517-142301-01.dzq, which no "
                             "line of its manifest describes"});
  EXPECT_EQ(RestoreSilently(stray.platform, std::string("20240517-142301-01")).exitCode,
            kExitNotRestored);
  EXPECT_EQ(RestoreSilently(stray.platform, std::string("20240517-142301-02")).exitCode,
            kExitNoSuchItem);
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
