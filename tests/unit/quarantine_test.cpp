// Keeping each found file in the quarantine during its removal: before the
// first deletion attempt, defanged, recorded in the manifest, once per run,
// and never in the way of the removal itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "quarantine/keep.h"
#include "quarantine_files.h"
#include "scan/removal.h"
#include "scan/scan_run.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kWinkey = std::string(kWindows) + "\\winkey.dll";
const std::string kKservice = std::string(kSystem) + "\\kservice.exe";
const std::string kFirstId = "20240517-142301-01";

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    c = static_cast<char>(random() & 0xFF);
  }
  return bytes;
}

// Where the first journal entry that begins with `prefix` is; the end when none.
std::ptrdiff_t FirstEntry(const Machine& m, const std::string& prefix) {
  const auto& entries = m.journal.Entries();
  return std::find_if(entries.begin(), entries.end(),
                      [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }) -
         entries.begin();
}

// The journal less what the quarantine did: what the removal itself did.
Texts RemovalEntries(const Machine& m) {
  Texts entries;
  for (const std::string& entry : m.journal.Entries()) {
    // The log file is written in one piece, whose size the quarantine's line changes.
    const bool quarantine = entry.find(kQuarantine) != std::string::npos ||
                            entry.rfind("write ", 0) == 0 || entry.rfind("open-read ", 0) == 0 ||
                            entry.find("kept in quarantine") != std::string::npos ||
                            entry.find("could not be kept in quarantine") != std::string::npos;
    if (!quarantine) {
      entries.push_back(entry);
    }
  }
  return entries;
}

TEST(QuarantineTest, AFoundFileIsKeptAfterTheKillsAndBeforeItsFirstDeletionAttempt) {
  Machine m;
  m.platform.AddFile(kWinkey, "the server's bytes");
  RemoveTarget(m.context, TargetKind::Server, kWinkey);

  const std::ptrdiff_t abort = FirstEntry(m, "start \"C:\\WINDOWS\\system32\\shutdown.exe\" -a");
  const std::ptrdiff_t read = FirstEntry(m, "open-read " + kWinkey);
  const std::ptrdiff_t closed = FirstEntry(m, "close " + ItemFile(kFirstId));
  const std::ptrdiff_t recorded = FirstEntry(m, "append " + kManifest);
  const std::ptrdiff_t deleted = FirstEntry(m, "delete " + kWinkey);
  EXPECT_LT(FirstEntry(m, "wait 10000 ms"), read);  // the kill tool has ended
  EXPECT_LT(abort, read);
  EXPECT_LT(read, closed);
  EXPECT_LT(closed, recorded);
  EXPECT_LT(recorded, deleted);
  EXPECT_LT(deleted, static_cast<std::ptrdiff_t>(m.journal.Entries().size()));

  EXPECT_TRUE(m.platform.IsProtectedDirectory(kQuarantine));
  EXPECT_EQ(Recovered(m.platform.Content(ItemFile(kFirstId))), "the server's bytes");
  EXPECT_FALSE(m.platform.HasFile(kWinkey));
  EXPECT_EQ(m.Lines().back(), "   +-> kept in quarantine as: " + kFirstId);

  const FoundFile& found = m.context.Result.found.at(0);
  EXPECT_EQ(found.quarantineId, kFirstId);
  EXPECT_EQ(found.sha256, HexDigest(PortableSha256Of("the server's bytes")));
  EXPECT_EQ(found.quarantineFailure, "");
}

