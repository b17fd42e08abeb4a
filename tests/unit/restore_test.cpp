// Putting kept files back, deleting items and importing registry undo files:
// exact bytes or nothing, never over a file without being asked, and every
// action in the manifest.
#include "quarantine/restore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

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
