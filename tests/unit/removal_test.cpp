#include <gtest/gtest.h>

#include <algorithm>

#include "scan/removal.h"
#include "scan/signatures.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kWinkey = std::string(kWindows) + "\\winkey.dll";
const std::string kKservice = std::string(kSystem) + "\\kservice.exe";
const std::string kKillTool = "\"C:\\Tools\\kill.exe\" -f ";
const std::string kTaskKill = "\"C:\\WINDOWS\\system32\\taskkill.exe\" /F";
const std::string kAbort = "\"C:\\WINDOWS\\system32\\shutdown.exe\" -a";

// Every find ends with the quarantine item it was kept as; the first item
// kept on the test machine's clock.
const std::string kFirstItem = "20240517-142301-01";
const std::string kKeptLine = "   +-> kept in quarantine as: " + kFirstItem;

const std::string kFirstSent = "   +-> Killing signal 1/2 has been sent";
const std::string kSecondSent = "   +-> Killing signal 2/2 has been sent in case of failure of 1/2";
const std::string kBothSent = "   +-> Killing signals has been sent. 1,2/2";
const std::string kSecondNotNeeded =
    "   +-> Killing signal 2/2 was not needed: the kill tool reported no process of the file "
    "that it could not end";

Texts ServerLines(const std::string& path, Texts signals, Texts outcome) {
  Texts lines = {"   -> Tarvix server has been detected!", "   +-> path: " + path,
                 "   -> Sending killing signal..."};
  lines.insert(lines.end(), signals.begin(), signals.end());
  lines.insert(lines.end(), {"   -> force shutdown may appear now so don't PANiC!",
                             "   +-> Sending Diri Force shutdown -- (XP Only)",
                             "   +--> Diri Force Shutdown Has been sent..."});
  lines.insert(lines.end(), outcome.begin(), outcome.end());
  lines.push_back(kKeptLine);
  return lines;
}

// The kill tool's command for the file at `path`.
std::string KillTool(const std::string& path) {
  return kKillTool + "\"" + path + "\"";
}

// The system's task-kill tool for exactly these processes.
std::string TaskKill(const std::vector<unsigned long>& ids) {
  std::string command = kTaskKill;
  for (const unsigned long id : ids) {
    command += " /PID " + std::to_string(id);
  }
  return command;
}

// No command ever ends processes by their image name, or a process's children.
void ExpectNoKillByNameOrTree(const Machine& m) {
  for (const std::string& started : m.Started()) {
    EXPECT_EQ(started.find("/IM"), std::string::npos) << started;
    EXPECT_EQ(started.find("/T"), std::string::npos) << started;
  }
}

TEST(RemovalTest, AServerFileIsKilledByPathThenDeletedAndTheDeletionLogged) {
  Machine m;
  m.platform.AddFile(kWinkey);
  RemoveTarget(m.context, TargetKind::Server, kWinkey);

  // No process runs the file: the kill tool ends none, so the second signal
  // has nothing to reach, and no line claims it went out.
  EXPECT_EQ(m.Lines(), ServerLines(kWinkey, {kFirstSent, kSecondNotNeeded},
                                   {"   => TarVix Server has been deleted from your computer."}));
  // The kill tool gets the file's full path; full quoted program paths; the
  // abort only for the server, and waited for.
  EXPECT_EQ(m.Started(), (Texts{KillTool(kWinkey), kAbort}));
  // The kill tool reads the file to choose the processes: it is over before
  // the first deletion attempt, so that it cannot be what holds the file.
  EXPECT_EQ(m.journal.With("wait "), (Texts{"10000 ms -> finished", "5000 ms -> finished"}));
  const auto& entries = m.journal.Entries();
  const auto killWait = std::find(entries.begin(), entries.end(), "wait 10000 ms -> finished");
  const auto firstDelete = std::find_if(entries.begin(), entries.end(), [](const std::string& e) {
    return e.rfind("delete ", 0) == 0;
  });
  EXPECT_LT(killWait - entries.begin(), firstDelete - entries.begin());
  EXPECT_EQ(m.Deletes(), (Texts{kWinkey + " -> ok"}));
  EXPECT_FALSE(m.platform.HasFile(kWinkey));

  // The kill lines and both shutdown lines nest one under the other.
  EXPECT_EQ(
      m.logView.Outline(),
      (Texts{
          "[   -> Tarvix server has been detected!]", "  [   +-> path: " + kWinkey + "]",
          "[   -> Sending killing signal...]", "  [" + kFirstSent + "]",
          "    [" + kSecondNotNeeded + "]", "[   -> force shutdown may appear now so don't PANiC!]",
          "  [   +-> Sending Diri Force shutdown -- (XP Only)]",
          "    [   +--> Diri Force Shutdown Has been sent...]",
          "[   => TarVix Server has been deleted from your computer.]", "  [" + kKeptLine + "]"}));
}

