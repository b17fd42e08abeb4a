// Putting kept files back, deleting items and importing registry undo files:
// exact bytes or nothing, checked beside the path before they reach it, never
// over a file without being asked, for good (no deletion at the next restart
// left pending), nothing done with a manifest line that fails its checks, and
// every action in the manifest.
#include "quarantine/restore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "quarantine/folder.h"
#include "quarantine/keep.h"
#include "quarantine/manifest.h"
#include "quarantine/undo_hives.h"
#include "quarantine_files.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kPath = "C:\\WINDOWS\\krt32.exe";
const std::string kBytes = std::string("MZ\x90\x00 the original", 17);
const std::string kTemporary = "C:\\WINDOWS\\DTL1.tmp";
constexpr char kInUse[] =
    "The process cannot access the file because it is being used by another process. (error 32)";

// A machine whose quarantine holds kPath, kept and then deleted.
struct KeptMachine : Machine {
  KeptMachine() {
    platform.AddFile(kPath, kBytes);
    kept = KeepFile(platform, kPath, "server");
    platform.Delete(kPath);
    NoteOriginal(platform, kPath, "server", kept, "deleted");
    journal.Clear();
  }
  QuarantineItem Item() { return QuarantineItems(platform).at(0); }
  std::string LastEvent() const { return ManifestLines(platform).back(); }
  // The item's file with other content.
  void SetItem(const std::string& content) { platform.AddFile(ItemFile(kept.id), content); }
  std::string ItemContent() const { return platform.Content(ItemFile(kept.id)); }
  // Where the first journal entry that begins with `prefix` is; the end when none.
  std::ptrdiff_t Entry(const std::string& prefix) const {
    const auto& entries = journal.Entries();
    return std::find_if(entries.begin(), entries.end(),
                        [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }) -
           entries.begin();
  }
  // Bytes written to `path`, as the journal has them.
  std::size_t WrittenTo(const std::string& path) const {
    std::size_t bytes = 0;
    for (const std::string& entry : journal.With("write " + path + " ")) {
      bytes += std::stoul(entry);
    }
    return bytes;
  }

  KeptFile kept;
};

// An item file's content for `original`, as KeepFile writes it.
std::string ItemOf(std::string original) {
  ByteMask mask;
  mask.Apply(original);
  return std::string(kItemHeader) + original;
}

TEST(RestoreTest, AKeptFileComesBackByteForByteVerifiedAndStaysKept) {
  KeptMachine m;
  const QuarantineItem item = m.Item();
  EXPECT_EQ(item.record.state, "deleted");
  EXPECT_EQ(item.path, kPath);

  const RestoreOutcome outcome = RestoreItem(m.platform, item, ExistingFile::Keep);
  EXPECT_EQ(outcome.status, RestoreStatus::Restored);
  EXPECT_TRUE(outcome.verified);
  EXPECT_FALSE(outcome.replaced);
  EXPECT_EQ(m.platform.Content(kPath), kBytes);
  EXPECT_TRUE(m.platform.HasFile(ItemFile(m.kept.id)));
  EXPECT_EQ(m.Item().record.state, "restored");
  EXPECT_EQ(m.LastEvent(), R"({"event":"restored","time":"2024-05-17T14:23:01Z","id":")" +
                               m.kept.id +
                               R"(","path":"C:\\WINDOWS\\krt32.exe","replaced":false,)"
                               R"("verified":true})");
  // Written beside its place, closed, then moved there in one step where
  // nothing is; only then is its deletion at the next restart withdrawn.
  EXPECT_EQ(m.journal.With("create-temporary "), Texts{"C:\\WINDOWS -> " + kTemporary});
  EXPECT_EQ(m.journal.With("move-new "), Texts{kTemporary + " => " + kPath + " -> ok"});
  EXPECT_TRUE(m.journal.With("create-new ").empty());
  EXPECT_TRUE(m.journal.With("replace ").empty());
  EXPECT_LT(m.Entry("close " + kTemporary), m.Entry("move-new "));
  EXPECT_LT(m.Entry("move-new "), m.Entry("cancel-delete-at-restart " + kPath + " -> ok"));
  EXPECT_LT(m.Entry("cancel-delete-at-restart "), m.Entry("append "));
  EXPECT_EQ(m.platform.FilesIn("C:\\WINDOWS"), Texts{"krt32.exe"});

  // An empty file too; and by id, as a run without a window asks for it.
  Machine e;
  e.platform.AddFile("C:\\empty.dat");
  const KeptFile kept = KeepFile(e.platform, "C:\\empty.dat", "downloader");
  e.platform.Delete("C:\\empty.dat");
  EXPECT_EQ(RestoreItemById(e.platform, kept.id, ExistingFile::Keep).status,
            RestoreStatus::Restored);
  EXPECT_TRUE(e.platform.HasFile("C:\\empty.dat"));
  EXPECT_EQ(e.platform.Content("C:\\empty.dat"), "");
  EXPECT_EQ(RestoreItemById(e.platform, "20240101-000000-01", ExistingFile::Keep).reason,
            "the quarantine holds no item 20240101-000000-01");
}

TEST(RestoreTest, ARestoredFileIsNoLongerDeletedAtTheNextRestart) {
  KeptMachine m;
  // The scan registered the file's deletion; another program registered
  // another file's, and the file's own under its plain name too.
  m.platform.AddPendingRestartDelete("C:\\other\\setup.tmp");
  m.platform.AddPendingRestartDelete(kPath);
  m.platform.AddPendingRestartDelete("c:\\windows\\KRT32.EXE");
  EXPECT_EQ(RestoreItem(m.platform, m.Item(), ExistingFile::Keep).status, RestoreStatus::Restored);
  EXPECT_EQ(m.platform.PendingRestartDeletes(), Texts{"C:\\other\\setup.tmp"});

  // When that cannot be withdrawn, the restore is not done: it says that the
  // file may go again.
  KeptMachine f;
  f.platform.AddPendingRestartDelete(kPath);
  f.platform.FailCancelDeleteAtRestart();
  const RestoreOutcome outcome = RestoreItem(f.platform, f.Item(), ExistingFile::Keep);
  EXPECT_EQ(outcome.status, RestoreStatus::Failed);
  EXPECT_EQ(outcome.reason,
            "it is at its path, but Windows may delete it again at the next restart: its "
            "deletion then could not be withdrawn: Access is denied. (error 5)");
  EXPECT_NE(f.LastEvent().find(R"("event":"restore failed")"), std::string::npos);
  EXPECT_EQ(f.platform.PendingRestartDeletes(), Texts{kPath});
}