TEST(QuarantineTest, ItemsAreDefangedAndGiveTheOriginalBackByteForByte) {
  // Empty, shorter than one mask word, across the copy's 64 KiB pieces.
  const std::size_t sizes[] = {0, 1, 3, 4, 5, 4096, 65536, 65537, 200003};
  Machine m;
  unsigned seed = 1;
  for (const std::size_t size : sizes) {
    SCOPED_TRACE(size);
    const std::string original = RandomBytes(size, ++seed);
    const std::string path = "C:\\Samples\\sample" + std::to_string(size) + ".exe";
    m.platform.AddFile(path, original);
    const KeptFile kept = KeepFile(m.platform, path, "server");
    ASSERT_TRUE(kept.kept) << kept.reason;
    const std::string item = m.platform.Content(ItemFile(kept.id));
    EXPECT_EQ(item.size(), kItemHeader.size() + size);
    EXPECT_EQ(Recovered(item), original);
    EXPECT_EQ(kept.sha256, HexDigest(PortableSha256Of(original)));
    if (size >= 4096) {
      // No stretch of the original is left as it was.
      EXPECT_EQ(item.find(original.substr(1000, 16)), std::string::npos);
    }
  }
  // Every item file is named by its id with an extension Windows runs nothing by.
  Texts names = m.platform.FilesIn(kQuarantine);
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (Texts{"20240517-142301-01.dzq", "20240517-142301-02.dzq", "20240517-142301-03.dzq",
                   "20240517-142301-04.dzq", "20240517-142301-05.dzq", "20240517-142301-06.dzq",
                   "20240517-142301-07.dzq", "20240517-142301-08.dzq", "20240517-142301-09.dzq",
                   "manifest.jsonl"}));

  // A program that starts an executable's bytes would find no program there:
  // the header comes first, and "MZ" nowhere at its start.
  const std::string program = "MZ\x90\x00\x03 This program cannot be run in DOS mode.";
  m.platform.AddFile("C:\\Samples\\krt32.exe", program);
  const KeptFile kept = KeepFile(m.platform, "C:\\Samples\\krt32.exe", "server");
  EXPECT_EQ(m.platform.Content(ItemFile(kept.id)).compare(0, 7, "DZTQUAR"), 0);
  EXPECT_EQ(m.platform.Content(ItemFile(kept.id)).find("This program"), std::string::npos);
}

TEST(QuarantineTest, TheManifestRecordsTheItemAndThenWhatBecameOfTheOriginal) {
  Machine m;
  // A path beyond ASCII is recorded as UTF-8: the fake's code page has é as 0xE9.
  const std::string path = std::string(kWindows) + "\\caf\xE9\\winkey.dll";
  m.platform.AddFile(path, "abc");
  RemoveTarget(m.context, TargetKind::Server, path);
  m.platform.SetClock({2024, 5, 17, 16, 25, 0, 120});
  const std::string held = std::string(kSystem) + "\\kservice.exe";
  m.platform.AddFile(held, "");
  m.platform.FailDeletes(held, FakePlatform::kForever);
  RemoveTarget(m.context, TargetKind::Downloader, held);

  EXPECT_EQ(ManifestLines(m.platform),
            (Texts{
                R"({"event":"kept","time":"2024-05-17T14:23:01Z","id":"20240517-142301-01",)"
                R"("path":"C:\\WINDOWS\\café\\winkey.dll","size":3,)"
                R"("sha256":"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",)"
                R"("kind":"server"})",
                R"({"event":"original","time":"2024-05-17T14:23:01Z","id":"20240517-142301-01",)"
                R"("path":"C:\\WINDOWS\\café\\winkey.dll","original":"deleted"})",
                R"({"event":"kept","time":"2024-05-17T14:25:00Z","id":"20240517-142500-01",)"
                R"("path":"C:\\WINDOWS\\system32\\kservice.exe","size":0,)"
                R"("sha256":"e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",)"
                R"("kind":"downloader"})",
                R"({"event":"original","time":"2024-05-17T14:25:00Z","id":"20240517-142500-01",)"
                R"("path":"C:\\WINDOWS\\system32\\kservice.exe","original":"deleted at restart"})",
            }));
}

