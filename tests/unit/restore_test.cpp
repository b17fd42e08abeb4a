// Putting kept files back, deleting items and importing registry undo files:
// exact bytes or nothing, never over a file without being asked, and every
// action in the manifest.
#include "quarantine/restore.h"

#include <gtest/gtest.h>

#include "quarantine/keep.h"
#include "quarantine/manifest.h"
#include "quarantine_files.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kPath = "C:\\WINDOWS\\krt32.exe";
const std::string kBytes = std::string("MZ\x90\x00 the original", 17);

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

  KeptFile kept;
};

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
  // Written straight to its place, never over anything.
  EXPECT_EQ(m.journal.With("create-new "), Texts{kPath + " -> ok"});
  EXPECT_TRUE(m.journal.With("replace ").empty());

  // An empty file too; and by id, as a run without a window asks for it.
  Machine e;
  e.platform.AddFile("C:\\empty.dat");
  const KeptFile kept = KeepFile(e.platform, "C:\\empty.dat", "downloader");
  e.platform.Delete("C:\\empty.dat");
  EXPECT_EQ(RestoreItemById(e.platform, kept.id, ExistingFile::Keep).status,
            RestoreStatus::Restored);
  EXPECT_TRUE(e.platform.HasFile("C:\\empty.dat"));
  EXPECT_EQ(e.platform.Content("C:\\empty.dat"), "");
  EXPECT_EQ(RestoreItemById(e.platform, "no-such-id", ExistingFile::Keep).reason,
            "the quarantine holds no item no-such-id");
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
  EXPECT_EQ(m.journal.With("replace "), Texts{"C:\\WINDOWS\\DTL1.tmp => " + kPath + " -> ok"});
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

TEST(RestoreTest, ADamagedItemRestoresNothing) {
  KeptMachine m;
  std::string item = m.platform.Content(ItemFile(m.kept.id));
  item[item.size() - 1] ^= 1;
  m.platform.AddFile(ItemFile(m.kept.id), item);
  const RestoreOutcome outcome = RestoreItem(m.platform, m.Item(), ExistingFile::Keep);
  EXPECT_EQ(outcome.status, RestoreStatus::Failed);
  EXPECT_EQ(outcome.reason, "the kept file is damaged: its content differs from the original's");
  EXPECT_FALSE(m.platform.HasFile(kPath));
  EXPECT_NE(m.LastEvent().find(R"("event":"restore failed")"), std::string::npos);

  // Cut short, over an existing file: that file stays as it was.
  m.platform.AddFile(ItemFile(m.kept.id), item.substr(0, item.size() - 2));
  m.platform.AddFile(kPath, "left as it is");
  EXPECT_EQ(RestoreItem(m.platform, m.Item(), ExistingFile::Replace).status, RestoreStatus::Failed);
  EXPECT_EQ(m.platform.Content(kPath), "left as it is");
  EXPECT_EQ(m.platform.FilesIn("C:\\WINDOWS"), Texts{"krt32.exe"});

  // Not an item at all.
  m.platform.AddFile(ItemFile(m.kept.id), kBytes);
  m.platform.Delete(kPath);
  EXPECT_EQ(RestoreItem(m.platform, m.Item(), ExistingFile::Keep).reason,
            "the kept file is not an item this program can read");
  EXPECT_FALSE(m.platform.HasFile(kPath));

  // Gone from the folder.
  m.platform.Delete(ItemFile(m.kept.id));
  EXPECT_EQ(RestoreItem(m.platform, m.Item(), ExistingFile::Keep).reason,
            "the kept file cannot be read: The system cannot find the file specified. (error 2)");
}

TEST(RestoreTest, APathThisSystemCannotNameOrAMissingFolderRestoresNothing) {
  Machine m;
  m.platform.AddDirectory(kQuarantine);
  m.platform.AddFile(ItemFile("x"), std::string(kItemHeader));
  // U+4E2D: no character of this system's code page.
  m.platform.AppendToFile(
      kManifest, KeptEvent({2024, 1, 1, 0, 0, 0}, "x", "C:\\\xE4\xB8\xAD\\a.exe", 0, "", "server"));
  const QuarantineItem item = QuarantineItems(m.platform).at(0);
  EXPECT_FALSE(item.path);
  EXPECT_EQ(RestoreItem(m.platform, item, ExistingFile::Keep).reason,
            "its path has characters this system's code page lacks");

  KeptMachine f;
  f.platform.AddFile("C:\\elsewhere.txt");
  QuarantineItem moved = f.Item();
  moved.path = "C:\\No Such Folder\\krt32.exe";
  EXPECT_EQ(RestoreItem(f.platform, moved, ExistingFile::Keep).reason,
            "The system cannot find the path specified. (error 3)");
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
  EXPECT_EQ(restored[1].outcome.status, RestoreStatus::TargetExists);  // never deleted
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
}

TEST(RestoreTest, UndoFilesAreImportedIntoTheViewTheyAreFor) {
  Machine m;
  for (const char* name : {"registry-undo-20240517-142301-64-bit-view.reg",
                           "registry-undo-20240517-142301.reg", "registry-undo-20240101-000000.reg",
                           "manifest.jsonl", "20240517-142301-01.dzq", "other.reg"}) {
    m.platform.AddFile(kQuarantine + "\\" + name);
  }
  const Texts files = UndoFiles(m.platform);
  EXPECT_EQ(files, (Texts{"registry-undo-20240101-000000.reg",
                          "registry-undo-20240517-142301-64-bit-view.reg",
                          "registry-undo-20240517-142301.reg"}));

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

}  // namespace
}  // namespace dizi::test