TEST(RestoreTest, TheOriginalThereAlreadyStaysForGood) {
  // A file held open survived the scan, registered for deletion at restart.
  KeptMachine m;
  m.platform.AddFile(kPath, kBytes);
  m.platform.HoldOpen(kPath, "C:\\WINDOWS\\holder.exe", /*survivesKills=*/true);
  m.platform.DeleteAtRestart(kPath);
  const RestoreOutcome outcome = RestoreItem(m.platform, m.Item(), ExistingFile::Keep);
  EXPECT_EQ(outcome.status, RestoreStatus::InPlace);
  EXPECT_TRUE(m.platform.PendingRestartDeletes().empty());
  EXPECT_EQ(m.platform.Content(kPath), kBytes);
  EXPECT_TRUE(m.journal.With("create-temporary ").empty());
  EXPECT_EQ(m.LastEvent(), R"({"event":"in place","time":"2024-05-17T14:23:01Z","id":")" +
                               m.kept.id + R"(","path":"C:\\WINDOWS\\krt32.exe"})");
  EXPECT_EQ(m.Item().record.state, "restored");

  // Anything else there is another file: left as it is, and its deletion too.
  for (const std::string& other : {kBytes + "x", kBytes.substr(0, 16), std::string("MZ")}) {
    KeptMachine o;
    o.platform.AddFile(kPath, other);
    o.platform.DeleteAtRestart(kPath);
    const RestoreOutcome differs = RestoreItem(o.platform, o.Item(), ExistingFile::Keep);
    EXPECT_EQ(differs.status, RestoreStatus::TargetExists);
    EXPECT_EQ(differs.reason, "");
    EXPECT_EQ(o.platform.PendingRestartDeletes(), Texts{kPath});
    EXPECT_TRUE(o.journal.With("append ").empty());
  }

  // One that cannot be compared says why.
  KeptMachine u;
  u.platform.AddFile(kPath, kBytes);
  u.platform.MarkUnreadable(kPath);
  EXPECT_EQ(RestoreItem(u.platform, u.Item(), ExistingFile::Keep).reason,
            std::string("it cannot be read: ") + kInUse);
  u.platform.AddFile(kPath, kBytes);
  u.platform.LockAgainstReading(kPath);
  EXPECT_EQ(RestoreItem(u.platform, u.Item(), ExistingFile::Keep).reason,
            "it cannot be read: The process cannot access the file because another process has "
            "locked a portion of the file. (error 33)");
  u.platform.AddFile(kPath, kBytes);
  u.platform.FailHashing();
  const RestoreOutcome unhashed = RestoreItem(u.platform, u.Item(), ExistingFile::Keep);
  EXPECT_EQ(unhashed.status, RestoreStatus::TargetExists);
  EXPECT_EQ(unhashed.reason, "its SHA-256 could not be computed");

  Machine n;
  n.platform.AddDirectory(kQuarantine);
  n.platform.AddFile(ItemFile("20240517-142301-01"), ItemOf("abc"));
  n.platform.AppendToFile(kManifest, KeptEvent({2024, 5, 17, 14, 23, 1}, "20240517-142301-01",
                                               "C:\\a.exe", 3, "", "server"));
  n.platform.AddFile("C:\\a.exe", "abc");
  EXPECT_EQ(RestoreItemById(n.platform, "20240517-142301-01", ExistingFile::Keep).reason,
            "no SHA-256 was recorded to compare it with");
}

TEST(RestoreTest, AFileAtThePathIsReplacedOnlyWhenAskedAndThenInOneStep) {
  KeptMachine m;
  m.platform.AddFile(kPath, "someone else's file");
  const RestoreOutcome kept = RestoreItem(m.platform, m.Item(), ExistingFile::Keep);
  EXPECT_EQ(kept.status, RestoreStatus::TargetExists);
  EXPECT_EQ(m.platform.Content(kPath), "someone else's file");
  EXPECT_TRUE(m.journal.With("append ").empty());  // nothing was done

  const RestoreOutcome replaced = RestoreItem(m.platform, m.Item(), ExistingFile::Replace);
  EXPECT_EQ(replaced.status, RestoreStatus::Restored);
  EXPECT_TRUE(replaced.replaced);
  EXPECT_EQ(m.platform.Content(kPath), kBytes);
  EXPECT_EQ(m.journal.With("replace "), Texts{kTemporary + " => " + kPath + " -> ok"});
  EXPECT_EQ(m.platform.FilesIn("C:\\WINDOWS"), Texts{"krt32.exe"});
  EXPECT_NE(m.LastEvent().find(R"("replaced":true,"verified":true)"), std::string::npos);

  // A file that cannot be replaced stays, and no temporary file is left.
  KeptMachine r;
  r.platform.AddFile(kPath, "read-only");
  r.platform.MarkReadOnly(kPath);
  const RestoreOutcome refused = RestoreItem(r.platform, r.Item(), ExistingFile::Replace);
  EXPECT_EQ(refused.status, RestoreStatus::Failed);
  EXPECT_EQ(refused.reason, "the file at that path cannot be replaced");
  EXPECT_EQ(r.platform.Content(kPath), "read-only");
  EXPECT_EQ(r.platform.FilesIn("C:\\WINDOWS"), Texts{"krt32.exe"});
  EXPECT_NE(r.LastEvent().find(R"("event":"restore failed")"), std::string::npos);
}

TEST(RestoreTest, AFileThatAppearsBetweenTheCheckAndTheMoveIsNeverOverwritten) {
  KeptMachine m;
  m.platform.AppearAfterCheck(kPath, "arrived meanwhile");
  const RestoreOutcome kept = RestoreItem(m.platform, m.Item(), ExistingFile::Keep);
  EXPECT_EQ(kept.status, RestoreStatus::TargetExists);
  EXPECT_EQ(m.platform.Content(kPath), "arrived meanwhile");
  EXPECT_EQ(m.journal.With("move-new "), Texts{kTemporary + " => " + kPath + " -> fail"});
  EXPECT_EQ(m.platform.FilesIn("C:\\WINDOWS"), Texts{"krt32.exe"});

  // Even when replacing was asked for: nobody was asked about that file.
  KeptMachine r;
  r.platform.AppearAfterCheck(kPath, "arrived meanwhile");
  const RestoreOutcome replace = RestoreItem(r.platform, r.Item(), ExistingFile::Replace);
  EXPECT_EQ(replace.status, RestoreStatus::Failed);
  EXPECT_EQ(replace.reason, "a file appeared at that path meanwhile; it was left as it is");
  EXPECT_EQ(r.platform.Content(kPath), "arrived meanwhile");
  EXPECT_EQ(r.platform.FilesIn("C:\\WINDOWS"), Texts{"krt32.exe"});
}

