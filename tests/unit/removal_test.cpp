#include <gtest/gtest.h>

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
  return lines;
}

TEST(RemovalTest, AServerFileIsKilledByImageNameThenDeletedAndTheDeletionLogged) {
  Machine m;
  m.platform.AddFile(kWinkey);
  RemoveTarget(m.context, TargetKind::Server, kWinkey, kWinkeyEntry);

  EXPECT_EQ(m.Lines(),
            ServerLines(kWinkey, {"   => TarVix Server has been deleted from your computer."}));
  // Bare image names, full quoted program paths; the abort only for the server.
  EXPECT_EQ(m.Started(), (Texts{"\"C:\\Tools\\kill.exe\" -f winkey.dll",
                                "\"C:\\WINDOWS\\system32\\taskkill.exe\" /F /T /IM winkey.dll",
                                "\"C:\\WINDOWS\\system32\\shutdown.exe\" -a"}));
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
             "[   => TarVix Server has been deleted from your computer.]"}));
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
                              "computer."}));
  EXPECT_EQ(m.Started(), (Texts{"\"C:\\Tools\\kill.exe\" -f kservice.exe",
                                "\"C:\\WINDOWS\\system32\\taskkill.exe\" /F /T /IM kservice.exe"}));
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
  EXPECT_EQ(m.Lines().back(), "   => TarVix Server has been deleted from your computer.");
}

TEST(RemovalTest, AFileHeldByAProcessThatTheKillsEndIsDeleted) {
  Machine m;
  m.platform.AddFile(kWinkey);
  m.platform.HoldOpen(kWinkey, "WINKEY.DLL", /*survivesKills=*/false);
  RemoveTarget(m.context, TargetKind::Server, kWinkey, kWinkeyEntry);
  EXPECT_EQ(m.Deletes(), (Texts{kWinkey + " -> ok"}));
  EXPECT_EQ(m.Lines().back(), "   => TarVix Server has been deleted from your computer.");
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
  EXPECT_EQ(d.Lines().back(),
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
    EXPECT_EQ(Texts(lines.end() - 2, lines.end()),
              (Texts{"   => TarVix " + what + " could not be deleted; please delete it by hand.",
                     "   +-> path: " + kWinkey}));
    EXPECT_EQ(m.logView.Outline().back(), "  [   +-> path: " + kWinkey + "]");
  }
}

}  // namespace
}  // namespace dizi::test