TEST(RemovalTest, ADownloaderFileNeverAbortsAShutdown) {
  Machine m;
  m.platform.AddFile(kKservice);
  RemoveTarget(m.context, TargetKind::Downloader, kKservice);

  EXPECT_EQ(m.Lines(), (Texts{"   -> Tarvix Stealth Downloader has been detected!",
                              "   +-> path: " + kKservice, "   -> Sending killing signal...",
                              kFirstSent, kSecondNotNeeded,
                              "   => TarVix Stealth Downloader has been deleted from your "
                              "computer.",
                              kKeptLine}));
  EXPECT_EQ(m.Started(), (Texts{KillTool(kKservice)}));
}

// The kill tool ends what it can; the system's tool then gets exactly the
// processes it identified and could not end, by id: never a process of the
// same name elsewhere, never a child of one.
TEST(RemovalTest, TheSecondSignalReachesOnlyTheProcessesTheKillToolCouldNotEnd) {
  Machine m;
  const std::string vendor = "C:\\Program Files\\Vendor\\kservice.exe";
  m.platform.AddFile(kKservice);
  m.platform.AddFile(vendor);
  const unsigned long ended = m.platform.RunProcess(kKservice);
  const unsigned long stubborn = m.platform.RunProcess(kKservice, FakePlatform::Resists::KillTool);
  const unsigned long vendors = m.platform.RunProcess(vendor);
  const unsigned long critical = m.platform.RunProcess(kKservice);
  m.platform.MarkCritical(critical);
  m.journal.Clear();
  RemoveTarget(m.context, TargetKind::Downloader, kKservice);

  EXPECT_EQ(m.Started(), (Texts{KillTool(kKservice), TaskKill({stubborn})}));
  EXPECT_EQ(m.journal.With("ended "),
            (Texts{std::to_string(ended) + " " + kKservice + " by kill.exe",
                   std::to_string(stubborn) + " " + kKservice + " by taskkill.exe"}));
  EXPECT_TRUE(m.platform.IsProcessRunning(vendors));
  // Left running by the kill tool, and never handed on.
  EXPECT_TRUE(m.platform.IsProcessRunning(critical));
  const Texts lines = m.Lines();
  EXPECT_EQ(Texts(lines.begin() + 3, lines.begin() + 6),
            (Texts{kFirstSent, kSecondSent, kBothSent}));
  // Waited for, bounded, like every command that could outlive what follows.
  const Texts waits = m.journal.With("wait ");
  EXPECT_EQ(waits, (Texts{"10000 ms -> finished", "5000 ms -> finished"}));
  ExpectNoKillByNameOrTree(m);
}

TEST(RemovalTest, AProcessThatSurvivesBothSignalsLeavesTheFileForTheRestart) {
  Machine m;
  m.platform.AddFile(kWinkey);
  const unsigned long holder =
      m.platform.HoldOpen(kWinkey, kWinkey, FakePlatform::Resists::EveryKill);
  m.journal.Clear();
  RemoveTarget(m.context, TargetKind::Server, kWinkey);

  EXPECT_EQ(m.Started(), (Texts{KillTool(kWinkey), TaskKill({holder}), kAbort}));
  EXPECT_TRUE(m.platform.IsProcessRunning(holder));
  EXPECT_EQ(m.Lines(),
            ServerLines(kWinkey, {kFirstSent, kSecondSent, kBothSent},
                        {"   => TarVix Server could not be deleted now; it will be deleted at the "
                         "next restart."}));
}

// Many processes of one file: the ids go in batches, so that no command line
// grows beyond what the system takes.
TEST(RemovalTest, ManyStubbornProcessesAreHandedOnInBatches) {
  Machine m;
  m.platform.AddFile(kKservice);
  std::vector<unsigned long> ids;
  for (int i = 0; i < 40; ++i) {
    ids.push_back(m.platform.RunProcess(kKservice, FakePlatform::Resists::KillTool));
  }
  RemoveTarget(m.context, TargetKind::Downloader, kKservice);

  EXPECT_EQ(m.Started(), (Texts{KillTool(kKservice), TaskKill({ids.begin(), ids.begin() + 32}),
                                TaskKill({ids.begin() + 32, ids.end()})}));
  for (const unsigned long id : ids) {
    EXPECT_FALSE(m.platform.IsProcessRunning(id)) << id;
  }
  EXPECT_EQ(m.Lines()[4], kSecondSent);
}