TEST(RestoreTest, DamagedBytesNeverReachThePath) {
  KeptMachine m;
  const std::string good = m.ItemContent();
  const auto failsWith = [&](const std::string& reason) {
    const RestoreOutcome outcome = RestoreItem(m.platform, m.Item(), ExistingFile::Keep);
    EXPECT_EQ(outcome.status, RestoreStatus::Failed);
    EXPECT_EQ(outcome.reason, reason);
    EXPECT_FALSE(m.platform.HasFile(kPath));
    EXPECT_TRUE(m.journal.With("move-new ").empty());
    EXPECT_TRUE(m.platform.FilesIn("C:\\WINDOWS").empty());  // the temporary file is gone
    EXPECT_NE(m.LastEvent().find(R"("event":"restore failed")"), std::string::npos);
    m.journal.Clear();
  };

  std::string flipped = good;
  flipped.back() ^= 1;
  m.SetItem(flipped);
  failsWith("the kept file is damaged: its content differs from the original's");

  m.SetItem(good.substr(0, good.size() - 2));
  failsWith("the kept file is damaged: it holds 15 of the original's 17 bytes");

  // Longer than recorded, by far: the copy stops at the first byte beyond,
  // having written no more than the original's size beside the path.
  m.SetItem(ItemOf(kBytes + std::string(1 << 20, 'x')));
  failsWith("the kept file is damaged: it holds more than the original's 17 bytes");
  m.SetItem(ItemOf(kBytes + std::string(1 << 20, 'x')));
  RestoreItem(m.platform, m.Item(), ExistingFile::Keep);
  const Texts temporary = m.journal.With("create-temporary C:\\WINDOWS -> ");
  ASSERT_EQ(temporary.size(), 1u);
  EXPECT_LE(m.WrittenTo(temporary[0]), kBytes.size());
  m.journal.Clear();

  m.SetItem(kBytes);
  failsWith("the kept file is not an item this program can read");

  m.SetItem(good);
  m.platform.LockAgainstReading(ItemFile(m.kept.id));
  failsWith(
      "the kept file cannot be read: The process cannot access the file because another "
      "process has locked a portion of the file. (error 33)");

  // An item file gone already.
  m.platform.Delete(ItemFile(m.kept.id));
  m.journal.Clear();
  EXPECT_EQ(RestoreItem(m.platform, m.Item(), ExistingFile::Keep).reason,
            "the kept file cannot be read: The system cannot find the file specified. (error 2)");
  EXPECT_FALSE(m.platform.HasFile(kPath));
}

TEST(RestoreTest, AHashThatFailsAFullDiskOrAFailedCloseRestoreNothing) {
  KeptMachine h;
  h.platform.FailHashing();
  const RestoreOutcome unhashed = RestoreItem(h.platform, h.Item(), ExistingFile::Keep);
  EXPECT_EQ(unhashed.status, RestoreStatus::Failed);
  EXPECT_EQ(unhashed.reason, "its SHA-256 could not be computed to check it");
  EXPECT_FALSE(h.platform.HasFile(kPath));
  EXPECT_TRUE(h.platform.FilesIn("C:\\WINDOWS").empty());

  KeptMachine d;
  d.platform.LimitWrites(5);
  EXPECT_EQ(RestoreItem(d.platform, d.Item(), ExistingFile::Keep).reason,
            "There is not enough space on the disk. (error 112)");
  EXPECT_FALSE(d.platform.HasFile(kPath));
  EXPECT_TRUE(d.platform.FilesIn("C:\\WINDOWS").empty());

  KeptMachine c;
  c.platform.AddFile(kPath, "stays");
  c.platform.FailCloses();
  EXPECT_EQ(RestoreItem(c.platform, c.Item(), ExistingFile::Replace).status, RestoreStatus::Failed);
  EXPECT_EQ(c.platform.Content(kPath), "stays");
  EXPECT_EQ(c.platform.FilesIn("C:\\WINDOWS"), Texts{"krt32.exe"});
}

TEST(RestoreTest, APathThisSystemCannotNameOrAMissingFolderRestoresNothing) {
  Machine m;
  m.platform.AddDirectory(kQuarantine);
  m.platform.AddFile(ItemFile("20240101-000000-01"), std::string(kItemHeader));
  // U+4E2D: no character of this system's code page.
  m.platform.AppendToFile(kManifest, KeptEvent({2024, 1, 1, 0, 0, 0}, "20240101-000000-01",
                                               "C:\\\xE4\xB8\xAD\\a.exe", 0, "", "server"));
  const QuarantineItem item = QuarantineItems(m.platform).at(0);
  EXPECT_FALSE(item.path);
  EXPECT_EQ(RestoreItem(m.platform, item, ExistingFile::Keep).reason,
            "its path has characters this system's code page lacks");

  KeptMachine f;
  QuarantineItem moved = f.Item();
  moved.path = "C:\\No Such Folder\\krt32.exe";
  EXPECT_EQ(RestoreItem(f.platform, moved, ExistingFile::Keep).reason,
            "no new file can be made in C:\\No Such Folder");
}

// A quarantine with a line for each hostile shape a planted manifest could
// have, each with an item file of real content beside it.
struct PlantedMachine : Machine {
  PlantedMachine() {
    platform.AddDirectory(kQuarantine);
    const std::string digest = HexDigest(PortableSha256Of("planted"));
    const std::pair<std::string, std::string> lines[] = {
        {"..\\..\\..\\users\\Public\\x", "C:\\WINDOWS\\planted.exe"},
        {"20240517-142301-01", "C:\\windows\\system32\\drivers\\evil.sys:ads"},
        {"20240517-142301-02", "\\\\?\\C:\\WINDOWS\\planted.exe"},
        {"20240517-142301-03", "C:planted.exe"},
        {"20240517-142301-04", std::string("C:\\WINDOWS\\planted.exe\0.txt", 27)},
        {"20240517-142301-05", "C:\\WINDOWS\\..\\planted.exe"},
        {"20240517-142301-06", "C:\\WINDOWS\\CON.exe"},
        {"20240517-142301-07", "C:\\" + std::string(300, 'p')},
    };
    for (const auto& [id, path] : lines) {
      platform.AddFile(kQuarantine + "\\" + id + ".dzq", ItemOf("planted"));
      platform.AppendToFile(kManifest,
                            KeptEvent({2024, 5, 17, 14, 23, 1}, id, path, 7, digest, "server"));
    }
    platform.AddFile("C:\\users\\Public\\x.dzq", ItemOf("planted"));
    journal.Clear();
  }
};

