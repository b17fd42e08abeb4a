#include <gtest/gtest.h>

#include "places/outside_tools.h"
#include "startup/startup_checks.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kMissing =
    "Missing file(s) [16] If you extracted the ZIP file content to a temp folder, please extract "
    "them somewhere else.\n\nOr you might downloaded the package with missing files. Please "
    "redownload it";
const std::string kWarning =
    "WARNING!!! [48] Please read the ReadMe file that will appear carefully.";
const std::string kOldWindows =
    "Windows 9x or 2000 [16] This is not windows XP or later. Diri Tarvix 2.5 was not tested "
    "under these platforms.";

std::string Changed(const std::string& name) {
  return "box Changed file [16] " + name +
         " is not the file that came with Diri Tarvix 2.5: it has been changed or replaced, or "
         "another program keeps it from being read.\n\nPlease redownload the package and "
         "extract it again.";
}

void Start(Machine& m) {
  RunStartupChecks(m.platform, m.paths, m.recorded, m.context.Companions);
}

// Boxes, termination requests, opened documents and copies, in order; but
// for the copies of the programs the run starts, which the program keeps in
// its own folder (see ProgramCopiesTest).
Texts Visible(const Machine& m) {
  Texts visible;
  for (const std::string& entry : m.journal.Entries()) {
    if (entry.rfind("box ", 0) == 0 || entry == "terminate" || entry.rfind("open ", 0) == 0 ||
        (entry.rfind("copy ", 0) == 0 &&
         entry.find("\\DiziTarvix\\Program\\") == std::string::npos)) {
      visible.push_back(entry);
    }
  }
  return visible;
}

TEST(StartupChecksTest, AllFilesBesideTheProgramGiveOneWarningAndTheReadMe) {
  Machine m("C:\\Program Files\\Diri Tarvix");
  m.paths = SystemPaths{};
  Start(m);

  EXPECT_EQ(Visible(m),
            (Texts{"box " + kWarning, "open C:\\Program Files\\Diri Tarvix\\ReadMe First.txt"}));
  // The files are looked for beside the program, whatever the working folder.
  EXPECT_EQ(m.journal.With("probe "),
            (Texts{"C:\\Program Files\\Diri Tarvix\\fservice.exe -> yes",
                   "C:\\Program Files\\Diri Tarvix\\kill.exe -> yes",
                   "C:\\Program Files\\Diri Tarvix\\ReadMe First.txt -> yes"}));
  EXPECT_EQ(m.paths.KillToolPath, "C:\\Program Files\\Diri Tarvix\\kill.exe");
  EXPECT_EQ(m.paths.LegacySystemDir, "C:\\WINDOWS\\system");
}

TEST(StartupChecksTest, EachMissingOrUnreadableFileGetsItsOwnBoxAndEverythingElseGoesOn) {
  for (const char* name : {"fservice.exe", "kill.exe", "ReadMe First.txt"}) {
    for (const bool locked : {false, true}) {
      SCOPED_TRACE(std::string(name) + (locked ? " locked" : " missing"));
      Machine m;
      const std::string path = std::string("C:\\Tools\\") + name;
      if (locked) {
        m.platform.MarkUnreadable(path);
      } else {
        m.platform.Delete(path);
        m.journal.Clear();
      }
      Start(m);
      EXPECT_EQ(Visible(m), (Texts{"box " + kMissing, "terminate", "box " + kWarning,
                                   "open C:\\Tools\\ReadMe First.txt"}));
      EXPECT_EQ(m.paths.SystemDir, kSystem);
    }
  }
}

TEST(StartupChecksTest, AnEmptyFolderRaisesThreeBoxes) {
  Machine m("C:\\Elsewhere");
  for (const char* name : {"fservice.exe", "msconfig.exe", "kill.exe", "ReadMe First.txt"}) {
    m.platform.Delete(std::string("C:\\Elsewhere\\") + name);
  }
  m.journal.Clear();
  Start(m);
  EXPECT_EQ(m.journal.With("box Missing"), Texts(3, kMissing.substr(7)));
  EXPECT_EQ(m.journal.With("terminate").size(), 3u);
}

