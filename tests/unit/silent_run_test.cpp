// A run without a window on the fake machine: the same start-up checks and
// scan as the window's, nothing shown or opened, and the exit code for every
// outcome of the run.
#include <gtest/gtest.h>

#include <algorithm>

#include "fleet/run_end.h"
#include "fleet/silent_run.h"
#include "scan/scan_run.h"
#include "startup/startup_checks.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kLog = "C:\\Tools\\DiziTarvix_Log.txt";
const std::string kServerFile = std::string(kWindows) + "\\krt32.exe";
const std::string kDownloaderFile = std::string(kSystem) + "\\kservice.exe";
const std::string kShutdown = std::string(kSystem) + "\\shutdown.exe";
const std::string kFirstScanLine = "  Scanning for Tarvix Server... *Start*";
// Without a box, the line names the file.
const std::string kMissingKillLine =
    "  Missing file(s): C:\\Tools\\kill.exe is missing or cannot be read. If you extracted the "
    "ZIP file content to a temp folder, please extract them somewhere else. Or you might "
    "downloaded the package with missing files. Please redownload it";

// The entries that show something to a user or end the program by request.
Texts Shown(const Journal& journal) {
  Texts shown;
  for (const std::string& entry : journal.Entries()) {
    if (entry.rfind("box ", 0) == 0 || entry.rfind("open ", 0) == 0 || entry == "terminate") {
      shown.push_back(entry);
    }
  }
  return shown;
}

std::size_t CountOf(const Texts& texts, const std::string& text) {
  return static_cast<std::size_t>(std::count(texts.begin(), texts.end(), text));
}

int RunOn(Machine& m, SilentOptions options = {}) {
  return RunSilently(m.platform, m.recorded, options);
}

// No read-me is opened, so the log tells nobody to read one.
TEST(SilentRunTest, ACleanMachineShowsNothingAndItsLogSpeaksOfNoReadMe) {
  Machine m;
  EXPECT_EQ(RunOn(m), 0);
  EXPECT_EQ(Shown(m.journal), Texts{});
  const Texts log = FileLines(m.platform.Content(kLog));
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), kFirstScanLine);
  EXPECT_EQ(log.back(), "[ EUW | WWW.EXAMPLE.ORG ]");
  EXPECT_TRUE(m.Started().empty());
}

// The same engine call as the Scan button: on two identical infected
// machines, the window's start-up and scan and a silent run start the same
// commands and try the same deletions, in the same order.
TEST(SilentRunTest, ItDoesWhatTheWindowsStartAndScanDo) {
  const auto plant = [](Machine& m) {
    m.platform.AddFile(kServerFile);
    m.platform.AddFile(kDownloaderFile);
    m.platform.AddFile(std::string(kSystem) + "\\winkey.dll");
    m.platform.HoldOpen(std::string(kSystem) + "\\winkey.dll", "C:\\x\\holder.exe", true);
  };
  const auto effects = [](const Journal& journal) {
    Texts kept;
    for (const std::string& entry : journal.Entries()) {
      for (const char* kind : {"start ", "wait ", "delete", "copy ", "probe ", "sleep "}) {
        if (entry.rfind(kind, 0) == 0) {
          kept.push_back(entry);
        }
      }
    }
    return kept;
  };
  // Where the window's follow-up is a start-up task too.
  Machine window;
  plant(window);
  window.platform.SetSignInGetsTheseRights(false);
  RunStartupChecks(window.platform, window.paths, window.recorded, window.context.Companions);
  RunWindowScan(window.context, window.scanView);
  Machine silent;
  plant(silent);
  EXPECT_EQ(RunOn(silent), 2);
  EXPECT_EQ(effects(silent.journal), effects(window.journal));
  // One restart, the last thing started.
  EXPECT_EQ(CountOf(silent.Started(), kRestartCommand), 1u);
  EXPECT_EQ(silent.Started().back(), kRestartCommand);
  EXPECT_EQ(Shown(silent.journal), Texts{});
}

