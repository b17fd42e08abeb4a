// The report of a run without a window: its fields as the run went, valid
// JSON in UTF-8 whatever the paths hold, and written in one step.
#include <gtest/gtest.h>

#include "fleet/silent_run.h"
#include "json_parse.h"
#include "report/run_report.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

const std::string kReport = "C:\\Reports\\PC-042.json";

Json ReportOf(const Machine& m, const std::string& path = kReport) {
  const std::string text = m.platform.Content(path);
  EXPECT_EQ(text.rfind(kReportStart, 0), 0u);
  const std::optional<Json> parsed = JsonParser::Parse(text);
  EXPECT_TRUE(parsed) << text;
  return parsed.value_or(Json{});
}

std::vector<std::string> Texts(const Json& array) {
  std::vector<std::string> texts;
  for (const Json& item : array.items) {
    texts.push_back(item.text);
  }
  return texts;
}

TEST(ReportTest, AnInfectedMachinesReportHoldsEveryFieldInOrder) {
  Machine m;
  m.platform.AddDirectory("C:\\Reports");
  m.platform.AddFile(std::string(kWindows) + "\\krt32.exe");
  m.platform.AddFile(std::string(kSystem) + "\\kservice.exe");
  m.platform.SetUserName("SYSTEM");
  // Windows 7 SP1, 64-bit.
  m.platform.SetVersion({6, 1, 7601});
  m.platform.SetWow64(true);
  EXPECT_EQ(RunSilently(m.platform, m.recorded,
                        {.reportPath = kReport, .switches = {"/silent", "/report:" + kReport}}),
            1);

  const Json report = ReportOf(m);
  EXPECT_EQ(report.Keys(),
            (std::vector<std::string>{
                "program",    "version",           "run_id",    "computer", "user",
                "windows",    "switches",          "started",   "finished", "exit_code",
                "result",     "after_restart",     "follows",   "found",    "repairs",
                "user_hives", "restart_scheduled", "follow_up", "log_file", "errors"}));
  EXPECT_EQ(report["program"].text, "DiziTarvix");
  EXPECT_EQ(report["version"].text, "2.5");
  EXPECT_EQ(report["computer"].text, "PC-042");
  EXPECT_EQ(report["user"].text, "SYSTEM");
  EXPECT_EQ(report["run_id"].text, kFirstRunId);
  EXPECT_EQ(report["windows"].Keys(), (std::vector<std::string>{"version", "build", "64_bit"}));
  EXPECT_EQ(report["windows"]["version"].text, "6.1");
  EXPECT_EQ(report["windows"]["build"].number, 7601);
  EXPECT_TRUE(report["windows"]["64_bit"].boolean);
  EXPECT_EQ(Texts(report["switches"]), (std::vector<std::string>{"/silent", "/report:" + kReport}));
  EXPECT_FALSE(report["after_restart"].boolean);
  EXPECT_EQ(report["follows"].kind, Json::Kind::Null);
  EXPECT_EQ(report["follow_up"].text, "startup_task");
  EXPECT_EQ(report["started"].text, "2024-05-17T16:23:01+02:00");
  // Two pauses between the passes and one in the fix-up.
  EXPECT_EQ(report["finished"].text, "2024-05-17T16:23:03+02:00");
  EXPECT_EQ(report["exit_code"].number, 1);
  EXPECT_EQ(report["result"].text, "removed");
  ASSERT_EQ(report["found"].items.size(), 2u);
  const Json& server = report["found"].items[0];
  EXPECT_EQ(server.Keys(), (std::vector<std::string>{"path", "real_path", "kind", "outcome",
                                                     "sha256", "quarantine"}));
  EXPECT_EQ(server["path"].text, "C:\\WINDOWS\\krt32.exe");
  EXPECT_EQ(server["real_path"].text, "C:\\WINDOWS\\krt32.exe");
  EXPECT_EQ(server["kind"].text, "server");
  EXPECT_EQ(server["outcome"].text, "deleted");
  // The file was empty; it was kept as the first item of the run.
  EXPECT_EQ(server["sha256"].text, HexDigest(PortableSha256Of("")));
  EXPECT_EQ(server["quarantine"].text, "20240517-142301-01");
  // The downloader pass comes two seconds of pauses later.
  EXPECT_EQ(report["found"].items[1]["quarantine"].text, "20240517-142303-01");
  EXPECT_EQ(report["found"].items[1]["path"].text, "C:\\WINDOWS\\system32\\kservice.exe");
  // Where a 32-bit program's system folder really is on 64-bit Windows.
  EXPECT_EQ(report["found"].items[1]["real_path"].text, "C:\\WINDOWS\\SysWOW64\\kservice.exe");
  EXPECT_EQ(report["found"].items[1]["kind"].text, "downloader");
  std::vector<std::string> steps;
  for (const Json& step : report["repairs"].items) {
    steps.push_back(step["step"].text + (step["ok"].boolean ? " ok" : " failed"));
  }
  EXPECT_EQ(steps, (std::vector<std::string>{"task_manager ok", "registry_editor ok", "msconfig ok",
                                             "repair_program ok"}));
  EXPECT_TRUE(report["restart_scheduled"].boolean);
  EXPECT_EQ(report["log_file"].text, "C:\\Tools\\DiziTarvix_Log.txt");
  EXPECT_EQ(report["errors"].items.size(), 0u);
}