TEST(QuarantineTest, AFileThatCannotBeReadIsNotKeptAndTheRemovalGoesOnExactlyAsBefore) {
  const char* const kLocked =
      "   +-> could not be kept in quarantine: The process cannot access the file because another "
      "process has locked a portion of the file. (error 33)";
  Machine plain;
  plain.platform.AddFile(kWinkey, "bytes");
  const ScanResult expected = RunScan(plain.context, plain.scanView);

  // Its bytes locked by another process: found, but unreadable.
  Machine m;
  m.platform.AddFile(kWinkey, "bytes");
  m.platform.LockAgainstReading(kWinkey);
  const ScanResult result = RunScan(m.context, m.scanView);

  EXPECT_EQ(RemovalEntries(m), RemovalEntries(plain));
  EXPECT_EQ(m.platform.Content("C:\\Tools\\DiziTarvix_Log.txt").find(kLocked) != std::string::npos,
            true);
  Texts lines = m.Lines();
  const auto line = std::find(lines.begin(), lines.end(), kLocked);
  ASSERT_NE(line, lines.end());
  EXPECT_EQ(*(line - 1), "   => TarVix Server has been deleted from your computer.");
  ASSERT_EQ(result.found.size(), 1u);
  EXPECT_EQ(result.found[0].outcome, expected.found[0].outcome);
  EXPECT_EQ(result.found[0].quarantineId, "");
  EXPECT_EQ(result.found[0].quarantineFailure,
            "The process cannot access the file because another process has locked a portion of "
            "the file. (error 33)");
  // No item, and the manifest says why.
  EXPECT_EQ(m.platform.FilesIn(kQuarantine), Texts{"manifest.jsonl"});
  EXPECT_EQ(ManifestLines(m.platform),
            (Texts{R"j({"event":"not kept","time":"2024-05-17T14:23:01Z",)j"
                   R"j("path":"C:\\WINDOWS\\winkey.dll","kind":"server","reason":"The process )j"
                   R"j(cannot access the file because another process has locked a portion of )j"
                   R"j(the file. (error 33)","original":"deleted"})j"}));

  // One that cannot even be opened any more (its holder changed its sharing
  // after the probe) is not kept either.
  Machine u;
  u.platform.AddFile(kKservice);
  u.platform.MarkUnreadable(kKservice);
  RemoveTarget(u.context, TargetKind::Downloader, kKservice);
  EXPECT_EQ(u.Lines().back(),
            "   +-> could not be kept in quarantine: The process cannot access the file because "
            "it is being used by another process. (error 32)");
  EXPECT_FALSE(u.platform.HasFile(kKservice));
}

TEST(QuarantineTest, AFullDiskLeavesNoPartialItemAndTheRemovalGoesOnExactlyAsBefore) {
  const std::string original = RandomBytes(100000, 7);
  Machine plain;
  plain.platform.AddFile(kWinkey, original);
  RemoveTarget(plain.context, TargetKind::Server, kWinkey);

  Machine m;
  m.platform.AddFile(kWinkey, original);
  m.platform.LimitWrites(30000);  // the disk fills up during the copy
  RemoveTarget(m.context, TargetKind::Server, kWinkey);

  EXPECT_EQ(m.Lines().back(),
            "   +-> could not be kept in quarantine: There is not enough space on the disk. "
            "(error 112)");
  const Texts lines = m.Lines();
  const Texts plainLines = plain.Lines();
  EXPECT_EQ(Texts(lines.begin(), lines.end() - 1), Texts(plainLines.begin(), plainLines.end() - 1));
  // The partial item was removed again; the removal's own steps are the same.
  EXPECT_FALSE(m.platform.HasFile(ItemFile(kFirstId)));
  EXPECT_EQ(m.journal.With("delete " + ItemFile(kFirstId)), Texts{" -> ok"});
  EXPECT_EQ(RemovalEntries(m), RemovalEntries(plain));
  EXPECT_FALSE(m.platform.HasFile(kWinkey));

  // Room for the item but not for its manifest line: an item nobody could
  // restore is not left either.
  Machine f;
  f.platform.AddFile(kWinkey, "abc");
  f.platform.LimitWrites(kItemHeader.size() + 3);
  RemoveTarget(f.context, TargetKind::Server, kWinkey);
  EXPECT_EQ(f.Lines().back(),
            "   +-> could not be kept in quarantine: the manifest cannot be written: There is not "
            "enough space on the disk. (error 112)");
  EXPECT_FALSE(f.platform.HasFile(ItemFile(kFirstId)));
}

TEST(QuarantineTest, AQuarantineFolderThatCannotBeMadeIsReportedAndTheRemovalGoesOn) {
  Machine m;
  const std::string common = "C:\\Documents and Settings\\All Users\\Application Data";
  m.platform.AddDirectory(common);
  m.platform.MarkReadOnly(common);
  m.platform.AddFile(kWinkey);
  RemoveTarget(m.context, TargetKind::Server, kWinkey);
  EXPECT_EQ(m.Lines().back(), "   +-> could not be kept in quarantine: " + common +
                                  "\\DiziTarvix cannot be made: Access is denied. (error 5)");
  EXPECT_FALSE(m.platform.HasFile(kWinkey));

  Machine n;
  n.platform.SetCommonAppDataDirectory("");
  n.platform.AddFile(kWinkey);
  RemoveTarget(n.context, TargetKind::Server, kWinkey);
  EXPECT_EQ(n.Lines().back(),
            "   +-> could not be kept in quarantine: Windows does not say where its common "
            "application data folder is");
  EXPECT_FALSE(n.platform.HasFile(kWinkey));
}