// The package cannot carry Windows' own msconfig.exe: without a clean copy,
// or with one that cannot be read, the program starts as usual.
TEST(StartupChecksTest, MsconfigIsOptional) {
  for (const bool locked : {false, true}) {
    Machine m;
    if (locked) {
      m.platform.MarkUnreadable("C:\\Tools\\msconfig.exe");
    } else {
      m.platform.Delete("C:\\Tools\\msconfig.exe");
      m.journal.Clear();
    }
    Start(m);
    EXPECT_EQ(Visible(m), (Texts{"box " + kWarning, "open C:\\Tools\\ReadMe First.txt"}));
    EXPECT_FALSE(m.platform.TerminationRequested());
  }
}

TEST(StartupChecksTest, SystemsOlderThanXpAreWarnedAndGetTheKillToolInTheWindowsFolder) {
  const OsVersion older[] = {{5, 0}, {4, 10}, {4, 90}, {0, 0}};  // 2000, 98, Me, failed query
  for (const OsVersion version : older) {
    SCOPED_TRACE(std::to_string(version.major) + "." + std::to_string(version.minor));
    Machine m;
    m.platform.AddFile("C:\\WINDOWS\\kill.exe", "copy from an earlier start");
    m.platform.SetVersion(version);
    Start(m);
    EXPECT_EQ(Visible(m),
              (Texts{"box " + kWarning, "open C:\\Tools\\ReadMe First.txt", "box " + kOldWindows,
                     "copy held C:\\Tools\\kill.exe => C:\\WINDOWS\\kill.exe -> ok"}));
    EXPECT_EQ(m.platform.Content("C:\\WINDOWS\\kill.exe"), "shipped kill.exe");
  }

  const OsVersion current[] = {{5, 1}, {5, 2}, {6, 0}, {10, 0}};
  for (const OsVersion version : current) {
    Machine m;
    m.platform.SetVersion(version);
    Start(m);
    EXPECT_EQ(Visible(m), (Texts{"box " + kWarning, "open C:\\Tools\\ReadMe First.txt"}));
  }
}

// The copy is made from the kill tool held since the check: with another file
// missing it is still made; without a kill tool there is nothing to copy.
TEST(StartupChecksTest, AnOlderSystemWithMissingFilesStillGetsTheCopy) {
  Machine m;
  m.platform.Delete("C:\\Tools\\fservice.exe");
  m.journal.Clear();
  m.platform.SetVersion({5, 0});
  Start(m);
  EXPECT_EQ(Visible(m).back(), "copy held C:\\Tools\\kill.exe => C:\\WINDOWS\\kill.exe -> ok");
  EXPECT_TRUE(m.platform.TerminationRequested());

  Machine withoutKill;
  withoutKill.platform.Delete("C:\\Tools\\kill.exe");
  withoutKill.platform.SetVersion({5, 0});
  Start(withoutKill);
  EXPECT_TRUE(withoutKill.journal.With("copy").empty());
  EXPECT_FALSE(withoutKill.platform.HasFile("C:\\WINDOWS\\kill.exe"));
}

// After the checks, the programs the scan starts and the clean copy it
// copies are held: nobody can replace or delete them until the program ends.
TEST(StartupChecksTest, TheShippedFilesAreHeldFromTheStartOn) {
  Machine m;
  Start(m);
  EXPECT_EQ(Visible(m), (Texts{"box " + kWarning, "open C:\\Tools\\ReadMe First.txt"}));
  for (const char* name : {"fservice.exe", "kill.exe", "msconfig.exe"}) {
    const std::string path = std::string("C:\\Tools\\") + name;
    SCOPED_TRACE(path);
    EXPECT_TRUE(m.platform.IsLocked(path));
    EXPECT_FALSE(m.platform.ReplaceFromOutside(path, "planted"));
    EXPECT_FALSE(m.platform.Delete(path));
    EXPECT_EQ(m.platform.Content(path), std::string("shipped ") + name);
  }
  // Still free to be read and started.
  EXPECT_TRUE(m.platform.CanOpenForReading("C:\\Tools\\kill.exe"));
  EXPECT_TRUE(m.platform.StartHidden(KillToolCommand(m.paths, "C:\\WINDOWS\\krt32.exe")));

  m.context.Companions = {};
  EXPECT_FALSE(m.platform.IsLocked("C:\\Tools\\kill.exe"));
  EXPECT_TRUE(m.platform.ReplaceFromOutside("C:\\Tools\\kill.exe", "planted"));
}

