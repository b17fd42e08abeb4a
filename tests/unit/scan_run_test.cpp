#include <gtest/gtest.h>

#include <algorithm>

#include "log/publisher.h"
#include "scan/passes.h"
#include "scan/scan_run.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const char kBanner[] = "[ " DIZI_PUBLISHER_TAG " | " DIZI_PUBLISHER_ADDRESS_CAPS " ]";

Texts CleanRunLines(const std::string& programDir) {
  return {"  Scanning for Tarvix Server... *Start*",
          "   -> You're not infected with Tarvix Server.",
          "   -> Lunching a SAFE-RESCAN...",
          "  Scanning for Tarvix Server... *Start*",
          "   -> You're not infected with Tarvix Server.",
          "   -> Lunching a SAFE-RESCAN...",
          "  Scanning for Tarvix Server... *Start*",
          "   -> You're not infected with Tarvix Server.",
          "  Scanning for Tarvix Server... *Finish*",
          "",
          "  Scanning for Tarvix stealth downloader... *Start*",
          "   -> You're not infected with Tarvix Downloader.",
          "",
          "  Scanning for Tarvix stealth downloader... *Finish*",
          "  Logs Has Been Saved to: " + programDir + "\\DiziTarvix_Log.txt",
          kBanner};
}

std::string FileOf(const Texts& lines) {
  std::string content;
  for (const std::string& line : lines) {
    content += line + "\r\n";
  }
  return content;
}

// Everything the run did besides probing, in order.
Texts Story(const Machine& m) {
  Texts story;
  for (const std::string& entry : m.journal.Entries()) {
    if (entry.rfind("probe ", 0) != 0) {
      story.push_back(entry);
    }
  }
  return story;
}

std::size_t CountOf(const Texts& texts, const std::string& text) {
  return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), text));
}

TEST(ScanRunTest, ACleanMachineLogsEveryHeadingMovesTheBarAndSavesTheLog) {
  Machine m;
  RunScan(m.context, m.scanView);

  const Texts lines = CleanRunLines("C:\\Tools");
  EXPECT_EQ(m.Lines(), lines);
  EXPECT_TRUE(m.Started().empty());

  const std::string log = "C:\\Tools\\DiziTarvix_Log.txt";
  const std::string temp = "C:\\Tools\\DTL1.tmp";
  Texts expected = {"scroll-width 700", "cursor busy", "progress 0"};
  auto add = [&expected](std::initializer_list<std::string> more) {
    expected.insert(expected.end(), more);
  };
  for (int pass = 1; pass <= 3; ++pass) {
    add({"line " + lines[3 * (pass - 1)], "line " + lines[3 * (pass - 1) + 1], "progress 3"});
    if (pass < 3) {
      add({"line " + lines[3 * (pass - 1) + 2], "sleep 500", "progress 0"});
    }
  }
  for (std::size_t i = 8; i < 14; ++i) {
    add({"line " + lines[i]});
  }
  add({"progress 6", "line " + lines[14], "line " + lines[15],
       "create-temporary C:\\Tools -> " + temp,
       "write " + temp + " " + std::to_string(FileOf(lines).size()) + " bytes -> ok",
       "close " + temp + " -> ok", "replace " + temp + " => " + log + " -> ok", "progress 10",
       "cursor normal"});
  EXPECT_EQ(Story(m), expected);
  EXPECT_EQ(m.platform.Content(log), FileOf(lines));
}

TEST(ScanRunTest, AServerDeletedInTheFirstPassLeavesItsRestartPending) {
  Machine m;
  m.platform.AddFile("C:\\WINDOWS\\system32\\fservice.exe");
  RunScan(m.context, m.scanView);
  // The scan only wants it: the caller starts it once the run is written.
  EXPECT_EQ(CountOf(m.Started(), kRestartCommand), 0u);
  EXPECT_TRUE(m.context.Result.restartWanted);
  EXPECT_TRUE(StartWantedRestart(m.context));

  const Texts started = m.Started();
  EXPECT_EQ(CountOf(started, "\"C:\\WINDOWS\\system32\\shutdown.exe\" -a"), 1u);
  EXPECT_EQ(CountOf(started, kRestartCommand), 1u);
  EXPECT_EQ(started.back(), kRestartCommand);
  EXPECT_EQ(CountOf(m.Lines(), "   -> You're not infected with Tarvix Server."), 2u);
  EXPECT_EQ(CountOf(m.Lines(), "  Scanning for Tarvix Server... *Start*"), 3u);
  EXPECT_TRUE(m.platform.RestartSurelyPending());
}