// Without the kill tool nothing says which processes run the file, and no
// line claims a signal that was not sent.
TEST(RemovalTest, AKillToolThatCannotStartIsSaidAndNothingIsEndedByName) {
  Machine m;
  m.platform.AddFile(kKservice);
  const unsigned long process = m.platform.RunProcess(kKservice);
  ASSERT_TRUE(m.platform.Delete("C:\\Tools\\kill.exe"));
  m.journal.Clear();
  RemoveTarget(m.context, TargetKind::Downloader, kKservice);

  EXPECT_EQ(m.Started(), (Texts{KillTool(kKservice)}));
  EXPECT_EQ(m.journal.With("wait "), (Texts{"10000 ms -> not started"}));
  const Texts lines = m.Lines();
  EXPECT_EQ(Texts(lines.begin() + 2, lines.begin() + 5),
            (Texts{"   -> Sending killing signal...",
                   "   +-> Killing signal 1/2 could not be sent: the kill tool could not be "
                   "started",
                   "   +-> Killing signal 2/2 was not sent: without the kill tool no process is "
                   "known to run the file"}));
  for (const std::string& claim : {kFirstSent, kSecondSent, kBothSent, kSecondNotNeeded}) {
    EXPECT_EQ(std::count(lines.begin(), lines.end(), claim), 0) << claim;
  }
  EXPECT_TRUE(m.platform.IsProcessRunning(process));
  // Both lines nest under the signal's, as the lines of signals sent do.
  const Texts outline = m.logView.Outline();
  EXPECT_EQ(Texts(outline.begin() + 2, outline.begin() + 5),
            (Texts{"[   -> Sending killing signal...]", "  [" + lines[3] + "]",
                   "    [" + lines[4] + "]"}));
}

TEST(RemovalTest, ATaskKillToolThatCannotStartIsSaid) {
  Machine m;
  m.platform.AddFile(kKservice);
  m.platform.HoldOpen(kKservice, kKservice, FakePlatform::Resists::KillTool);
  ASSERT_TRUE(m.platform.Delete("C:\\WINDOWS\\system32\\taskkill.exe"));
  m.journal.Clear();
  RemoveTarget(m.context, TargetKind::Downloader, kKservice);

  const Texts lines = m.Lines();
  EXPECT_EQ(Texts(lines.begin() + 3, lines.begin() + 6),
            (Texts{kFirstSent,
                   "   +-> Killing signal 2/2 could not be sent: the system's task-kill tool "
                   "could not be started",
                   "   => TarVix Stealth Downloader could not be deleted now; it will be "
                   "deleted at the next restart."}));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), kBothSent), 0);
}

// A kill tool still at work when its time is up is left to finish; what it
// reported by then is acted on.
TEST(RemovalTest, AKillToolThatOutlivesItsWaitIsLeftRunningAndItsReportUsed) {
  Machine m;
  m.platform.AddFile(kKservice);
  const unsigned long stubborn = m.platform.RunProcess(kKservice, FakePlatform::Resists::KillTool);
  m.platform.KeepRunning("C:\\Tools\\kill.exe");
  m.journal.Clear();
  RemoveTarget(m.context, TargetKind::Downloader, kKservice);

  EXPECT_EQ(m.journal.With("wait "), (Texts{"10000 ms -> still running", "5000 ms -> finished"}));
  EXPECT_EQ(m.Started(), (Texts{KillTool(kKservice), TaskKill({stubborn})}));
  EXPECT_TRUE(m.platform.IsRunning("C:\\Tools\\kill.exe"));
}

// A family file named like one of Windows' own programs: its own processes
// are ended, Windows' own of the same name never reached by either signal.
TEST(RemovalTest, WindowsOwnProcessesOfTheSameNameAreNeverReached) {
  for (const char* name : {"smss.exe", "csrss.exe", "wininit.exe", "winlogon.exe", "services.exe",
                           "lsass.exe", "svchost.exe", "SERVICES.EXE"}) {
    SCOPED_TRACE(name);
    for (const auto resists : {FakePlatform::Resists::Nothing, FakePlatform::Resists::KillTool}) {
      Machine m;
      const std::string found = std::string(kWindows) + "\\" + name;
      const std::string windowsOwn = std::string(kSystem) + "\\" + name;
      m.platform.AddFile(found);
      m.platform.AddFile(windowsOwn);
      const unsigned long family = m.platform.RunProcess(found, resists);
      const unsigned long own = m.platform.RunProcess(windowsOwn);
      m.platform.MarkCritical(own);
      m.journal.Clear();
      RemoveTarget(m.context, TargetKind::Server, found);

      const bool stubborn = resists == FakePlatform::Resists::KillTool;
      const Texts expected = stubborn ? Texts{KillTool(found), TaskKill({family}), kAbort}
                                      : Texts{KillTool(found), kAbort};
      EXPECT_EQ(m.Started(), expected);
      EXPECT_FALSE(m.platform.IsProcessRunning(family));
      EXPECT_TRUE(m.platform.IsProcessRunning(own));
      EXPECT_FALSE(m.platform.HasFile(found));
      EXPECT_TRUE(m.platform.HasFile(windowsOwn));
    }
  }
}

