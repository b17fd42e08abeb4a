// Where the run starts its shipped programs from, and the program's folder
// held for the run: nothing a user can change after the start decides what
// runs with the program's rights.
#include <gtest/gtest.h>

#include <algorithm>

#include "log/log_file.h"
#include "places/outside_tools.h"
#include "places/program_copies.h"
#include "scan/removal.h"
#include "scan/scan_run.h"
#include "startup/startup_checks.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kKillCopy = kProgramCopies + "\\kill.exe";
const std::string kRepairCopy = kProgramCopies + "\\fservice.exe";
const std::string kSelfCopy = kProgramCopies + "\\DiziTarvix.exe";

// The copies made of the two programs the run starts.
Texts StartedCopies(const Journal& journal) {
  Texts copies;
  for (const std::string& entry : journal.With("copy held ")) {
    if (entry.find("\\kill.exe") != std::string::npos ||
        entry.find("\\fservice.exe") != std::string::npos) {
      copies.push_back(entry);
    }
  }
  return copies;
}

void Start(Machine& m) {
  RunStartupChecks(m.platform, m.paths, m.recorded, m.context.Companions);
}

TEST(ProgramCopiesTest, TheVerifiedProgramsAreCopiedHeldAndStartedFromTheDataTree) {
  Machine m;
  Start(m);
  EXPECT_EQ(m.platform.Content(kKillCopy), "shipped kill.exe");
  EXPECT_EQ(m.platform.Content(kRepairCopy), "shipped fservice.exe");
  EXPECT_TRUE(m.platform.IsProtectedDirectory(kProgramCopies));
  // The copies are made through the held originals, never read by name again;
  // the program's own copy, with what it needs beside it, after them.
  EXPECT_EQ(m.journal.With("copy held "),
            (Texts{"C:\\Tools\\kill.exe => " + kKillCopy + " -> ok",
                   "C:\\Tools\\fservice.exe => " + kRepairCopy + " -> ok",
                   "C:\\Tools\\DiziTarvix.exe => " + kSelfCopy + " -> ok",
                   "C:\\Tools\\ReadMe First.txt => " + kProgramCopies + "\\ReadMe First.txt -> ok",
                   "C:\\Tools\\msconfig.exe => " + kProgramCopies + "\\msconfig.exe -> ok"}));
  EXPECT_EQ(m.paths.ProgramCopy, kSelfCopy);
  EXPECT_EQ(m.platform.Content(kSelfCopy), "shipped DiziTarvix.exe");
  for (const std::string& copy : {kKillCopy, kRepairCopy, kSelfCopy}) {
    EXPECT_TRUE(m.platform.IsLocked(copy)) << copy;
    EXPECT_FALSE(m.platform.ReplaceFromOutside(copy, "planted")) << copy;
  }
  EXPECT_TRUE(m.context.Companions.notes.empty());
  EXPECT_EQ(KillToolCommand(m.paths, "C:\\WINDOWS\\krt32.exe").application, kKillCopy);
  EXPECT_EQ(RepairProgramCommand(m.paths).commandLine, "\"" + kRepairCopy + "\"");

  // What a scan then starts.
  m.platform.AddFile("C:\\WINDOWS\\krt32.exe");
  m.journal.Clear();
  RemoveTarget(m.context, TargetKind::Server, "C:\\WINDOWS\\krt32.exe");
  ASSERT_FALSE(m.Started().empty());
  EXPECT_EQ(m.Started()[0], "\"" + kKillCopy + "\" -f \"C:\\WINDOWS\\krt32.exe\"");
}

TEST(ProgramCopiesTest, ACopyThatIsThereAlreadyIsUsedOnlyWhenItIsTheRecordedFile) {
  Machine same;
  same.platform.AddDirectory(kProgramCopies);
  same.platform.SetFolderOwner(kProgramCopies, kAdministratorsSid);
  same.platform.SetFolderAccess(kProgramCopies, FakePlatform::ProtectedAccess());
  same.platform.AddFile(kKillCopy, "shipped kill.exe");
  Start(same);
  EXPECT_EQ(StartedCopies(same.journal),
            (Texts{"C:\\Tools\\fservice.exe => " + kRepairCopy + " -> ok"}));

  // From an earlier version, say: replaced in one step by the shipped one.
  Machine older;
  older.platform.AddFile(kKillCopy, "kill.exe of another version");
  Start(older);
  EXPECT_EQ(older.platform.Content(kKillCopy), "shipped kill.exe");
  EXPECT_TRUE(older.platform.IsLocked(kKillCopy));
}