TEST(ScanRunTest, AFileThatCannotBeDeletedIsFoundByEveryServerPass) {
  Machine m;
  const std::string path = "C:\\WINDOWS\\krt32.exe";
  m.platform.AddFile(path);
  m.platform.HoldOpen(path, "krt32.exe", /*survivesKills=*/true);
  RunScan(m.context, m.scanView);

  // Thirteen attempts in the first pass spend the budget; one in each later pass.
  EXPECT_EQ(m.Deletes().size(), 15u);
  EXPECT_EQ(CountOf(m.Lines(),
                    "   => TarVix Server could not be deleted now; it will be deleted "
                    "at the next restart."),
            3u);
  EXPECT_EQ(CountOf(m.Lines(), "   => TarVix Server has been deleted from your computer."), 0u);
  // Each pass aborts any pending shutdown; the restart comes once, after them.
  EXPECT_EQ(CountOf(m.Started(), "\"C:\\WINDOWS\\system32\\shutdown.exe\" -a"), 3u);
  EXPECT_EQ(CountOf(m.Lines(), "  -Fixing \"sservice.exe\" error -- 4/4"), 3u);
}

// The shutdown commands of a run, each abort with how the wait for it ended.
Texts ShutdownStory(const Machine& m) {
  Texts story;
  const Texts& entries = m.journal.Entries();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i] == "start \"C:\\WINDOWS\\system32\\shutdown.exe\" -a") {
      story.push_back("abort, " + (i + 1 < entries.size() ? entries[i + 1] : "-"));
    } else if (entries[i] == std::string("start ") + kRestartCommand) {
      story.push_back("restart");
    }
  }
  return story;
}

// A file found by every pass makes every pass abort a pending shutdown: each
// abort has ended before the run requests its one restart, after the passes,
// so the run ends with the restart scheduled, also when an abort had to be
// ended at its time limit.
TEST(ScanRunTest, NoAbortCanCancelTheRestartTheRunEndsWith) {
  for (const bool abortsHang : {false, true}) {
    SCOPED_TRACE(abortsHang ? "aborts that hang" : "aborts that finish");
    Machine m;
    const std::string path = "C:\\WINDOWS\\krt32.exe";
    m.platform.AddFile(path);
    m.platform.HoldOpen(path, "krt32.exe", /*survivesKills=*/true);
    if (abortsHang) {
      m.platform.KeepRunning("C:\\WINDOWS\\system32\\shutdown.exe");
    }
    RunScan(m.context, m.scanView);
    StartWantedRestart(m.context);

    const std::string abort =
        abortsHang ? "abort, wait 5000 ms -> ended" : "abort, wait 5000 ms -> finished";
    EXPECT_EQ(ShutdownStory(m), (Texts{abort, abort, abort, "restart"}));
    EXPECT_TRUE(m.platform.RestartSurelyPending());
  }
}