TEST(QuarantineTest, TheSameFileFoundInThreePassesIsKeptOnce) {
  Machine m;
  m.platform.AddFile(kWinkey, "still here");
  // Held by a process no kill ends: every pass finds it again.
  m.platform.HoldOpen(kWinkey, kWinkey, /*survivesKills=*/true);
  const ScanResult result = RunScan(m.context, m.scanView);

  const Texts lines = m.Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "   +-> kept in quarantine as: " + kFirstId), 3);
  EXPECT_EQ(m.journal.With("create-new ").size(), 1u);
  EXPECT_EQ(m.platform.FilesIn(kQuarantine), (Texts{kFirstId + ".dzq", "manifest.jsonl"}));
  const Texts manifest = ManifestLines(m.platform);
  ASSERT_EQ(manifest.size(), 4u);  // kept once, the original noted after each removal
  EXPECT_EQ(std::count_if(manifest.begin(), manifest.end(),
                          [](const std::string& line) {
                            return line.find(R"("original":"deleted at restart")") !=
                                   std::string::npos;
                          }),
            3);
  ASSERT_EQ(result.found.size(), 1u);
  EXPECT_EQ(result.found[0].quarantineId, kFirstId);
  EXPECT_EQ(result.found[0].sha256, HexDigest(PortableSha256Of("still here")));

  // A later run is another run: the file is kept anew, as a new item (here in
  // the very second of the first keep, so under the next free id).
  m.journal.Clear();
  m.platform.SetClock({2024, 5, 17, 16, 23, 1, 120});
  const ScanResult again = RunScan(m.context, m.scanView);
  EXPECT_EQ(m.journal.With("create-new "),
            (Texts{ItemFile(kFirstId) + " -> fail", ItemFile("20240517-142301-02") + " -> ok"}));
  EXPECT_EQ(again.found.at(0).quarantineId, "20240517-142301-02");
}

TEST(QuarantineTest, AFileThatAppearsAgainWhereOneWasDeletedIsKeptAsANewItem) {
  Machine m;
  m.platform.AddFile(kWinkey, "the first copy");
  RemoveTarget(m.context, TargetKind::Server, kWinkey);
  ASSERT_FALSE(m.platform.HasFile(kWinkey));
  // Put back by a process of the family between two passes, other bytes.
  m.platform.AddFile(kWinkey, "reinstalled, other bytes");
  RemoveTarget(m.context, TargetKind::Server, kWinkey);

  ASSERT_EQ(m.context.Result.found.size(), 1u);
  const std::string second = m.context.Result.found[0].quarantineId;
  EXPECT_NE(second, kFirstId);
  EXPECT_EQ(m.context.Result.found[0].sha256,
            HexDigest(PortableSha256Of("reinstalled, other bytes")));
  EXPECT_EQ(Recovered(m.platform.Content(ItemFile(kFirstId))), "the first copy");
  EXPECT_EQ(Recovered(m.platform.Content(ItemFile(second))), "reinstalled, other bytes");
}

TEST(QuarantineTest, ItemsKeptInTheSameSecondOrOverAnEarlierRunsItemGetNewIds) {
  Machine m;
  m.platform.AddFile(ItemFile(kFirstId), "an earlier run's item");
  m.platform.AddFile("C:\\a.exe", "a");
  m.platform.AddFile("C:\\b.exe", "b");
  EXPECT_EQ(KeepFile(m.platform, "C:\\a.exe", "server").id, "20240517-142301-02");
  EXPECT_EQ(KeepFile(m.platform, "C:\\b.exe", "server").id, "20240517-142301-03");
  EXPECT_EQ(m.platform.Content(ItemFile(kFirstId)), "an earlier run's item");
}

}  // namespace
}  // namespace dizi::test
