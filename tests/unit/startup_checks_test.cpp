#include <gtest/gtest.h>

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

// Boxes, termination requests, opened documents and copies, in order.
Texts Visible(const Machine& m) {
  Texts visible;
  for (const std::string& entry : m.journal.Entries()) {
    if (entry.rfind("box ", 0) == 0 || entry == "terminate" || entry.rfind("open ", 0) == 0 ||
        entry.rfind("copy ", 0) == 0) {
      visible.push_back(entry);
    }
  }
  return visible;
}

TEST(StartupChecksTest, AllFilesBesideTheProgramGiveOneWarningAndTheReadMe) {
  Machine m("C:\\Program Files\\Diri Tarvix");
  m.paths = SystemPaths{};
  RunStartupChecks(m.platform, m.paths);

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
      RunStartupChecks(m.platform, m.paths);
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
  RunStartupChecks(m.platform, m.paths);
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
    RunStartupChecks(m.platform, m.paths);
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
    RunStartupChecks(m.platform, m.paths);
    EXPECT_EQ(Visible(m),
              (Texts{"box " + kWarning, "open C:\\Tools\\ReadMe First.txt", "box " + kOldWindows,
                     "copy C:\\Tools\\kill.exe => C:\\WINDOWS\\kill.exe -> ok"}));
    EXPECT_EQ(m.platform.Content("C:\\WINDOWS\\kill.exe"), "shipped kill.exe");
  }

  const OsVersion current[] = {{5, 1}, {5, 2}, {6, 0}, {10, 0}};
  for (const OsVersion version : current) {
    Machine m;
    m.platform.SetVersion(version);
    RunStartupChecks(m.platform, m.paths);
    EXPECT_EQ(Visible(m), (Texts{"box " + kWarning, "open C:\\Tools\\ReadMe First.txt"}));
  }
}

TEST(StartupChecksTest, AnOlderSystemWithMissingFilesStillTriesTheCopy) {
  Machine m;
  m.platform.Delete("C:\\Tools\\kill.exe");
  m.journal.Clear();
  m.platform.SetVersion({5, 0});
  RunStartupChecks(m.platform, m.paths);
  EXPECT_EQ(Visible(m).back(), "copy C:\\Tools\\kill.exe => C:\\WINDOWS\\kill.exe -> fail");
  EXPECT_TRUE(m.platform.TerminationRequested());
}

}  // namespace
}  // namespace dizi::test