TEST(RestoreTest, ManifestLinesThatFailTheirChecksAreReportedAndNeverActedOn) {
  PlantedMachine m;
  const QuarantineContents contents = ReadQuarantine(m.platform);
  EXPECT_TRUE(contents.items.empty());
  std::vector<std::pair<std::size_t, std::string>> damaged;
  for (const DamagedLine& line : contents.damaged) {
    damaged.emplace_back(line.number, line.reason);
  }
  EXPECT_EQ(damaged, (std::vector<std::pair<std::size_t, std::string>>{
                         {1, "its id is not one this program gives"},
                         {2, "its path names a stream of a file (a colon after the drive's)"},
                         {3,
                          "its path is not a full path on a drive (C:\\...) or a network share "
                          "(\\\\server\\share\\...)"},
                         {4,
                          "its path is not a full path on a drive (C:\\...) or a network share "
                          "(\\\\server\\share\\...)"},
                         {5, "its path holds a null character"},
                         {6, "its path has a . or .. part"},
                         {7,
                          "its path names a device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to "
                          "LPT9, CONIN$ or CONOUT$)"},
                         {8, "its path is longer than the 259 characters Windows allows"},
                     }));
  EXPECT_EQ(contents.damaged[1].id, "20240517-142301-01");
  EXPECT_EQ(contents.strayItemFiles.size(), 7u);  // all but the one named outside the folder
  EXPECT_TRUE(contents.Incomplete());

  EXPECT_TRUE(RestoreAllItems(m.platform, ExistingFile::Replace).empty());
  EXPECT_EQ(RestoreItemById(m.platform, "20240517-142301-01", ExistingFile::Replace).reason,
            "line 2 of the quarantine's manifest, which names it, is damaged: its path names a "
            "stream of a file (a colon after the drive's)");
  // Nothing was read but the manifest, nothing written, moved or deleted.
  EXPECT_EQ(m.journal.With("open-read "), Texts(3, kManifest + " -> ok"));
  for (const char* effect : {"create-", "move-", "replace ", "delete ", "write ", "cancel-"}) {
    SCOPED_TRACE(effect);
    EXPECT_TRUE(m.journal.With(effect).empty());
  }
  EXPECT_FALSE(m.platform.HasFile("C:\\WINDOWS\\planted.exe"));
  EXPECT_FALSE(m.platform.HasFile("C:\\windows\\system32\\drivers\\evil.sys"));
}

TEST(RestoreTest, AManifestThatCannotBeReadIsSaidWithTheItemFilesFound) {
  KeptMachine m;
  m.platform.MarkUnreadable(kManifest);
  QuarantineContents contents = ReadQuarantine(m.platform);
  EXPECT_TRUE(contents.items.empty());
  EXPECT_EQ(contents.manifestProblem, kInUse);
  EXPECT_EQ(contents.strayItemFiles, Texts{m.kept.id + ".dzq"});
  EXPECT_EQ(ContentsProblems(contents),
            (Texts{std::string("the quarantine's manifest could not be read: ") + kInUse,
                   "the quarantine holds the item file " + m.kept.id +
                       ".dzq, which no line of its manifest describes"}));
  EXPECT_EQ(RestoreItemById(m.platform, m.kept.id, ExistingFile::Keep).reason,
            std::string("the quarantine's manifest cannot be read: ") + kInUse);

  // One that opens but fails while it is read.
  KeptMachine l;
  l.platform.LockAgainstReading(kManifest);
  contents = ReadQuarantine(l.platform);
  EXPECT_TRUE(contents.items.empty());
  EXPECT_NE(contents.manifestProblem.find("(error 33)"), std::string::npos);

  // None at all, with an item file left: nothing is said of a manifest, the
  // file is listed.
  KeptMachine g;
  g.platform.Delete(kManifest);
  contents = ReadQuarantine(g.platform);
  EXPECT_EQ(contents.manifestProblem, "");
  EXPECT_EQ(contents.strayItemFiles, Texts{g.kept.id + ".dzq"});

  // Neither manifest nor items: nothing to tell.
  Machine e;
  contents = ReadQuarantine(e.platform);
  EXPECT_FALSE(contents.Incomplete());
  EXPECT_TRUE(ContentsProblems(contents).empty());

  // A manifest whose lines are all in order: its stray files are not looked for.
  KeptMachine s;
  s.platform.AddFile(ItemFile("20240517-142301-77"), "left by a failed clean-up");
  EXPECT_FALSE(ReadQuarantine(s.platform).Incomplete());
  // With a damaged line they are: those no item names, and nothing else.
  s.platform.AppendToFile(kManifest, "garbage\n");
  s.platform.AddFile(kQuarantine + "\\.dzq", "");
  s.platform.AddFile(kQuarantine + "\\notes.txt", "");
  contents = ReadQuarantine(s.platform);
  EXPECT_EQ(contents.items.size(), 1u);
  EXPECT_EQ(contents.strayItemFiles, Texts{"20240517-142301-77.dzq"});
}

TEST(RestoreTest, AManifestTooLargeToBeOneIsNotRead) {
  Machine m;
  m.platform.AddFile(kManifest, std::string(kLargestManifest, '\n'));
  ManifestText read = ReadManifest(m.platform, kQuarantine);
  EXPECT_EQ(read.problem, "");
  EXPECT_EQ(read.text.size(), kLargestManifest);
  m.platform.AppendToFile(kManifest, "\n");
  read = ReadManifest(m.platform, kQuarantine);
  EXPECT_EQ(read.problem, "it is larger than 64 MB");
  EXPECT_EQ(read.text, "");
}

TEST(RestoreTest, EveryItemCanBeRestoredWithoutAWindow) {
  KeptMachine m;
  m.platform.AddFile("C:\\second.dll", "second");
  const KeptFile second = KeepFile(m.platform, "C:\\second.dll", "server");
  const std::vector<ItemRestore> restored = RestoreAllItems(m.platform, ExistingFile::Keep);
  ASSERT_EQ(restored.size(), 2u);
  EXPECT_EQ(restored[0].id, m.kept.id);
  EXPECT_EQ(restored[0].outcome.status, RestoreStatus::Restored);
  EXPECT_EQ(restored[1].id, second.id);
  EXPECT_EQ(restored[1].outcome.status, RestoreStatus::InPlace);  // never deleted
  EXPECT_EQ(m.platform.Content(kPath), kBytes);
}

