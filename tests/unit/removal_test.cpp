#include <gtest/gtest.h>

#include <algorithm>

#include "scan/removal.h"
#include "scan/signatures.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kWinkey = std::string(kWindows) + "\\winkey.dll";
const Signature& kWinkeyEntry = ServerSignatures[24];
const std::string kKservice = std::string(kSystem) + "\\kservice.exe";
const Signature& kKserviceEntry = DownloaderSignatures[5];

// Every find ends with the quarantine item it was kept as; the first item
// kept on the test machine's clock.
const std::string kFirstItem = "20240517-142301-01";
const std::string kKeptLine = "   +-> kept in quarantine as: " + kFirstItem;

Texts ServerLines(const std::string& path, Texts outcome) {
  Texts lines = {"   -> Tarvix server has been detected!",
                 "   +-> path: " + path,
                 "   -> Sending killing signal...",
                 "   +-> Killing signal 1/2 has been sent",
                 "   +-> Killing signal 2/2 has been sent in case of failure of 1/2",
                 "   +-> Killing signals has been sent. 1,2/2",
                 "   -> force shutdown may appear now so don't PANiC!",
                 "   +-> Sending Diri Force shutdown -- (XP Only)",
                 "   +--> Diri Force Shutdown Has been sent..."};
  lines.insert(lines.end(), outcome.begin(), outcome.end());
  lines.push_back(kKeptLine);
  return lines;
}

TEST(RemovalTest, AServerFileIsKilledByPathAndNameThenDeletedAndTheDeletionLogged) {
  Machine m;
  m.platform.AddFile(kWinkey);
  RemoveTarget(m.context, TargetKind::Server, kWinkey, kWinkeyEntry);

  EXPECT_EQ(m.Lines(),
            ServerLines(kWinkey, {"   => TarVix Server has been deleted from your computer."}));
  // The kill tool gets the file's full path, the system's tool its image name;
  // full quoted program paths; the abort only for the server, and waited for.
  EXPECT_EQ(m.Started(), (Texts{"\"C:\\Tools\\kill.exe\" -f \"C:\\WINDOWS\\winkey.dll\"",
                                "\"C:\\WINDOWS\\system32\\taskkill.exe\" /F /T /IM winkey.dll",
                                "\"C:\\WINDOWS\\system32\\shutdown.exe\" -a"}));
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

  // Both kill lines and both shutdown lines nest one under the other.
  EXPECT_EQ(
      m.logView.Outline(),
      (Texts{"[   -> Tarvix server has been detected!]", "  [   +-> path: " + kWinkey + "]",
             "[   -> Sending killing signal...]", "  [   +-> Killing signal 1/2 has been sent]",
             "    [   +-> Killing signal 2/2 has been sent in case of failure of 1/2]",
             "      [   +-> Killing signals has been sent. 1,2/2]",
             "[   -> force shutdown may appear now so don't PANiC!]",
             "  [   +-> Sending Diri Force shutdown -- (XP Only)]",
             "    [   +--> Diri Force Shutdown Has been sent...]",
             "[   => TarVix Server has been deleted from your computer.]",
             "  [" + kKeptLine + "]"}));
}

TEST(RemovalTest, ADownloaderFileNeverAbortsAShutdown) {
  Machine m;
  m.platform.AddFile(kKservice);
  RemoveTarget(m.context, TargetKind::Downloader, kKservice, kKserviceEntry);

  EXPECT_EQ(m.Lines(), (Texts{"   -> Tarvix Stealth Downloader has been detected!",
                              "   +-> path: " + kKservice, "   -> Sending killing signal...",
                              "   +-> Killing signal 1/2 has been sent",
                              "   +-> Killing signal 2/2 has been sent in case of failure of 1/2",
                              "   +-> Killing signals has been sent. 1,2/2",
                              "   => TarVix Stealth Downloader has been deleted from your "
                              "computer.",
                              kKeptLine}));
  EXPECT_EQ(m.Started(), (Texts{"\"C:\\Tools\\kill.exe\" -f \"" + kKservice + "\"",
                                "\"C:\\WINDOWS\\system32\\taskkill.exe\" /F /T /IM kservice.exe"}));
}