TEST(SilentRunTest, ExitCodesOfRunsThatScanned) {
  const struct {
    const char* what;
    void (*set)(Machine&);
    SilentOptions options;
    int code;
  } cases[] = {
      {"a server file deleted, restart scheduled",
       [](Machine& m) { m.platform.AddFile(kServerFile); },
       {},
       1},
      {"a downloader file deleted, no restart needed",
       [](Machine& m) { m.platform.AddFile(kDownloaderFile); },
       {},
       1},
      {"a file held open: deleted at the restart",
       [](Machine& m) {
         m.platform.AddFile(kDownloaderFile);
         m.platform.HoldOpen(kDownloaderFile, "C:\\x\\holder.exe", true);
       },
       {},
       2},
      {"the restart held back after a server find",
       [](Machine& m) { m.platform.AddFile(kServerFile); },
       {.noReboot = true},
       2},
      {"the restart command could not be started",
       [](Machine& m) {
         m.platform.AddFile(kServerFile);
         m.platform.Delete(kShutdown);
       },
       {},
       2},
      {"a file nothing can delete",
       [](Machine& m) {
         m.platform.AddFile(kDownloaderFile);
         m.platform.HoldOpen(kDownloaderFile, "C:\\x\\holder.exe", true);
         m.platform.FailDeleteAtRestart();
       },
       {},
       3},
      {"a file to delete by hand outweighs a restart held back",
       [](Machine& m) {
         m.platform.AddFile(kServerFile);
         m.platform.HoldOpen(kServerFile, "C:\\x\\holder.exe", true);
         m.platform.FailDeleteAtRestart();
       },
       {.noReboot = true},
       3},
      {"a clean machine whose log is kept on the computer, not beside the program",
       [](Machine& m) { m.platform.MarkReadOnly("C:\\Tools"); },
       {},
       0},
      {"a clean machine whose log cannot be saved anywhere",
       [](Machine& m) {
         m.platform.MarkReadOnly("C:\\Tools");
         m.platform.AddDirectory(kReportsFolder);
         m.platform.MarkReparsePoint(kReportsFolder);
         m.platform.FailRenames(kReportsFolder);
       },
       {},
       7},
      {"a log not saved does not hide a file left to delete by hand",
       [](Machine& m) {
         m.platform.AddFile(kDownloaderFile);
         m.platform.HoldOpen(kDownloaderFile, "C:\\x\\holder.exe", true);
         m.platform.FailDeleteAtRestart();
         m.platform.MarkReadOnly("C:\\Tools");
       },
       {},
       3},
      {"a removal whose report cannot be written",
       [](Machine& m) { m.platform.AddFile(kDownloaderFile); },
       {.reportPath = "C:\\Nowhere\\r.json"},
       7},
      {"a restart needed, and the report cannot be written",
       [](Machine& m) { m.platform.AddFile(kServerFile); },
       {.noReboot = true, .reportPath = "C:\\Nowhere\\r.json"},
       7},
      // A repair that did not finish: the tools may still be locked, or the
      // family's start-up entries still there.
      {"the repair program still running after the wait",
       [](Machine& m) {
         m.platform.AddFile(kServerFile);
         m.platform.KeepRunning(kProgramCopies + "\\fservice.exe");
       },
       {},
       3},
      {"the repair program failing",
       [](Machine& m) {
         m.platform.AddFile(kServerFile);
         m.platform.SetExitCode(kProgramCopies + "\\fservice.exe", 1);
       },
       {},
       3},
      {"a registry command that could not start",
       [](Machine& m) {
         m.platform.AddFile(kServerFile);
         m.platform.Delete("C:\\WINDOWS\\system32\\reg.exe");
       },
       {},
       3},
      {"a repair not finished outweighs a restart held back",
       [](Machine& m) {
         m.platform.AddFile(kServerFile);
         m.platform.SetExitCode("C:\\WINDOWS\\system32\\reg.exe", 5);
       },
       {true, ""},
       3},
      {"no clean msconfig.exe to copy is no unfinished repair",
       [](Machine& m) {
         m.platform.AddFile(kServerFile);
         m.platform.Delete("C:\\Tools\\msconfig.exe");
       },
       {},
       1},
      {"a repair program that says it changed everything",
       [](Machine& m) {
         m.platform.AddFile(kServerFile);
         m.platform.SetOutput(kProgramCopies + "\\fservice.exe",
                              "fservice summary 1\nhive\tS-1-5-18\town\tcleaned\t2\tgiven-back\t\n"
                              "end\t0\n");
       },
       {},
       1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Machine m;
    c.set(m);
    m.journal.Clear();
    EXPECT_EQ(RunOn(m, c.options), c.code);
    EXPECT_EQ(Shown(m.journal), Texts{});
  }
}

TEST(SilentRunTest, NoRebootStartsNoRestartAndLogsThatItWasHeldBack) {
  Machine m;
  m.platform.AddFile(kServerFile);
  EXPECT_EQ(RunOn(m, {.noReboot = true}), 2);
  EXPECT_EQ(CountOf(m.Started(), kRestartCommand), 0u);
  EXPECT_FALSE(m.platform.RestartSurelyPending());
  // The fix-up still ran; the abort of any pending shutdown too.
  EXPECT_EQ(CountOf(m.Started(), "\"" + kProgramCopies + "\\fservice.exe\""), 1u);
  EXPECT_EQ(CountOf(FileLines(m.platform.Content(kLog)),
                    "   -> The restart was held back (/noreboot): restart the computer to "
                    "finish, then scan again."),
            1u);
}

TEST(SilentRunTest, AMissingShippedFileStopsTheRunBeforeTheScanWithItsLog) {
  Machine m;
  m.platform.Delete("C:\\Tools\\kill.exe");
  m.journal.Clear();
  EXPECT_EQ(RunOn(m), 4);
  EXPECT_EQ(Shown(m.journal), Texts{});
  EXPECT_TRUE(m.Started().empty());
  // The target paths are never probed: only the shipped files are.
  for (const std::string& probed : m.journal.With("probe ")) {
    EXPECT_EQ(probed.rfind("C:\\Tools\\", 0), 0u) << probed;
  }
  EXPECT_EQ(FileLines(m.platform.Content(kLog)), (Texts{kMissingKillLine}));
}

TEST(SilentRunTest, AShippedProgramThatIsNotTheOneBuiltStopsTheRunAndNeverRuns) {
  Machine m;
  m.platform.AddFile(kServerFile);
  m.platform.AddFile("C:\\Tools\\fservice.exe", "planted by someone else");
  m.journal.Clear();
  EXPECT_EQ(RunOn(m), 4);
  EXPECT_EQ(Shown(m.journal), Texts{});
  EXPECT_TRUE(m.Started().empty());
  EXPECT_TRUE(m.platform.HasFile(kServerFile));
  const Texts lines = FileLines(m.platform.Content(kLog));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("  Changed file: fservice.exe is not the file that came with", 0), 0u)
      << lines[0];
}