TEST(RemovalTest, EveryEntryGetsTheKillToolByItsPathAndNoKillByName) {
  std::vector<Signature> entries(ServerSignatures.begin(), ServerSignatures.end());
  entries.insert(entries.end(), DownloaderSignatures.begin(), DownloaderSignatures.end());
  for (const Signature& entry : entries) {
    SCOPED_TRACE(std::string(entry.entry));
    Machine m;
    const std::string path = TargetPath(m.paths, entry);
    m.platform.AddFile(path);
    const unsigned long stubborn = m.platform.RunProcess(path, FakePlatform::Resists::KillTool);
    // A process of the same name in another folder.
    m.platform.AddFile("C:\\Vendor" + std::string(entry.entry));
    const unsigned long vendor = m.platform.RunProcess("C:\\Vendor" + std::string(entry.entry));
    RemoveTarget(m.context, TargetKind::Downloader, path);
    EXPECT_EQ(m.Started(), (Texts{KillTool(path), TaskKill({stubborn})}));
    EXPECT_TRUE(m.platform.IsProcessRunning(vendor));
    EXPECT_EQ(m.Lines()[5], kBothSent);
  }
}

// The repair program has the image name of the family's system-folder file,
// and may still run from an earlier pass.
TEST(RemovalTest, NoSignalReachesTheProgramsOwnRepairProgram) {
  const std::string fservice = std::string(kSystem) + "\\fservice.exe";
  Machine m;
  m.platform.AddFile(fservice);
  const unsigned long family = m.platform.RunProcess(fservice, FakePlatform::Resists::KillTool);
  const unsigned long repair = m.platform.RunProcess("C:\\Tools\\fservice.exe");
  RemoveTarget(m.context, TargetKind::Server, fservice);

  EXPECT_EQ(m.Started(), (Texts{KillTool(fservice), TaskKill({family}), kAbort}));
  EXPECT_TRUE(m.platform.IsProcessRunning(repair));
  EXPECT_FALSE(m.platform.IsProcessRunning(family));
}

TEST(RemovalTest, TheRetryBudgetIsSpentOnceForTheWholeProgramRun) {
  Machine m;
  const std::string second = std::string(kWindows) + "\\kt.atm";
  m.platform.AddFile(kWinkey);
  m.platform.AddFile(second);
  m.platform.FailDeletes(kWinkey, FakePlatform::kForever);
  m.platform.FailDeletes(second, FakePlatform::kForever);

  // Seven tested attempts and six ignored ones for the first stubborn file...
  RemoveTarget(m.context, TargetKind::Server, kWinkey);
  EXPECT_EQ(m.Deletes(), Texts(13, kWinkey + " -> fail"));
  EXPECT_EQ(m.context.DeleteRetryBudget, 7);

  // ...and a single attempt for every later one.
  m.journal.Clear();
  RemoveTarget(m.context, TargetKind::Server, second);
  EXPECT_EQ(m.Deletes(), Texts{second + " -> fail"});
}

TEST(RemovalTest, ARoundWhoseIgnoredAttemptSucceedsStillSpendsTheBudget) {
  Machine m;
  m.platform.AddFile(kWinkey);
  m.platform.FailDeletes(kWinkey, 3);
  RemoveTarget(m.context, TargetKind::Server, kWinkey);

  // Fails, fails, fails, then the fourth (ignored) attempt deletes it; every
  // later tested attempt meets a missing file.
  Texts expected(3, kWinkey + " -> fail");
  expected.push_back(kWinkey + " -> ok");
  expected.resize(13, kWinkey + " -> fail");
  EXPECT_EQ(m.Deletes(), expected);
  EXPECT_EQ(m.context.DeleteRetryBudget, 7);
  EXPECT_EQ(m.Lines().end()[-2], "   => TarVix Server has been deleted from your computer.");
}