TEST(ProgramCopiesTest, WithoutTheDataTreeTheHeldFilesBesideTheProgramAreStartedAndTheLogSaysWhy) {
  Machine m;
  const std::string common = "C:\\Documents and Settings\\All Users\\Application Data";
  m.platform.MarkReparsePoint(common);
  Start(m);
  EXPECT_TRUE(m.paths.KillToolCopy.empty());
  EXPECT_EQ(KillToolCommand(m.paths, "C:\\WINDOWS\\krt32.exe").application, "C:\\Tools\\kill.exe");
  EXPECT_EQ(m.context.Companions.notes,
            (Texts{"  kill.exe and fservice.exe are started from the program's folder: they "
                   "cannot be copied to where only administrators may change them: " +
                   common +
                   " is not used: it is a link (a junction or a symbolic link) to "
                   "another place"}));
  // Said at the start of the next scan, once.
  RunScan(m.context, m.scanView);
  RunScan(m.context, m.scanView);
  const Texts lines = m.Lines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) {
                            return line.rfind("  kill.exe and fservice.exe are started", 0) == 0;
                          }),
            1);
  EXPECT_EQ(lines.front().rfind("  kill.exe and fservice.exe are started", 0), 0u);

  // A copy that cannot be written: that one program is started beside the
  // program, the other from its copy.
  Machine full;
  full.platform.AddDirectory(kProgramCopies);
  full.platform.SetFolderOwner(kProgramCopies, kAdministratorsSid);
  full.platform.SetFolderAccess(kProgramCopies, FakePlatform::ProtectedAccess());
  full.platform.AddFile(kRepairCopy, "fservice.exe of another version");
  full.platform.HoldOpen(kRepairCopy, kRepairCopy, /*survivesKills=*/true);
  Start(full);
  EXPECT_EQ(full.paths.KillToolCopy, kKillCopy);
  EXPECT_TRUE(full.paths.RepairProgramCopy.empty());
  EXPECT_EQ(full.context.Companions.notes,
            (Texts{"  fservice.exe is started from the program's folder: its copy " + kRepairCopy +
                   " could not be made: The process cannot access the file because it is "
                   "being used by another process. (error 32)"}));
}

TEST(ProgramCopiesTest, NothingIsCopiedWhenAProgramIsNotTheShippedOne) {
  Machine m;
  m.platform.ReplaceFromOutside("C:\\Tools\\fservice.exe", "planted");
  Start(m);
  EXPECT_TRUE(m.platform.TerminationRequested());
  EXPECT_TRUE(m.journal.With("copy held ").empty());
  EXPECT_FALSE(m.platform.HasFile(kKillCopy));
}