TEST(SilentRunTest, TheShippedProgramsAreHeldFromBeforeTheFirstStartToAfterTheLast) {
  Machine m;
  m.platform.AddFile(kServerFile);
  EXPECT_EQ(RunOn(m), 1);
  const Texts& entries = m.journal.Entries();
  const auto at = [&](const std::string& entry) {
    return std::find(entries.begin(), entries.end(), entry) - entries.begin();
  };
  const auto isStart = [](const std::string& e) { return e.rfind("start ", 0) == 0; };
  const auto firstStart = std::find_if(entries.begin(), entries.end(), isStart) - entries.begin();
  const auto lastStart =
      entries.rend() - std::find_if(entries.rbegin(), entries.rend(), isStart) - 1;
  ASSERT_LT(firstStart, static_cast<long>(entries.size()));
  for (const char* program : {"C:\\Tools\\kill.exe", "C:\\Tools\\fservice.exe"}) {
    EXPECT_LT(at(std::string("lock ") + program + " -> ok"), firstStart) << program;
    const auto unlocked = at(std::string("unlock ") + program);
    EXPECT_GT(unlocked, lastStart) << program;
    EXPECT_LT(unlocked, static_cast<long>(entries.size())) << program;
  }
}

TEST(SilentRunTest, WithoutAdministratorRightsNothingIsScanned) {
  Machine m;
  m.platform.AddFile(kServerFile);
  m.platform.SetAdministratorRights(false);
  EXPECT_EQ(RunOn(m), 4);
  EXPECT_TRUE(m.platform.HasFile(kServerFile));
  EXPECT_TRUE(m.Started().empty());
  EXPECT_TRUE(m.Deletes().empty());
  // Nor can it leave its marker.
  EXPECT_EQ(FileLines(m.platform.Content(kLog)),
            (Texts{"  Diri Tarvix cannot run: it needs administrator rights. Run it as an "
                   "administrator (elevated) or as SYSTEM.",
                   "  The registry marker HKEY_LOCAL_MACHINE\\SOFTWARE\\DiziTarvix could not be "
                   "written: Version: Access is denied. (error 5)"}));
}

TEST(SilentRunTest, OnOlderWindowsTheWarningGoesToTheLogAndTheKillToolIsCopied) {
  Machine m;
  m.platform.SetVersion({5, 0});
  EXPECT_EQ(RunOn(m), 0);
  EXPECT_EQ(Shown(m.journal), Texts{});
  EXPECT_TRUE(m.platform.HasFile("C:\\WINDOWS\\kill.exe"));
  EXPECT_EQ(FileLines(m.platform.Content(kLog))[0],
            "  Windows 9x or 2000: This is not windows XP or later. Diri Tarvix 2.5 was not "
            "tested under these platforms.");
}

TEST(SilentRunTest, AReportThatCannotBeWrittenIsExplainedInTheSavedLog) {
  Machine m;
  EXPECT_EQ(RunOn(m, {.reportPath = "C:\\Reports\\PC-042.json"}), 7);
  const Texts log = FileLines(m.platform.Content(kLog));
  EXPECT_EQ(log.back(),
            "  The report could not be written to C:\\Reports\\PC-042.json: no new file can be "
            "made in the folder C:\\Reports");
  EXPECT_EQ(log[log.size() - 2], "[ EUW | WWW.EXAMPLE.ORG ]");
}

TEST(SilentRunTest, AFileAtTheReportPathThatIsNoReportIsLeftAsItIs) {
  Machine m;
  const std::string notes = "C:\\Tools\\notes.txt";
  m.platform.AddFile(notes, "a technician's notes");
  EXPECT_EQ(RunOn(m, {.reportPath = notes}), 7);
  EXPECT_EQ(m.platform.Content(notes), "a technician's notes");
  EXPECT_EQ(FileLines(m.platform.Content(kLog)).back(),
            "  The report could not be written to C:\\Tools\\notes.txt: a file is there that is "
            "not a report of this program; it is left as it is");
  // The log itself is no report either.
  EXPECT_EQ(RunOn(m, {.reportPath = kLog}), 7);
  EXPECT_EQ(FileLines(m.platform.Content(kLog)).front(), kFirstScanLine);
}

}  // namespace
}  // namespace dizi::test