// Known answer: the whole report of a run, byte for byte, as the tools that
// read reports (scripts/fleet-report among them) get it: UTF-8, fields in
// their order, two blanks of indentation, lines ending in CR LF.
TEST(ReportTest, AReportIsWrittenByteForByteAsKnown) {
  Machine m;
  m.platform.AddDirectory("C:\\Reports");
  m.platform.AddFile(std::string(kWindows) + "\\krt32.exe", "MZ");
  m.platform.SetOutput(kProgramCopies + "\\fservice.exe",
                       "fservice summary 1\n"
                       "hive\tS-1-5-21-1-2-3-1001\tloaded\tcleaned\t2\tgiven-back\t\n"
                       "end\t0\n");
  EXPECT_EQ(RunSilently(m.platform, m.recorded,
                        {.noReboot = true,
                         .reportPath = kReport,
                         .switches = {"/silent", "/noreboot", "/report:" + kReport}}),
            2);
  std::string expected = R"({
  "program": "DiziTarvix",
  "version": "2.5",
  "run_id": "20240517-142301-a1b2c3",
  "computer": "PC-042",
  "user": "Administrator",
  "windows": {
    "version": "5.1",
    "build": 0,
    "64_bit": false
  },
  "switches": [
    "/silent",
    "/noreboot",
    "/report:C:\\Reports\\PC-042.json"
  ],
  "started": "2024-05-17T16:23:01+02:00",
  "finished": "2024-05-17T16:23:03+02:00",
  "exit_code": 2,
  "result": "restart_needed",
  "after_restart": false,
  "follows": null,
  "found": [
    {
      "path": "C:\\WINDOWS\\krt32.exe",
      "real_path": "C:\\WINDOWS\\krt32.exe",
      "kind": "server",
      "outcome": "deleted",
      "sha256": "9b8db510ef42b8ed54a3712636fda55a4f8cfcd5493e20b74ab00cd4f3979f2d",
      "quarantine": "20240517-142301-01"
    }
  ],
  "repairs": [
    {
      "step": "task_manager",
      "ok": true
    },
    {
      "step": "registry_editor",
      "ok": true
    },
    {
      "step": "msconfig",
      "ok": true
    },
    {
      "step": "repair_program",
      "ok": true
    }
  ],
  "user_hives": [
    {
      "hive": "S-1-5-21-1-2-3-1001",
      "kind": "loaded",
      "done": "cleaned",
      "values_changed": 2,
      "tools_given_back": true,
      "tools": "given_back",
      "reason": null
    }
  ],
  "restart_scheduled": false,
  "follow_up": "startup_task",
  "log_file": "C:\\Tools\\DiziTarvix_Log.txt",
  "errors": []
}
)";
  for (std::size_t at = expected.find('\n'); at != std::string::npos;
       at = expected.find('\n', at + 2)) {
    expected.insert(at, "\r");
  }
  EXPECT_EQ(m.platform.Content(kReport), expected);
}