TEST(ProgramCopiesTest, TheProgramsFolderIsHeldAndALinkOnItsPathIsSaid) {
  Machine m("C:\\Users\\Bob\\Downloads\\DiziTarvix");
  m.platform.MarkReparsePoint("C:\\Users\\Bob\\Downloads");
  Start(m);
  for (const char* folder : {"C:\\", "C:\\Users", "C:\\Users\\Bob", "C:\\Users\\Bob\\Downloads",
                             "C:\\Users\\Bob\\Downloads\\DiziTarvix"}) {
    EXPECT_TRUE(m.platform.IsHeldFolder(folder)) << folder;
  }
  EXPECT_FALSE(m.platform.RenameAside("C:\\Users\\Bob\\Downloads\\DiziTarvix",
                                      "C:\\Users\\Bob\\Downloads\\Elsewhere"));
  const std::string reports =
      "C:\\Documents and Settings\\All Users\\Application Data\\DiziTarvix\\Reports";
  EXPECT_EQ(
      m.context.Companions.notes,
      (Texts{"  The program's folder C:\\Users\\Bob\\Downloads\\DiziTarvix lies under a link "
             "(a junction or a symbolic link): C:\\Users\\Bob\\Downloads.",
             "  So the log is saved in " + reports + ", where no link can lead it elsewhere."}));
  // The log goes to the checked folder, and the log says so where it says
  // where the log is.
  EXPECT_EQ(LogFilePath(m.paths), reports + "\\DiziTarvix_Log.txt");
  EXPECT_TRUE(m.platform.IsHeldFolder(reports));
  RunScan(m.context, m.scanView);
  EXPECT_NE(m.platform.Content(reports + "\\DiziTarvix_Log.txt"), "");
  EXPECT_FALSE(m.platform.HasFile("C:\\Users\\Bob\\Downloads\\DiziTarvix\\DiziTarvix_Log.txt"));
  m.context.Companions = {};
  EXPECT_FALSE(m.platform.IsHeldFolder("C:\\Users\\Bob\\Downloads\\DiziTarvix"));

  Machine linked("D:\\DiziTarvix");
  linked.platform.MarkReparsePoint("D:\\DiziTarvix");
  Start(linked);
  ASSERT_FALSE(linked.context.Companions.notes.empty());
  EXPECT_EQ(linked.context.Companions.notes[0],
            "  The program's folder D:\\DiziTarvix is a link (a junction or a symbolic link) to "
            "another place.");

  // Without a usable data tree the log stays beside the program, and the
  // list says so.
  Machine nowhere("D:\\DiziTarvix");
  nowhere.platform.MarkReparsePoint("D:\\DiziTarvix");
  nowhere.platform.SetCommonAppDataDirectory("");
  Start(nowhere);
  EXPECT_EQ(LogFilePath(nowhere.paths), "D:\\DiziTarvix\\DiziTarvix_Log.txt");
  EXPECT_EQ(nowhere.context.Companions.notes[1],
            "  The log is saved beside the program all the same: Windows does not say where its "
            "common application data folder is");

  Machine share("\\\\server\\netlogon\\DiziTarvix");
  Start(share);
  EXPECT_TRUE(share.platform.IsHeldFolder("\\\\server\\netlogon"));
  EXPECT_TRUE(share.platform.IsHeldFolder("\\\\server\\netlogon\\DiziTarvix"));
  EXPECT_TRUE(share.context.Companions.notes.empty());
  // The chain starts at the share: a server's name alone is no folder.
  EXPECT_EQ(share.journal.With("hold-folder \\\\"),
            (Texts{"server\\netlogon -> folder", "server\\netlogon\\DiziTarvix -> folder"}));

  // Every folder below the share counts, whatever the length of its name.
  Machine deep("\\\\server\\netlogon\\x\\DiziTarvix");
  deep.platform.MarkReparsePoint("\\\\server\\netlogon\\x");
  Start(deep);
  EXPECT_TRUE(deep.platform.IsHeldFolder("\\\\server\\netlogon\\x"));
  ASSERT_FALSE(deep.context.Companions.notes.empty());
  EXPECT_EQ(deep.context.Companions.notes[0],
            "  The program's folder \\\\server\\netlogon\\x\\DiziTarvix lies under a link (a "
            "junction or a symbolic link): \\\\server\\netlogon\\x.");
}

// Run from a drive's root (a USB stick, say), the root is held, by the name
// that is the root's: "E:" alone would be whatever folder is current there.
TEST(ProgramCopiesTest, AProgramAtADrivesRootHoldsTheRoot) {
  Machine m("E:");
  Start(m);
  EXPECT_TRUE(m.platform.IsHeldFolder("E:\\"));
  EXPECT_EQ(m.journal.With("hold-folder E:").size(), 1u);
  EXPECT_EQ(m.journal.With("hold-folder E:")[0], "\\ -> folder");
  EXPECT_TRUE(m.context.Companions.notes.empty());
}

}  // namespace
}  // namespace dizi::test