TEST(RemovalTest, AFileHeldByAProcessThatTheKillsEndIsDeleted) {
  Machine m;
  m.platform.AddFile(kWinkey);
  m.platform.HoldOpen(kWinkey, "C:\\WINDOWS\\WINKEY.DLL", /*survivesKills=*/false);
  RemoveTarget(m.context, TargetKind::Server, kWinkey);
  EXPECT_EQ(m.Deletes(), (Texts{kWinkey + " -> ok"}));
  EXPECT_EQ(m.Lines().end()[-2], "   => TarVix Server has been deleted from your computer.");
}

TEST(RemovalTest, AFileThatSurvivesIsDeletedAtTheNextRestartAndSaysSo) {
  Machine m;
  m.platform.AddFile(kWinkey);
  // Held by a process of another file, which no signal reaches.
  m.platform.HoldOpen(kWinkey, "C:\\Elsewhere\\holder.exe", /*survivesKills=*/true);
  RemoveTarget(m.context, TargetKind::Server, kWinkey);

  EXPECT_EQ(m.Lines(), ServerLines(kWinkey, {kFirstSent, kSecondNotNeeded},
                                   {"   => TarVix Server could not be deleted now; it "
                                    "will be deleted at the next restart."}));
  EXPECT_EQ(m.platform.PendingRestartDeletes(), Texts{kWinkey});
  EXPECT_TRUE(m.platform.HasFile(kWinkey));

  Machine d;
  d.platform.AddFile(kKservice);
  d.platform.FailDeletes(kKservice, FakePlatform::kForever);
  RemoveTarget(d.context, TargetKind::Downloader, kKservice);
  EXPECT_EQ(d.Lines().end()[-2],
            "   => TarVix Stealth Downloader could not be deleted now; it will be deleted at the "
            "next restart.");
}

// A quarantine folder a user made is set aside on the way to keeping the
// file: said under the find's outcome, before the item it was kept as.
TEST(RemovalTest, AQuarantineFolderSetAsideOnTheWayIsSaidUnderTheOutcome) {
  Machine m;
  const std::string quarantine =
      "C:\\Documents and Settings\\All Users\\Application Data\\DiziTarvix\\Quarantine";
  const std::string user = "S-1-5-21-1004336348-1177238915-682003330-1001";
  m.platform.AddDirectory(quarantine);
  m.platform.SetFolderOwner(quarantine, user);
  m.platform.SetFolderAccess(quarantine, {{true, 0x1F01FF, user}});
  m.platform.AddFile(kKservice);
  m.journal.Clear();
  RemoveTarget(m.context, TargetKind::Downloader, kKservice);

  const std::string setAside =
      "   +-> " + quarantine +
      " was not used: it belongs to an account that is not Administrators or SYSTEM: " + user +
      "; it was set aside as " + quarantine + ".set-aside-20240517-142301, as it is, and made anew";
  const Texts lines = m.Lines();
  EXPECT_EQ(Texts(lines.end() - 3, lines.end()),
            (Texts{"   => TarVix Stealth Downloader has been deleted from your computer.", setAside,
                   kKeptLine}));
  const Texts outline = m.logView.Outline();
  EXPECT_EQ(Texts(outline.end() - 3, outline.end()),
            (Texts{"[   => TarVix Stealth Downloader has been deleted from your computer.]",
                   "  [" + setAside + "]", "    [" + kKeptLine + "]"}));
}

TEST(RemovalTest, WhenNoRestartDeletionIsPossibleTheUserIsToldWhereTheFileIs) {
  for (const TargetKind kind : {TargetKind::Server, TargetKind::Downloader}) {
    Machine m;
    m.platform.AddFile(kWinkey);
    m.platform.FailDeletes(kWinkey, FakePlatform::kForever);
    m.platform.FailDeleteAtRestart();
    RemoveTarget(m.context, kind, kWinkey);

    const std::string what = kind == TargetKind::Server ? "Server" : "Stealth Downloader";
    const Texts lines = m.Lines();
    EXPECT_EQ(Texts(lines.end() - 3, lines.end()),
              (Texts{"   => TarVix " + what + " could not be deleted; please delete it by hand.",
                     "   +-> path: " + kWinkey, kKeptLine}));
    // The path stays the outcome's child; the item's line follows as its own.
    const Texts outline = m.logView.Outline();
    EXPECT_EQ(Texts(outline.end() - 2, outline.end()),
              (Texts{"  [   +-> path: " + kWinkey + "]", "    [" + kKeptLine + "]"}));
  }
}

}  // namespace
}  // namespace dizi::test