// What the repair program did in each user's hive, as it said it; a repair
// that did not finish makes the run incomplete and says why.
TEST(ReportTest, EachUsersHiveIsListedAndARepairNotFinishedMakesTheRunIncomplete) {
  Machine m;
  m.platform.AddDirectory("C:\\Reports");
  m.platform.AddFile(std::string(kWindows) + "\\krt32.exe");
  m.platform.SetExitCode(kProgramCopies + "\\fservice.exe", 1);
  m.platform.SetOutput(
      kProgramCopies + "\\fservice.exe",
      "fservice summary 1\n"
      "hive\tS-1-5-18\town\tnothing-found\t0\tnot-locked\t\n"
      "hive\tS-1-5-21-1-2-3-1001\tloaded\tcleaned\t3\tgiven-back\t\n"
      "hive\tS-1-5-21-1-2-3-1004\tloaded\tnothing-found\t0\tleft-locked\t\n"
      "failed\tcannot remove HKU\\S-1-5-21-1-2-3-1002\\Software\\Run value \"x\": Access is "
      "denied. (error 5)\n"
      "hive\tS-1-5-21-1-2-3-1002\tprofile\tincomplete\t0\tnot-given-back\t\n"
      "hive\tS-1-5-21-1-2-3-1003\tprofile\tskipped\t0\t-\tits NTUSER.DAT is in use "
      "(C:\\Users\\G\xFCnter)\n"
      "end\t1\n");
  EXPECT_EQ(RunSilently(m.platform, m.recorded, {false, kReport}), 3);
  const Json report = ReportOf(m);
  EXPECT_EQ(report["result"].text, "incomplete");
  std::vector<std::string> steps;
  for (const Json& step : report["repairs"].items) {
    steps.push_back(step["step"].text + (step["ok"].boolean ? " ok" : " failed"));
  }
  EXPECT_EQ(steps, (std::vector<std::string>{"task_manager ok", "registry_editor ok", "msconfig ok",
                                             "repair_program failed"}));
  std::vector<std::string> hives;
  for (const Json& hive : report["user_hives"].items) {
    EXPECT_EQ(hive.Keys(), (std::vector<std::string>{"hive", "kind", "done", "values_changed",
                                                     "tools_given_back", "tools", "reason"}));
    hives.push_back(hive["hive"].text + " " + hive["kind"].text + " " + hive["done"].text + " " +
                    std::to_string(static_cast<int>(hive["values_changed"].number)) + " " +
                    (hive["tools_given_back"].boolean ? "true " : "false ") + hive["tools"].text +
                    " " + (hive["reason"].kind == Json::Kind::Null ? "null" : hive["reason"].text));
  }
  EXPECT_EQ(hives, (std::vector<std::string>{
                       "S-1-5-18 own nothing_found 0 false not_locked null",
                       "S-1-5-21-1-2-3-1001 loaded cleaned 3 true given_back null",
                       "S-1-5-21-1-2-3-1004 loaded nothing_found 0 false left_locked null",
                       "S-1-5-21-1-2-3-1002 profile incomplete 0 false not_given_back null",
                       "S-1-5-21-1-2-3-1003 profile skipped 0 false not_looked_at its NTUSER.DAT "
                       "is in use (C:\\Users\\G\xC3\xBCnter)"}));
  EXPECT_EQ(
      Texts(report["errors"]),
      (std::vector<std::string>{
          "The repair did not finish: the repair program fservice.exe could not read, save "
          "or change everything it had to (exit code 1)",
          "The repair did not finish: fservice.exe: cannot remove "
          "HKU\\S-1-5-21-1-2-3-1002\\Software\\Run value \"x\": Access is denied. (error 5)"}));
}

