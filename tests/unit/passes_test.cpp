#include <gtest/gtest.h>

#include "scan/passes.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const Texts kRepairCommands = {
    "\"C:\\WINDOWS\\system32\\reg.exe\" add "
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System /v DisableTaskMgr /t "
    "REG_DWORD /d 0 /f",
    "\"C:\\WINDOWS\\system32\\reg.exe\" add "
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System /v "
    "DisableRegistryTools /t REG_DWORD /d 0 /f",
    "\"C:\\Tools\\fservice.exe\""};
const Texts kRepairLines = {"  -Unlocking \"Msconfig\" -- 1/4", "  -Unlocking \"RegEdit\" -- 2/4",
                            "  -Fixing \"fservice.exe\" error -- 3/4",
                            "  -Fixing \"sservice.exe\" error -- 4/4"};

// No process runs the files: the kill tool ends none, and the system's
// task-kill tool has nothing to reach.
Texts KillCommands(const std::string& path, bool server) {
  Texts commands = {"\"C:\\Tools\\kill.exe\" -f \"" + path + "\""};
  if (server) {
    commands.push_back("\"C:\\WINDOWS\\system32\\shutdown.exe\" -a");
  }
  return commands;
}

Texts FoundPaths(const Machine& m) {
  Texts paths;
  for (const std::string& line : m.Lines()) {
    if (line.rfind("   +-> path: ", 0) == 0) {
      paths.push_back(line.substr(13));
    }
  }
  return paths;
}

TEST(PassesTest, ACleanMachineGetsOneLinePerPassAndNothingStarted) {
  Machine m;
  ScanForServer(m.context);
  ScanForDownloader(m.context);
  EXPECT_EQ(m.Lines(), (Texts{"   -> You're not infected with Tarvix Server.",
                              "   -> You're not infected with Tarvix Downloader."}));
  EXPECT_TRUE(m.Started().empty());
  EXPECT_TRUE(m.Deletes().empty());
  // Every target was probed, the last table entry first.
  const Texts probes = m.journal.With("probe ");
  ASSERT_EQ(probes.size(), 31u);
  EXPECT_EQ(probes.front(), "C:\\WINDOWS\\winkey.dll -> no");
  EXPECT_EQ(probes[24], "C:\\WINDOWS\\system32\\fservice.exe -> no");
  EXPECT_EQ(probes[25], "C:\\WINDOWS\\system32\\kservice.exe -> no");
  EXPECT_EQ(probes.back(), "C:\\WINDOWS\\system32\\wservice.exe -> no");
}

// The whole signature table: every entry's name, folder and place in the
// probing order (the server table last entry first, then the downloader's).
TEST(PassesTest, EveryTargetIsProbedAtItsOwnPathInTableOrder) {
  Machine m;
  ScanForServer(m.context);
  ScanForDownloader(m.context);
  const std::string w = "C:\\WINDOWS\\", s = "C:\\WINDOWS\\system32\\", l = "C:\\WINDOWS\\system\\";
  Texts expected = {
      w + "winkey.dll",    w + "Pplugin10xa.exe", w + "Pplugin9.dat",  w + "winp9.exe",
      w + "Pplugin8.dat",  w + "Pplugin8.exe",    w + "ktd32.atm",     w + "kt.atm",
      w + "kdd32.atm",     w + "krt32.exe",       w + "Pplugin4.dat",  w + "Pplugin4.exe",
      w + "Pplugin3.dll",  w + "Pplugin2.dll",    w + "Pplugin1.dll",  w + "reginv.dll",
      w + "PpluginCd.dll", w + "services.exe",    w + "mps.atm",       l + "wininv.dll",
      l + "sservice.exe",  s + "reginv.dll",      s + "winkey.dll",    s + "wininv.dll",
      s + "fservice.exe",  s + "kservice.exe",    s + "ffservice.exe", s + "d_service.exe",
      s + "dservice.exe",  s + "lservice.exe",    s + "wservice.exe"};
  for (std::string& path : expected) {
    path += " -> no";
  }
  EXPECT_EQ(m.journal.With("probe "), expected);
}