// Windows runs processes of these names from its system folder; a found file
// of such a name must not make the system's tool end them by name.
TEST(RemovalTest, TheSecondSignalIsWithheldForTheNamesOfWindowsOwnProcesses) {
  for (const char* name : {"smss.exe", "csrss.exe", "wininit.exe", "winlogon.exe", "services.exe",
                           "lsass.exe", "svchost.exe", "SERVICES.EXE", "LSass.exe"}) {
    SCOPED_TRACE(name);
    Machine m;
    const std::string entry = std::string("\\") + name;
    const std::string found = kWindows + entry;
    const std::string windowsOwn = kSystem + entry;
    m.platform.AddFile(found);
    m.platform.AddFile(windowsOwn);
    m.platform.RunProcess(found);
    m.platform.RunProcess(windowsOwn);
    RemoveTarget(m.context, TargetKind::Server, found, Signature{entry, Folder::Windows});

    EXPECT_EQ(m.Started(), (Texts{"\"C:\\Tools\\kill.exe\" -f \"" + found + "\"",
                                  "\"C:\\WINDOWS\\system32\\shutdown.exe\" -a"}));
    // No line claims the second signal, or both, went out.
    const Texts lines = m.Lines();
    EXPECT_EQ(Texts(lines.begin() + 2, lines.begin() + 6),
              (Texts{"   -> Sending killing signal...", "   +-> Killing signal 1/2 has been sent",
                     std::string("   +-> Killing signal 2/2 was not sent: it would also end "
                                 "Windows' own ") +
                         name,
                     "   -> force shutdown may appear now so don't PANiC!"}));
    EXPECT_FALSE(m.platform.IsRunning(found));
    EXPECT_TRUE(m.platform.IsRunning(windowsOwn));
    EXPECT_FALSE(m.platform.HasFile(found));
    EXPECT_TRUE(m.platform.HasFile(windowsOwn));
  }
}

TEST(RemovalTest, EveryOtherNameGetsBothSignals) {
  // Names close to Windows' own are other names.
  const Signature nearNames[] = {{"\\myservices.exe", Folder::Windows},
                                 {"\\services.ex", Folder::Windows},
                                 {"\\services.exe.bak", Folder::Windows},
                                 {"\\svchost", Folder::Windows}};
  std::vector<Signature> entries(std::begin(nearNames), std::end(nearNames));
  entries.insert(entries.end(), ServerSignatures.begin(), ServerSignatures.end());
  entries.insert(entries.end(), DownloaderSignatures.begin(), DownloaderSignatures.end());
  for (const Signature& entry : entries) {
    if (entry.entry == "\\services.exe") {
      continue;
    }
    SCOPED_TRACE(std::string(entry.entry));
    Machine m;
    const std::string path = TargetPath(m.paths, entry);
    m.platform.AddFile(path);
    RemoveTarget(m.context, TargetKind::Downloader, path, entry);
    EXPECT_EQ(m.Started(),
              (Texts{"\"C:\\Tools\\kill.exe\" -f \"" + path + "\"",
                     "\"C:\\WINDOWS\\system32\\taskkill.exe\" /F /T /IM " + ImageName(entry)}));
    EXPECT_EQ(m.Lines()[5], "   +-> Killing signals has been sent. 1,2/2");
  }
}

TEST(RemovalTest, NoKillByNameCanReachTheProgramsOwnRepairProgram) {
  const std::string fservice = std::string(kSystem) + "\\fservice.exe";
  const std::string taskkill = "\"C:\\WINDOWS\\system32\\taskkill.exe\" /F /T /IM fservice.exe";
  Machine m;
  m.platform.AddFile(fservice);
  RemoveTarget(m.context, TargetKind::Server, fservice, ServerSignatures[0]);
  // Waited for, so that it is over before the fix-up starts the repair program.
  const Texts entries = m.journal.Entries();
  const auto sent = std::find(entries.begin(), entries.end(), "start " + taskkill);
  ASSERT_NE(sent, entries.end());
  EXPECT_EQ(*(sent + 1), "wait 5000 ms -> finished");

  // Once the repair program outlived its wait, none is sent at all.
  Machine r;
  r.platform.AddFile(fservice);
  r.context.RepairProgramMayBeRunning = true;
  RemoveTarget(r.context, TargetKind::Server, fservice, ServerSignatures[0]);
  EXPECT_EQ(r.Started(), (Texts{"\"C:\\Tools\\kill.exe\" -f \"" + fservice + "\"",
                                "\"C:\\WINDOWS\\system32\\shutdown.exe\" -a"}));
  EXPECT_EQ(r.Lines()[4],
            "   +-> Killing signal 2/2 was not sent: it would also end Diri Tarvix's own "
            "fservice.exe, which is still running");
}