TEST(ReportTest, OutcomesAndARestartHeldBackAreReportedAsTheyWere) {
  Machine m;
  m.platform.AddDirectory("C:\\Reports");
  const std::string held = std::string(kSystem) + "\\winkey.dll";
  m.platform.AddFile(held);
  m.platform.HoldOpen(held, "C:\\x\\holder.exe", true);
  EXPECT_EQ(RunSilently(m.platform, m.recorded, {.noReboot = true, .reportPath = kReport}), 2);
  const Json report = ReportOf(m);
  EXPECT_EQ(report["result"].text, "restart_needed");
  EXPECT_EQ(report["exit_code"].number, 2);
  EXPECT_EQ(report["found"].items[0]["outcome"].text, "deleted_at_restart");
  EXPECT_FALSE(report["restart_scheduled"].boolean);

  m.platform.FailDeleteAtRestart();
  EXPECT_EQ(RunSilently(m.platform, m.recorded, {.noReboot = true, .reportPath = kReport}), 3);
  EXPECT_EQ(ReportOf(m)["result"].text, "incomplete");
  EXPECT_EQ(ReportOf(m)["found"].items[0]["outcome"].text, "delete_by_hand");
}

TEST(ReportTest, AFileTheQuarantineCouldNotKeepHasNoDigestAndNoItem) {
  Machine m;
  m.platform.AddDirectory("C:\\Reports");
  const std::string locked = std::string(kWindows) + "\\krt32.exe";
  m.platform.AddFile(locked, "bytes another process keeps locked");
  m.platform.LockAgainstReading(locked);
  EXPECT_EQ(RunSilently(m.platform, m.recorded, {.reportPath = kReport}), 1);
  const Json& found = ReportOf(m)["found"].items.at(0);
  EXPECT_EQ(found["outcome"].text, "deleted");
  EXPECT_EQ(found["sha256"].kind, Json::Kind::Null);
  EXPECT_EQ(found["quarantine"].kind, Json::Kind::Null);
}

TEST(ReportTest, ARunThatCouldNotRunReportsWhyAndWhatItSkipped) {
  Machine m;
  m.platform.AddDirectory("C:\\Reports");
  m.platform.Delete("C:\\Tools\\fservice.exe");
  m.platform.MarkReadOnly("C:\\Tools");
  EXPECT_EQ(RunSilently(m.platform, m.recorded, {.reportPath = kReport}), 4);
  const Json report = ReportOf(m);
  EXPECT_EQ(report["result"].text, "cannot_run");
  EXPECT_EQ(report["exit_code"].number, 4);
  EXPECT_EQ(report["found"].items.size(), 0u);
  EXPECT_EQ(report["repairs"].items.size(), 0u);
  // Not beside the program: the computer's copy is the run's log.
  EXPECT_EQ(report["log_file"].text, kReportsFolder + "\\PC-042-" + kFirstRunId + ".log");
  EXPECT_EQ(Texts(report["errors"]),
            (std::vector<std::string>{
                "Missing file(s): C:\\Tools\\fservice.exe is missing or cannot be read. If you "
                "extracted the ZIP file content to a temp folder, please extract them somewhere "
                "else. Or you might downloaded the package with missing files. Please redownload "
                "it",
                "Saving Error: Somthing wrong happend, either disk space is full or you don't "
                "have the access to write files in within this accout. the program will not save "
                "any information sorry for this distribution"}));
}