// A program that is not the one shipped is named in a box of its own, after
// every other box, and the program ends; it is never held, run or copied.
TEST(StartupChecksTest, AProgramThatIsNotTheOneShippedEndsTheProgram) {
  for (const char* name : {"fservice.exe", "kill.exe"}) {
    SCOPED_TRACE(name);
    Machine m;
    const std::string path = std::string("C:\\Tools\\") + name;
    m.platform.ReplaceFromOutside(path, std::string("MZ\0planted\0", 12));
    m.platform.SetVersion({5, 0});
    Start(m);
    const bool killTool = std::string(name) == "kill.exe";
    Texts expected = {"box " + kWarning, "open C:\\Tools\\ReadMe First.txt", "box " + kOldWindows,
                      Changed(name), "terminate"};
    if (!killTool) {
      expected.insert(expected.begin() + 3,
                      "copy held C:\\Tools\\kill.exe => C:\\WINDOWS\\kill.exe -> ok");
    }
    EXPECT_EQ(Visible(m), expected);
    EXPECT_FALSE(m.platform.IsLocked(path));
    EXPECT_EQ(m.platform.HasFile("C:\\WINDOWS\\kill.exe"), !killTool);
  }

  Machine both;
  both.platform.ReplaceFromOutside("C:\\Tools\\kill.exe", "");
  both.platform.ReplaceFromOutside("C:\\Tools\\fservice.exe", "shipped kill.exe");
  Start(both);
  EXPECT_EQ(Visible(both),
            (Texts{"box " + kWarning, "open C:\\Tools\\ReadMe First.txt", Changed("fservice.exe"),
                   "terminate", Changed("kill.exe"), "terminate"}));
}

// One that cannot be read was found missing and has had its box; one that
// another program keeps from being read only now gets the box naming it.
TEST(StartupChecksTest, AProgramThatCannotBeHeldGetsOneBox) {
  Machine missing;
  missing.platform.MarkUnreadable("C:\\Tools\\kill.exe");
  Start(missing);
  EXPECT_EQ(missing.journal.With("box Missing").size(), 1u);
  EXPECT_TRUE(missing.journal.With("box Changed").empty());

  // Opened for writing elsewhere: readable by the probe, never held.
  Machine busy;
  busy.platform.OpenForWritingElsewhere("C:\\Tools\\fservice.exe");
  Start(busy);
  EXPECT_EQ(Visible(busy), (Texts{"box " + kWarning, "open C:\\Tools\\ReadMe First.txt",
                                  Changed("fservice.exe"), "terminate"}));
}

// The clean msconfig.exe is used only when it is the one the package came
// with; any other is left alone without a word at the start.
TEST(StartupChecksTest, AnMsconfigThatIsNotTheOneShippedIsNotHeldAndNothingEnds) {
  Machine other;
  other.platform.ReplaceFromOutside("C:\\Tools\\msconfig.exe", "another msconfig.exe");
  Start(other);
  Machine unrecorded;
  unrecorded.recorded.msconfig.reset();
  Start(unrecorded);
  for (Machine* m : {&other, &unrecorded}) {
    EXPECT_EQ(Visible(*m), (Texts{"box " + kWarning, "open C:\\Tools\\ReadMe First.txt"}));
    EXPECT_FALSE(m->platform.IsLocked("C:\\Tools\\msconfig.exe"));
    EXPECT_TRUE(m->platform.IsLocked("C:\\Tools\\kill.exe"));
  }
  EXPECT_EQ(other.context.Companions.msconfig.state, CompanionState::NotShipped);
  EXPECT_EQ(unrecorded.context.Companions.msconfig.state, CompanionState::NotRecorded);
}

}  // namespace
}  // namespace dizi::test