TEST(RemovalTest, TheRetryBudgetIsSpentOnceForTheWholeProgramRun) {
  Machine m;
  const std::string second = std::string(kWindows) + "\\kt.atm";
  m.platform.AddFile(kWinkey);
  m.platform.AddFile(second);
  m.platform.FailDeletes(kWinkey, FakePlatform::kForever);
  m.platform.FailDeletes(second, FakePlatform::kForever);

  // Seven tested attempts and six ignored ones for the first stubborn file...
  RemoveTarget(m.context, TargetKind::Server, kWinkey, kWinkeyEntry);
  EXPECT_EQ(m.Deletes(), Texts(13, kWinkey + " -> fail"));
  EXPECT_EQ(m.context.DeleteRetryBudget, 7);

  // ...and a single attempt for every later one.
  m.journal.Clear();
  RemoveTarget(m.context, TargetKind::Server, second, ServerSignatures[17]);
  EXPECT_EQ(m.Deletes(), Texts{second + " -> fail"});
}

TEST(RemovalTest, ARoundWhoseIgnoredAttemptSucceedsStillSpendsTheBudget) {
  Machine m;
  m.platform.AddFile(kWinkey);
  m.platform.FailDeletes(kWinkey, 3);
  RemoveTarget(m.context, TargetKind::Server, kWinkey, kWinkeyEntry);

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
  m.platform.HoldOpen(kWinkey, "WINKEY.DLL", /*survivesKills=*/false);
  RemoveTarget(m.context, TargetKind::Server, kWinkey, kWinkeyEntry);
  EXPECT_EQ(m.Deletes(), (Texts{kWinkey + " -> ok"}));
  EXPECT_EQ(m.Lines().end()[-2], "   => TarVix Server has been deleted from your computer.");
}

TEST(RemovalTest, AFileThatSurvivesIsDeletedAtTheNextRestartAndSaysSo) {
  Machine m;
  m.platform.AddFile(kWinkey);
  m.platform.HoldOpen(kWinkey, "winkey.dll", /*survivesKills=*/true);
  RemoveTarget(m.context, TargetKind::Server, kWinkey, kWinkeyEntry);

  EXPECT_EQ(m.Lines(), ServerLines(kWinkey, {"   => TarVix Server could not be deleted now; it "
                                             "will be deleted at the next restart."}));
  EXPECT_EQ(m.platform.PendingRestartDeletes(), Texts{kWinkey});
  EXPECT_TRUE(m.platform.HasFile(kWinkey));

  Machine d;
  d.platform.AddFile(kKservice);
  d.platform.FailDeletes(kKservice, FakePlatform::kForever);
  RemoveTarget(d.context, TargetKind::Downloader, kKservice, kKserviceEntry);
  EXPECT_EQ(d.Lines().end()[-2],
            "   => TarVix Stealth Downloader could not be deleted now; it will be deleted at the "
            "next restart.");
}

TEST(RemovalTest, WhenNoRestartDeletionIsPossibleTheUserIsToldWhereTheFileIs) {
  for (const TargetKind kind : {TargetKind::Server, TargetKind::Downloader}) {
    Machine m;
    m.platform.AddFile(kWinkey);
    m.platform.FailDeletes(kWinkey, FakePlatform::kForever);
    m.platform.FailDeleteAtRestart();
    RemoveTarget(m.context, kind, kWinkey, kWinkeyEntry);

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