TEST(RestoreTest, DeletingAnItemRemovesItForGoodAndSaysWhenItCannot) {
  KeptMachine m;
  EXPECT_TRUE(DeleteItem(m.platform, m.Item()));
  EXPECT_FALSE(m.platform.HasFile(ItemFile(m.kept.id)));
  EXPECT_TRUE(QuarantineItems(m.platform).empty());
  EXPECT_EQ(m.LastEvent(),
            R"({"event":"deleted","time":"2024-05-17T14:23:01Z","id":")" + m.kept.id + R"("})");

  KeptMachine r;
  r.platform.MarkReadOnly(ItemFile(r.kept.id));
  const Outcome refused = DeleteItem(r.platform, r.Item());
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.reason, "the kept file " + ItemFile(r.kept.id) + " cannot be deleted");
  EXPECT_EQ(QuarantineItems(r.platform).size(), 1u);
  EXPECT_NE(r.LastEvent().find(R"("event":"delete failed")"), std::string::npos);

  // An item file gone already is deleted as far as anyone can tell.
  KeptMachine g;
  const QuarantineItem item = g.Item();
  g.platform.Delete(ItemFile(g.kept.id));
  EXPECT_TRUE(DeleteItem(g.platform, item));
  EXPECT_TRUE(QuarantineItems(g.platform).empty());
}

TEST(RestoreTest, OnlyTheRepairProgramsUndoFilesAreOfferedForImport) {
  Machine m;
  const std::string header = UndoFileHeader();
  EXPECT_EQ(header.size(), 2u + 2 * 40);
  EXPECT_EQ(header.substr(0, 8), std::string("\xFF\xFEW\0i\0n\0", 8));
  EXPECT_EQ(header.substr(header.size() - 8), std::string("\r\0\n\0\r\0\n\0", 8));
  for (const char* name :
       {"registry-undo-20240517-142301-64-bit-view.reg", "registry-undo-20240517-142301.reg",
        "registry-undo-20240101-000000.reg", "registry-undo-20240101-000000-02.reg",
        "registry-undo-20240101-000000-02-64-bit-view.reg", "registry-undo-20991231-235959-99.reg",
        // Not a name the repair program gives.
        "registry-undo-.reg", "registry-undo-2024.reg", "registry-undo-20240517-1423011.reg",
        "registry-undo-20240517-142301-2.reg", "registry-undo-20240517-142301-64-bit-view.reg.reg",
        "registry-undo-20240517-142301-x.reg", "registry-undo-20240517_142301.reg",
        "registry-undo-2024O517-142301.reg", "registry-undo-20240517-1423:1.reg",
        "registry-undo-20240517-142301-x2.reg", "registry-undo-20240517-142301-/2.reg",
        "registry-undo-20240517-142301-64-bit-view-64-bit-view.reg", "other.reg",
        "registry-undo-20240517-142301.REG.txt", "manifest.jsonl", "20240517-142301-01.dzq"}) {
    m.platform.AddFile(kQuarantine + "\\" + name, header + "[HKEY_LOCAL_MACHINE\\x]\r\n");
  }
  // The repair program's names, not its content.
  const std::string other = kQuarantine + "\\registry-undo-20240202-000000";
  m.platform.AddFile(other + ".reg", "Windows Registry Editor Version 5.00\r\n\r\n");
  m.platform.AddFile(other + "-02.reg", header.substr(0, header.size() - 2));
  m.platform.AddFile(other + "-03.reg", "");
  m.platform.AddFile(other + "-04.reg", header);
  m.platform.MarkUnreadable(other + "-04.reg");
  const Texts files = UndoFiles(m.platform);
  EXPECT_EQ(files,
            (Texts{"registry-undo-20240101-000000-02-64-bit-view.reg",
                   "registry-undo-20240101-000000-02.reg", "registry-undo-20240101-000000.reg",
                   "registry-undo-20240517-142301-64-bit-view.reg",
                   "registry-undo-20240517-142301.reg", "registry-undo-20991231-235959-99.reg"}));

  // Looked at again when imported: a file changed since it was listed is not.
  m.platform.AddFile(kQuarantine + "\\" + files[2], "REGEDIT4\r\n");
  m.journal.Clear();
  EXPECT_EQ(ImportUndoFile(m.platform, m.paths, files[2]).reason,
            "it is not an undo file of the repair program");
  EXPECT_TRUE(m.Started().empty());
  EXPECT_NE(ManifestLines(m.platform).back().find(R"("event":"import failed")"), std::string::npos);
}