// The engine's texts are in the system's ANSI code page (here Windows-1252);
// the report has them in UTF-8, whatever the bytes.
TEST(ReportTest, PathsBeyondAsciiAreWrittenAsUtf8) {
  Machine m("C:\\T\xE9\x63nico \x80");
  m.platform.SetWindowsDirectory("C:\\W\xCDND\xD8WS");
  m.platform.AddFile("C:\\W\xCDND\xD8WS\\krt32.exe");
  m.platform.AddFile("C:\\W\xCDND\xD8WS\\system32\\shutdown.exe");
  m.platform.SetComputerName("\xE6\xA1\x9C-PC");  // already UTF-8, as the system gives it
  m.platform.AddDirectory("C:\\Reports");
  RunSilently(m.platform, m.recorded, {.reportPath = kReport});
  const Json report = ReportOf(m);
  EXPECT_EQ(report["log_file"].text, "C:\\T\xC3\xA9\x63nico \xE2\x82\xAC\\DiziTarvix_Log.txt");
  EXPECT_EQ(report["found"].items.at(0)["path"].text, "C:\\W\xC3\x8DND\xC3\x98WS\\krt32.exe");
  EXPECT_EQ(report["computer"].text, "\xE6\xA1\x9C-PC");
}

TEST(ReportTest, TimesCarryTheirOffsetFromUtc) {
  EXPECT_EQ(IsoTime(LocalTime{2024, 1, 2, 3, 4, 5, 0}), "2024-01-02T03:04:05+00:00");
  EXPECT_EQ(IsoTime(LocalTime{2024, 12, 31, 23, 59, 59, -300}), "2024-12-31T23:59:59-05:00");
  EXPECT_EQ(IsoTime(LocalTime{2025, 6, 30, 8, 0, 0, 330}), "2025-06-30T08:00:00+05:30");
  EXPECT_EQ(IsoTime(LocalTime{2025, 6, 30, 8, 0, 0, -210}), "2025-06-30T08:00:00-03:30");
  // The same moments in UTC, across a year's end and a leap day.
  EXPECT_EQ(IsoTime(UtcOf({2024, 1, 1, 1, 30, 0, 120})), "2023-12-31T23:30:00Z");
  EXPECT_EQ(IsoTime(UtcOf({2024, 2, 28, 22, 0, 0, -300})), "2024-02-29T03:00:00Z");
  EXPECT_EQ(IsoTime(Later({2024, 12, 31, 23, 59, 59, 60}, 2)), "2025-01-01T00:00:01+01:00");
  // The fake's clock moves over midnight and the year's end with the pauses.
  Machine m;
  m.platform.AddDirectory("C:\\Reports");
  m.platform.SetClock({2024, 12, 31, 23, 59, 59, -300});
  RunSilently(m.platform, m.recorded, {.reportPath = kReport});
  EXPECT_EQ(ReportOf(m)["finished"].text, "2025-01-01T00:00:00-05:00");
}

TEST(ReportTest, AnEarlierReportIsReplacedInOneStepAndNothingElseIs) {
  Machine m;
  m.platform.AddDirectory("C:\\Reports");
  RunSilently(m.platform, m.recorded, {.reportPath = kReport});
  m.platform.AddFile(std::string(kSystem) + "\\kservice.exe");
  EXPECT_EQ(RunSilently(m.platform, m.recorded, {.reportPath = kReport}), 1);
  EXPECT_EQ(ReportOf(m)["result"].text, "removed");
  EXPECT_EQ(m.platform.FilesIn("C:\\Reports"), std::vector<std::string>{"PC-042.json"});

  // A folder that takes no new file: the old report stays, nothing is left.
  m.platform.MarkReadOnly("C:\\Reports");
  const Outcome refused = WriteReport(m.platform, kReport, "{}");
  EXPECT_FALSE(refused);
  EXPECT_EQ(refused.reason, "no new file can be made in the folder C:\\Reports");
  EXPECT_EQ(ReportOf(m)["result"].text, "removed");

  // At the root of a drive the new file is made in the root, not in the
  // drive's current folder.
  m.journal.Clear();
  EXPECT_TRUE(WriteReport(m.platform, "C:\\report.json", "{}"));
  EXPECT_EQ(m.journal.With("create-temporary ").at(0).rfind("C:\\ -> C:\\DTL", 0), 0u);
  EXPECT_EQ(WriteReport(m.platform, "C:\\Reports\\", "{}").reason, "it names no file");
}

}  // namespace
}  // namespace dizi::test