TEST(PassesTest, ServerFindsAreRemovedLastEntryFirstThenRepairedAndOneRestartWanted) {
  Machine m;
  m.HoldCompanions();
  // Same names in two folders are separate targets.
  for (const std::string path :
       {"C:\\WINDOWS\\system32\\fservice.exe", "C:\\WINDOWS\\system32\\wininv.dll",
        "C:\\WINDOWS\\system\\wininv.dll", "C:\\WINDOWS\\mps.atm", "C:\\WINDOWS\\reginv.dll",
        "C:\\WINDOWS\\system32\\reginv.dll", "C:\\WINDOWS\\winkey.dll"}) {
    m.platform.AddFile(path);
  }
  ScanForServer(m.context);

  const Texts found = {"C:\\WINDOWS\\winkey.dll",
                       "C:\\WINDOWS\\reginv.dll",
                       "C:\\WINDOWS\\mps.atm",
                       "C:\\WINDOWS\\system\\wininv.dll",
                       "C:\\WINDOWS\\system32\\reginv.dll",
                       "C:\\WINDOWS\\system32\\wininv.dll",
                       "C:\\WINDOWS\\system32\\fservice.exe"};
  EXPECT_EQ(FoundPaths(m), found);

  Texts expected;
  for (const std::string& path : found) {
    const Texts kills = KillCommands(path, true);
    expected.insert(expected.end(), kills.begin(), kills.end());
  }
  expected.insert(expected.end(), kRepairCommands.begin(), kRepairCommands.end());
  EXPECT_EQ(m.Started(), expected);

  // The repair's lines follow the last removal and come before the restart.
  const Texts lines = m.Lines();
  EXPECT_EQ(Texts(lines.end() - 6, lines.end()),
            (Texts{"   => TarVix Server has been deleted from your computer.",
                   "   +-> kept in quarantine as: 20240517-142301-07", kRepairLines[0],
                   kRepairLines[1], kRepairLines[2], kRepairLines[3]}));
  EXPECT_EQ(m.platform.Content("C:\\WINDOWS\\system32\\msconfig.exe"), "shipped msconfig.exe");
  // The restart is wanted, and started only when the run asks for it.
  EXPECT_TRUE(m.context.Result.restartWanted);
  EXPECT_TRUE(StartWantedRestart(m.context));
  EXPECT_EQ(m.journal.Entries().back(), std::string("start ") + kRestartCommand);
  EXPECT_FALSE(m.platform.HasFile("C:\\WINDOWS\\winkey.dll"));
  EXPECT_FALSE(m.platform.HasFile("C:\\WINDOWS\\system\\wininv.dll"));
}

TEST(PassesTest, DownloaderFindsAreRemovedWithoutRepairOrRestart) {
  Machine m;
  m.platform.AddFile("C:\\WINDOWS\\system32\\wservice.exe");
  m.platform.AddFile("C:\\WINDOWS\\system32\\d_service.exe");
  ScanForDownloader(m.context);
  EXPECT_EQ(FoundPaths(m),
            (Texts{"C:\\WINDOWS\\system32\\d_service.exe", "C:\\WINDOWS\\system32\\wservice.exe"}));
  Texts expected = KillCommands("C:\\WINDOWS\\system32\\d_service.exe", false);
  const Texts second = KillCommands("C:\\WINDOWS\\system32\\wservice.exe", false);
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(m.Started(), expected);
  EXPECT_EQ(m.Lines().end()[-2],
            "   => TarVix Stealth Downloader has been deleted from your computer.");
}

TEST(PassesTest, WhatCannotBeReadAsAFileIsLeftAlone) {
  Machine m;
  m.platform.AddFile("C:\\WINDOWS\\system32\\fservice.exe");
  m.platform.MarkUnreadable("C:\\WINDOWS\\system32\\fservice.exe");
  m.platform.AddDirectory("C:\\WINDOWS\\winkey.dll");
  // Not a signature: a longer name ending in one, and another extension.
  m.platform.AddFile("C:\\WINDOWS\\system32\\myfservice.exe");
  m.platform.AddFile("C:\\WINDOWS\\system32\\fservice.dll");
  ScanForServer(m.context);

  EXPECT_EQ(m.Lines(), (Texts{"   -> You're not infected with Tarvix Server."}));
  EXPECT_TRUE(m.Started().empty());
  EXPECT_TRUE(m.Deletes().empty());
  EXPECT_TRUE(m.platform.HasFile("C:\\WINDOWS\\system32\\fservice.exe"));
}

TEST(PassesTest, NamesMatchWhateverTheirCaseOnDisk) {
  Machine m;
  m.platform.AddFile("C:\\windows\\SYSTEM32\\FSERVICE.EXE");
  ScanForServer(m.context);
  EXPECT_EQ(FoundPaths(m), (Texts{"C:\\WINDOWS\\system32\\fservice.exe"}));
  EXPECT_FALSE(m.platform.HasFile("C:\\WINDOWS\\system32\\fservice.exe"));
}

}  // namespace
}  // namespace dizi::test