// UTF-16 units as a file holds them, little-endian, without a mark: the
// compiler's own encoding of a u"" literal, lone surrogates included.
std::string Utf16Le(std::u16string_view units) {
  std::string bytes;
  for (const char16_t unit : units) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

// An undo file's bytes as the repair program writes them: UTF-16LE with its
// mark. `text` is UTF-8 of the Basic Multilingual Plane.
std::string UndoBytes(const std::string& text) {
  std::string bytes = "\xFF\xFE";
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : 3;
    unsigned c = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
    for (std::size_t k = 1; k < length; ++k) {
      c = (c << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    }
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
    i += length;
  }
  return bytes;
}

const std::string kUndoHeader = "Windows Registry Editor Version 5.00\r\n\r\n";

TEST(RestoreTest, UndoFilesAreImportedIntoTheViewTheyAreFor) {
  Machine m;
  for (const char* name : {"registry-undo-20240517-142301-64-bit-view.reg",
                           "registry-undo-20240517-142301.reg", "registry-undo-20240101-000000.reg",
                           "manifest.jsonl", "20240517-142301-01.dzq", "other.reg"}) {
    m.platform.AddFile(kQuarantine + "\\" + name, UndoBytes(kUndoHeader));
  }
  const Texts files = UndoFiles(m.platform);
  m.journal.Clear();
  EXPECT_TRUE(ImportUndoFile(m.platform, m.paths, files[2]));
  EXPECT_TRUE(ImportUndoFile(m.platform, m.paths, files[1]));
  EXPECT_EQ(m.Started(), (Texts{"\"C:\\WINDOWS\\system32\\reg.exe\" import \"" + kQuarantine +
                                    "\\registry-undo-20240517-142301.reg\"",
                                "\"C:\\WINDOWS\\system32\\reg.exe\" import \"" + kQuarantine +
                                    "\\registry-undo-20240517-142301-64-bit-view.reg\" /reg:64"}));
  EXPECT_EQ(m.journal.With("wait "), (Texts{"60000 ms -> finished", "60000 ms -> finished"}));
  EXPECT_NE(ManifestLines(m.platform).back().find(R"("event":"imported")"), std::string::npos);

  m.platform.SetExitCode("C:\\WINDOWS\\system32\\reg.exe", 1);
  const Outcome failed = ImportUndoFile(m.platform, m.paths, files[0]);
  EXPECT_EQ(failed.reason, "the registry tool reported a failure (exit code 1)");
  EXPECT_NE(ManifestLines(m.platform).back().find(R"("event":"import failed")"), std::string::npos);

  m.platform.KeepRunning("C:\\WINDOWS\\system32\\reg.exe");
  EXPECT_EQ(ImportUndoFile(m.platform, m.paths, files[0]).reason,
            "the registry tool could not be run, or did not finish within a minute");
}

// The comment the repair program writes above the values of a profile's hive
// it loaded itself (tools/fservice/undo_text.h: the same text).
std::string HiveComment(const std::string& sid, const std::string& file) {
  return "; The values below are in the registry hive of user " + sid +
         ", which was not\r\n"
         "; loaded when they were changed. Load it before importing this file, and unload it\r\n"
         "; afterwards (the restore window's Import does both):\r\n"
         ";   reg load HKU\\" +
         sid + " \"" + file +
         "\"\r\n"
         ";   reg unload HKU\\" +
         sid + "\r\n\r\n";
}

std::string RunValue(const std::string& sid) {
  return "[HKEY_USERS\\" + sid +
         "\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n"
         "\"Tarvix\"=\"C:\\\\WINDOWS\\\\krt32.exe\"\r\n\r\n";
}

const std::string kCarol = "S-1-5-21-1-2-3-1002";
const std::string kCarolsHive = "C:\\Users\\Zo\xC3\xAB\\NTUSER.DAT";  // UTF-8, as in the file
const std::string kCarolsHiveAnsi = "C:\\Users\\Zo\xEB\\NTUSER.DAT";
const std::string kBob = "S-1-5-21-1-2-3-1001";
const std::string kUndo = "registry-undo-20240517-142301.reg";

TEST(RestoreTest, TheHivesAnUndoFileNamesAreReadFromItsComments) {
  const HivesToLoad read = ReadHivesToLoad(
      UndoBytes(kUndoHeader + "[HKEY_LOCAL_MACHINE\\Software\\x]\r\n\"a\"=\"b\"\r\n\r\n" +
                HiveComment(kCarol, kCarolsHive) + RunValue(kCarol) +
                HiveComment(kBob, "C:\\Users\\bob\\ntuser.dat") + RunValue(kBob) +
                HiveComment(kCarol, kCarolsHive)));
  EXPECT_EQ(read.damaged, "");
  ASSERT_EQ(read.hives.size(), 2u);
  EXPECT_EQ(read.hives[0].sid, kCarol);
  EXPECT_EQ(read.hives[0].file, kCarolsHive);
  EXPECT_EQ(read.hives[1].sid, kBob);
  EXPECT_EQ(read.hives[1].file, "C:\\Users\\bob\\ntuser.dat");
  EXPECT_TRUE(ReadHivesToLoad(UndoBytes(kUndoHeader + RunValue(kBob))).hives.empty());

  // A load line this program would not write loads nothing at all.
  for (const std::string line :
       {";   reg load HKU\\.DEFAULT \"C:\\Users\\x\\NTUSER.DAT\"",
        ";   reg load HKU\\S-1-5-21-1 \"C:\\Windows\\system32\\config\\SAM\"",
        ";   reg load HKU\\S-1-5-21-1 \"C:\\Users\\..\\x\\NTUSER.DAT\"",
        ";   reg load HKU\\S-1-5-21-1 \"\\\\server\\x\\NTUSER.DAT\"",
        ";   reg load HKU\\S-1-5-21-1 \"Users\\x\\NTUSER.DAT\"",
        ";   reg load HKU\\S-1-5-21-1 \"C:\\Users\\x\\NTUSER.DAT:stream\\NTUSER.DAT\"",
        ";   reg load HKU\\S-1-5-21-1 C:\\Users\\x\\NTUSER.DAT", ";   reg load HKU\\S-1-5-21-1"}) {
    SCOPED_TRACE(line);
    const HivesToLoad damaged =
        ReadHivesToLoad(UndoBytes(kUndoHeader + HiveComment(kCarol, kCarolsHive) + line + "\r\n"));
    EXPECT_TRUE(damaged.hives.empty());
    EXPECT_EQ(damaged.damaged, "it asks to load a hive that is no profile's: " + line.substr(4));
  }
  EXPECT_EQ(ReadHivesToLoad(kUndoHeader).damaged,
            "it is not in the registry editor's format (UTF-16 with its mark)");
}

// Names only a profile's hive file can have: a SID's text and a full local
// path to an NTUSER.DAT, in any case, on any drive.
TEST(RestoreTest, OnlyAProfilesHiveFileIsEverLoaded) {
  const auto read = [](const std::string& sid, const std::string& file) {
    return ReadHivesToLoad(UndoBytes(kUndoHeader + HiveComment(sid, file) + RunValue(sid)));
  };
  const std::pair<const char*, const char*> fit[] = {
      {"S-1-5-21-1004336348-1177238915-682003330-1001", "A:\\Users\\x\\NTUSER.DAT"},
      {"S-1-5-21-9-9-9-9", "a:\\users\\x\\ntuser.dat"},
      {"S-1-5", "Z:\\Profiles\\x\\NtUser.Dat"},  // a SID with no subauthority
      {"S-1-5-18", "z:\\u\\NTUSER.DAT"},
  };
  for (const auto& [sid, file] : fit) {
    SCOPED_TRACE(std::string(sid) + " " + file);
    const HivesToLoad fine = read(sid, file);
    EXPECT_EQ(fine.damaged, "");
    ASSERT_EQ(fine.hives.size(), 1u);
    EXPECT_EQ(fine.hives[0].sid, sid);
    EXPECT_EQ(fine.hives[0].file, file);
  }
  const std::pair<const char*, const char*> unfit[] = {
      {"S-1--5-21-1", "C:\\Users\\x\\NTUSER.DAT"},  // a dash with no number before it
      {"S-1-5--21-1", "C:\\Users\\x\\NTUSER.DAT"},
      {"S-1-5-21-1-", "C:\\Users\\x\\NTUSER.DAT"},   // a dash at its end
      {"S-1-5-21-1", "C:\\NTUSER.DAT"},              // a drive's root is no profile
      {"S-1-5-21-1", "C:\\Users\\\\x\\NTUSER.DAT"},  // an empty part
      {"S-1-5-21-1", "C:\\Users\\\"x\\NTUSER.DAT"},
      {"S-1-5-21-1", "C:\\Users\\x\\NTUSER.DAT.bak"},
      {"S-1-5-21-1", "1:\\Users\\x\\NTUSER.DAT"},  // no drive letter
      {"S-1-5-21-1", "@:\\Users\\x\\NTUSER.DAT"},
      {"S-1-5-21-1", "[:\\Users\\x\\NTUSER.DAT"},
      {"S-1-5-21-1", "{:\\Users\\x\\NTUSER.DAT"},
  };
  for (const auto& [sid, file] : unfit) {
    SCOPED_TRACE(std::string(sid) + " " + file);
    const HivesToLoad damaged = read(sid, file);
    EXPECT_TRUE(damaged.hives.empty());
    EXPECT_EQ(damaged.damaged,
              std::string("it asks to load a hive that is no profile's: reg load HKU\\") + sid +
                  " \"" + file + "\"");
  }
}

// Known answers: the registry editor's UTF-16 read back as UTF-8, a
// character at a time, beyond Latin-1 and beyond the Basic Multilingual Plane
// (surrogate pairs, from the lowest to the highest), and a half of a pair
// alone as U+FFFD.
TEST(RestoreTest, HivePathsAreReadFromUtf16WhateverTheyHold) {
  const std::u16string header = u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n";
  const std::u16string load = u";   reg load HKU\\S-1-5-21-1-2-3-1002 \"C:\\Users\\";
  const std::pair<std::u16string, std::string> names[] = {
      {u"\u0141ukasz", "\xC5\x81ukasz"},                                  // a high byte of its own
      {u"\u0418\u0432\u0430\u043D", "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD"},  // Cyrillic
      {u"\u4E2D\u6587", "\xE4\xB8\xAD\xE6\x96\x87"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},  // D83D DE00
      {u"\U00010000", "\xF0\x90\x80\x80"},  // D800 DC00, the lowest pair
      {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},  // DBFF DFFF, the highest
      {u"a\xD83D-", "a\xEF\xBF\xBD-"},      // a high half, then no low one
      {u"a\xDE00-", "a\xEF\xBF\xBD-"},      // a low half alone
      {u"\xD800", "\xEF\xBF\xBD"},          // the halves' first and last
      {u"\xDFFF", "\xEF\xBF\xBD"},
      {u"\xD7FF\xDC00", "\xED\x9F\xBF\xEF\xBF\xBD"},  // U+D7FF is no half
      {u"\xE000", "\xEE\x80\x80"},                    // nor is U+E000
      {u"\xDC00\xDC00", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // two low halves
      {u"\xD83D\xDBFF", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // two high ones
      {u"\xD83D\xE000", "\xEF\xBF\xBD\xEE\x80\x80"},  // a high one before U+E000
      {u"\xD83D\xD83D\xDE00", "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
  };
  for (const auto& [name, utf8] : names) {
    SCOPED_TRACE(utf8);
    const HivesToLoad read = ReadHivesToLoad(
        Utf16Le(header + load + name + u"\\NTUSER.DAT\"\r\n" + u"\r\n[HKEY_USERS\\x]\r\n"));
    EXPECT_EQ(read.damaged, "");
    ASSERT_EQ(read.hives.size(), 1u);
    EXPECT_EQ(read.hives[0].file, "C:\\Users\\" + utf8 + "\\NTUSER.DAT");
  }
}

// The file's last line counts, with or without a line end, and no byte past
// the file's end is read: the bytes below are given as part of a larger
// buffer, which goes on.
TEST(RestoreTest, AnUndoFileIsReadToItsLastByteAndNoFurther) {
  const std::u16string header = u"\xFEFFWindows Registry Editor Version 5.00\r\n\r\n";
  const std::u16string load = u";   reg load HKU\\S-1-5-21-1-2-3-1002 \"C:\\Users\\";
  const auto cut = [](const std::string& bytes, std::size_t droppedUnits) {
    return std::string_view(bytes).substr(0, bytes.size() - 2 * droppedUnits);
  };
  // Only UTF-16 with its mark is the registry editor's: a mark alone holds
  // nothing to load; a byte beyond the last whole character is damage.
  const HivesToLoad empty = ReadHivesToLoad("\xFF\xFE");
  EXPECT_EQ(empty.damaged, "");
  EXPECT_TRUE(empty.hives.empty());
  EXPECT_EQ(ReadHivesToLoad(Utf16Le(header + load + u"carol\\NTUSER.DAT\"\r\n") + "\n").damaged,
            "it is not in the registry editor's format (UTF-16 with its mark)");

  // A load line that ends the file.
  const std::string last = Utf16Le(header + load + u"carol\\NTUSER.DAT\"X\r\n");
  const HivesToLoad read = ReadHivesToLoad(cut(last, 3));
  EXPECT_EQ(read.damaged, "");
  ASSERT_EQ(read.hives.size(), 1u);
  EXPECT_EQ(read.hives[0].file, "C:\\Users\\carol\\NTUSER.DAT");

  // A load line cut short (no closing quote) is damaged, and its text is
  // said as far as the file holds it: a pair that ends the file is one
  // character; a high half that ends it is U+FFFD, whatever comes after.
  const std::string said =
      "it asks to load a hive that is no profile's: reg load "
      "HKU\\S-1-5-21-1-2-3-1002 \"C:\\Users\\";
  EXPECT_EQ(ReadHivesToLoad(cut(Utf16Le(header + load + u"\U0001F600\r\n"), 2)).damaged,
            said + "\xF0\x9F\x98\x80");
  EXPECT_EQ(ReadHivesToLoad(cut(Utf16Le(header + load + u"\U0001F600\r\n"), 3)).damaged,
            said + "\xEF\xBF\xBD");
}

struct UndoMachine : Machine {
  UndoMachine() {
    platform.AddFile(kCarolsHiveAnsi, "hive");
    platform.AddFile("C:\\Users\\bob\\NTUSER.DAT", "hive");
    platform.AddFile(kQuarantine + "\\" + kUndo,
                     UndoBytes(kUndoHeader + HiveComment(kCarol, kCarolsHive) + RunValue(kCarol) +
                               HiveComment(kBob, "C:\\Users\\bob\\NTUSER.DAT") + RunValue(kBob)));
    platform.AddLoadedHive("S-1-5-18");
    journal.Clear();
  }
  // The hive loads and unloads and the commands, in order.
  Texts Story() const {
    Texts story;
    for (const std::string& entry : journal.Entries()) {
      if (entry.rfind("load hive ", 0) == 0 || entry.rfind("unload hive ", 0) == 0 ||
          entry.rfind("start ", 0) == 0) {
        story.push_back(entry);
      }
    }
    return story;
  }
};

const std::string kImport =
    "start \"C:\\WINDOWS\\system32\\reg.exe\" import \"" + kQuarantine + "\\" + kUndo + "\"";

TEST(RestoreTest, AHiveNotLoadedIsLoadedForTheImportAndUnloadedAfterIt) {
  UndoMachine m;
  EXPECT_TRUE(ImportUndoFile(m.platform, m.paths, kUndo));
  EXPECT_EQ(m.Story(),
            (Texts{"load hive " + kCarol + " from " + kCarolsHiveAnsi + " -> ok",
                   "load hive " + kBob + " from C:\\Users\\bob\\NTUSER.DAT -> ok", kImport,
                   "unload hive " + kCarol + " -> ok", "unload hive " + kBob + " -> ok"}));
  EXPECT_EQ(m.platform.LoadedHives(), std::set<std::string>{"s-1-5-18"});
  EXPECT_NE(ManifestLines(m.platform).back().find(R"("event":"imported")"), std::string::npos);
}

TEST(RestoreTest, AHiveLoadedAlreadyIsImportedIntoWhereItIsAndLeftLoaded) {
  UndoMachine m;
  m.platform.AddLoadedHive(kBob);
  EXPECT_TRUE(ImportUndoFile(m.platform, m.paths, kUndo));
  EXPECT_EQ(m.Story(), (Texts{"load hive " + kCarol + " from " + kCarolsHiveAnsi + " -> ok",
                              kImport, "unload hive " + kCarol + " -> ok"}));
  EXPECT_EQ(m.platform.LoadedHives(), (std::set<std::string>{"s-1-5-18", "s-1-5-21-1-2-3-1001"}));
}

// An undo file of a machine with many values is read whole, far beyond what
// one read gives: a hive named near its end is loaded like one at its start.
TEST(RestoreTest, AHiveNamedFarIntoALargeUndoFileIsLoadedToo) {
  UndoMachine m;
  std::string values =
      "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n";
  while (values.size() < 100 * 1024) {
    values +=
        "\"Vendor " + std::to_string(values.size()) + "\"=\"C:\\\\Program Files\\\\x.exe\"\r\n";
  }
  m.platform.AddFile(kQuarantine + "\\" + kUndo,
                     UndoBytes(kUndoHeader + values + "\r\n" +
                               HiveComment(kBob, "C:\\Users\\bob\\NTUSER.DAT") + RunValue(kBob)));
  EXPECT_TRUE(ImportUndoFile(m.platform, m.paths, kUndo));
  EXPECT_EQ(m.Story(), (Texts{"load hive " + kBob + " from C:\\Users\\bob\\NTUSER.DAT -> ok",
                              kImport, "unload hive " + kBob + " -> ok"}));

  // One larger than the repair program ever writes is not read to its end,
  // nor imported.
  m.platform.AddFile(kQuarantine + "\\" + kUndo, std::string(16 * 1024 * 1024 + 2, 'x'));
  m.journal.Clear();
  EXPECT_EQ(ImportUndoFile(m.platform, m.paths, kUndo).reason,
            "the file cannot be read: it is larger than any undo file of the repair program");
  EXPECT_TRUE(m.Story().empty());
}

// Nothing is imported that would land in no hive; every hive loaded is
// unloaded again, whatever the import came to.
TEST(RestoreTest, AHiveThatCannotBeLoadedStopsTheImportAndEveryHiveIsUnloaded) {
  UndoMachine m;
  m.platform.RefuseHiveLoad("C:\\Users\\bob\\NTUSER.DAT",
                            "The process cannot access the file because it is being used by "
                            "another process. (error 32)");
  const Outcome refused = ImportUndoFile(m.platform, m.paths, kUndo);
  EXPECT_EQ(refused.reason,
            "the registry hive of user " + kBob +
                " could not be loaded from C:\\Users\\bob\\NTUSER.DAT: The process cannot access "
                "the file because it is being used by another process. (error 32)");
  EXPECT_EQ(m.Story(), (Texts{"load hive " + kCarol + " from " + kCarolsHiveAnsi + " -> ok",
                              "load hive " + kBob +
                                  " from C:\\Users\\bob\\NTUSER.DAT -> refused: The process "
                                  "cannot access the file because it is being used by another "
                                  "process. (error 32)",
                              "unload hive " + kCarol + " -> ok"}));
  EXPECT_NE(ManifestLines(m.platform).back().find(R"("event":"import failed")"), std::string::npos);

  UndoMachine failing;
  failing.platform.SetExitCode("C:\\WINDOWS\\system32\\reg.exe", 1);
  EXPECT_EQ(ImportUndoFile(failing.platform, failing.paths, kUndo).reason,
            "the registry tool reported a failure (exit code 1)");
  EXPECT_EQ(failing.platform.LoadedHives(), std::set<std::string>{"s-1-5-18"});

  UndoMachine stuck;
  stuck.platform.FailHiveUnload(kCarol);
  EXPECT_EQ(ImportUndoFile(stuck.platform, stuck.paths, kUndo).reason,
            "its values were written, but the registry hive of user " + kCarol +
                " could not be unloaded again (restart the computer before that user signs in): "
                "Access is denied. (error 5)");
  const Texts story = stuck.Story();
  EXPECT_NE(std::find(story.begin(), story.end(), "unload hive " + kBob + " -> ok"), story.end());
}

// The program hands Windows ANSI paths: a profile's path the code page
// cannot hold is never loaded, nor anything imported without it.
TEST(RestoreTest, AHivePathTheCodePageLacksIsSaidAndNothingIsImported) {
  UndoMachine m;
  m.platform.AddFile(
      kQuarantine + "\\" + kUndo,
      UndoBytes(kUndoHeader + HiveComment(kCarol, "C:\\Users\\\xC5\x81ukasz\\NTUSER.DAT") +
                RunValue(kCarol)));
  m.journal.Clear();
  EXPECT_EQ(ImportUndoFile(m.platform, m.paths, kUndo).reason,
            "the registry hive of user " + kCarol +
                " cannot be loaded: its path has characters this system's code page lacks");
  EXPECT_TRUE(m.Story().empty());
  EXPECT_NE(ManifestLines(m.platform).back().find(R"("event":"import failed")"), std::string::npos);
}

TEST(RestoreTest, AnUndoFileThatAsksForAnotherFileToBeLoadedIsNotImported) {
  UndoMachine m;
  m.platform.AddFile(
      kQuarantine + "\\" + kUndo,
      UndoBytes(kUndoHeader + HiveComment(kCarol, "C:\\Windows\\system32\\config\\SAM") +
                RunValue(kCarol)));
  const Outcome refused = ImportUndoFile(m.platform, m.paths, kUndo);
  EXPECT_EQ(refused.reason.rfind("the file is damaged: it asks to load a hive that is no "
                                 "profile's: reg load HKU\\" +
                                     kCarol,
                                 0),
            0u);
  EXPECT_TRUE(m.Story().empty());

  m.platform.MarkUnreadable(kQuarantine + "\\" + kUndo);
  EXPECT_EQ(ImportUndoFile(m.platform, m.paths, kUndo).reason.rfind("the file cannot be read: ", 0),
            0u);
  EXPECT_TRUE(m.Story().empty());
}

}  // namespace
}  // namespace dizi::test