// The repair program has the image name of the family's system-folder file.
// The second signal reaches only the family file's own process, by its id,
// and is over before the fix-up starts the repair program; a repair program
// still running from an earlier pass is never reached.
TEST(ScanRunTest, NoKillReachesTheProgramsOwnRepairProgram) {
  const std::string found = "C:\\WINDOWS\\system32\\fservice.exe";
  const std::string repair = "\"C:\\Tools\\fservice.exe\"";
  for (const bool repairHangs : {false, true}) {
    SCOPED_TRACE(repairHangs ? "a repair program that hangs" : "a repair program that finishes");
    Machine m;
    m.platform.AddFile(found);
    const unsigned long family =
        m.platform.HoldOpen(found, found, FakePlatform::Resists::EveryKill);
    if (repairHangs) {
      m.platform.KeepRunning("C:\\Tools\\fservice.exe");
    }
    RunScan(m.context, m.scanView);

    const std::string byId =
        "\"C:\\WINDOWS\\system32\\taskkill.exe\" /F /PID " + std::to_string(family);
    Texts story;
    const Texts& entries = m.journal.Entries();
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
      if (entries[i].rfind("start \"C:\\WINDOWS\\system32\\taskkill.exe\"", 0) == 0 ||
          entries[i] == "start " + repair) {
        story.push_back(entries[i].substr(6) + " / " + entries[i + 1]);
      }
    }
    const std::string killed = byId + " / wait 5000 ms -> finished";
    const std::string ran = repair + (repairHangs ? " / wait 60000 ms -> still running"
                                                  : " / wait 60000 ms -> finished");
    EXPECT_EQ(story, (Texts{killed, ran, killed, ran, killed, ran}));
    EXPECT_EQ(m.platform.IsRunning("C:\\Tools\\fservice.exe"), repairHangs);
    EXPECT_EQ(m.journal.With("ended "), Texts{});
    EXPECT_TRUE(m.platform.IsProcessRunning(family));
  }
}

// Every file of the family runs, in a process the kill tool cannot end, beside
// a vendor's program of the same name and, for the repair program's name, the
// repair program itself: the system's task-kill tool only ever gets family
// processes, by id, and no program of another file is ever ended.
TEST(ScanRunTest, OnlyTheFoundFilesOwnProcessesAreEverEnded) {
  Machine m;
  m.platform.KeepRunning("C:\\Tools\\fservice.exe");
  Texts expected;
  std::vector<unsigned long> familyIds;
  std::vector<unsigned long> others;
  auto plant = [&](const Signature& entry) {
    const std::string path = TargetPath(m.paths, entry);
    m.platform.AddFile(path);
    familyIds.push_back(m.platform.RunProcess(path, FakePlatform::Resists::KillTool));
    expected.push_back("/F /PID " + std::to_string(familyIds.back()));
    const std::string vendor = "C:\\Program Files\\Vendor" + std::string(entry.entry);
    others.push_back(m.platform.RunProcess(vendor));
  };
  std::for_each(ServerSignatures.begin(), ServerSignatures.end(), plant);
  std::for_each(DownloaderSignatures.begin(), DownloaderSignatures.end(), plant);
  others.push_back(m.platform.RunProcess(std::string(kSystem) + "\\services.exe"));
  RunScan(m.context, m.scanView);

  Texts taskKills;
  for (const std::string& started : m.Started()) {
    if (started.rfind("\"C:\\WINDOWS\\system32\\taskkill.exe\" ", 0) == 0) {
      taskKills.push_back(started.substr(started.find("\" ") + 2));
    }
  }
  // One for each file, found once, with exactly its own process.
  std::sort(taskKills.begin(), taskKills.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(taskKills, expected);
  for (const unsigned long id : familyIds) {
    EXPECT_FALSE(m.platform.IsProcessRunning(id)) << id;
  }
  for (const unsigned long id : others) {
    EXPECT_TRUE(m.platform.IsProcessRunning(id)) << id;
  }
  EXPECT_TRUE(m.platform.IsRunning("C:\\Tools\\fservice.exe"));
}

TEST(ScanRunTest, ASecondRunAppendsAnIdenticalBlockAndSavesBoth) {
  Machine m("C:\\Program Files\\Diri Tarvix");
  RunScan(m.context, m.scanView);
  RunScan(m.context, m.scanView);

  Texts twice = CleanRunLines("C:\\Program Files\\Diri Tarvix");
  const Texts once = twice;
  twice.insert(twice.end(), once.begin(), once.end());
  EXPECT_EQ(m.Lines(), twice);
  EXPECT_EQ(m.platform.Content("C:\\Program Files\\Diri Tarvix\\DiziTarvix_Log.txt"),
            FileOf(twice));
  // No temporary file is left behind.
  EXPECT_EQ(m.platform.FilesIn("C:\\Program Files\\Diri Tarvix").size(), 6u);
}

}  // namespace
}  // namespace dizi::test
