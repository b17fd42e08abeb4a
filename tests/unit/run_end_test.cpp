// What every run leaves once its scan is over: its report and log kept on
// the computer (the newest 100 runs), its report in a drop folder, the
// registry marker, the event log entry, and the restart after all of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>

#include "fleet/run_end.h"
#include "fleet/silent_run.h"
#include "json_parse.h"
#include "report/run_marker.h"
#include "report/run_report.h"
#include "startup/startup_checks.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kServerFile = std::string(kWindows) + "\\krt32.exe";
const std::string kDrop = "C:\\Drop";
const std::string kStem = std::string("PC-042-") + kFirstRunId;
const std::string kKeptReport = kReportsFolder + "\\" + kStem + ".json";
const std::string kKeptLog = kReportsFolder + "\\" + kStem + ".log";
const std::string kLog = "C:\\Tools\\DiziTarvix_Log.txt";

Json Parsed(const std::string& text) {
  const std::optional<Json> parsed = JsonParser::Parse(text);
  EXPECT_TRUE(parsed) << text;
  return parsed.value_or(Json{});
}

std::vector<std::string> Errors(const Json& report) {
  std::vector<std::string> errors;
  for (const Json& error : report["errors"].items) {
    errors.push_back(error.text);
  }
  return errors;
}

int RunOn(Machine& m, SilentOptions options = {}) {
  return RunSilently(m.platform, m.recorded, options);
}

// The journal's entries that leave something behind: files written, values
// set, events, programs started.
bool Writes(const std::string& entry) {
  for (const char* kind :
       {"write ", "close ", "replace ", "append ", "create-new ", "create-temporary ", "copy",
        "registry ", "event ", "start ", "delete"}) {
    if (entry.rfind(kind, 0) == 0) {
      return true;
    }
  }
  return false;
}

// In the window and without one, the restart command is the last thing the
// run starts or writes: the log, both reports, the marker and the event are
// all complete before it.
TEST(RunEndTest, TheRestartIsStartedAfterEverythingTheRunWrites) {
  for (const bool window : {false, true}) {
    SCOPED_TRACE(window ? "a scan in the window" : "a run without a window");
    Machine m;
    m.platform.AddDirectory(kDrop);
    m.platform.AddFile(kServerFile);
    if (window) {
      RunStartupChecks(m.platform, m.paths, m.recorded, m.context.Companions);
      RunWindowScan(m.context, m.scanView);
    } else {
      EXPECT_EQ(RunOn(m, {.reportPath = kDrop + "\\"}), 1);
    }
    const Texts& entries = m.journal.Entries();
    const auto restart =
        std::find(entries.begin(), entries.end(), std::string("start ") + kRestartCommand);
    ASSERT_NE(restart, entries.end());
    EXPECT_EQ(std::find_if(restart + 1, entries.end(), Writes), entries.end());
    // Among what came before: the log beside the program, the computer's own
    // report and log, the marker and the event.
    const Texts before(entries.begin(), restart);
    const auto wrote = [&](const std::string& entry) {
      return std::find(before.begin(), before.end(), entry) != before.end();
    };
    EXPECT_TRUE(wrote("close " + kKeptReport + " -> ok"));
    EXPECT_TRUE(wrote("close " + kKeptLog + " -> ok"));
    EXPECT_TRUE(wrote("event DiziTarvix information 1001 -> ok"));
    EXPECT_TRUE(wrote("registry HKLM\\SOFTWARE\\DiziTarvix LastExitCode = number 1 -> ok"));
    if (!window) {
      EXPECT_TRUE(wrote("close " + kDrop + "\\" + kStem + ".json -> ok"));
    }
    EXPECT_EQ(m.platform.Content(kKeptLog), m.platform.Content(kLog));
    EXPECT_TRUE(m.platform.RestartSurelyPending());
  }
}

TEST(RunEndTest, EveryRunKeepsItsReportAndLogOnTheComputer) {
  Machine m;
  EXPECT_EQ(RunOn(m), 0);
  EXPECT_TRUE(m.platform.IsProtectedDirectory(kReportsFolder));
  const Json first = Parsed(m.platform.Content(kKeptReport));
  EXPECT_EQ(first["run_id"].text, kFirstRunId);
  EXPECT_EQ(first["result"].text, "clean");
  EXPECT_EQ(m.platform.Content(kKeptLog), m.platform.Content(kLog));

  // The next run has an id of its own, and its files are new: the first
  // run's are left as they were.
  const std::string firstText = m.platform.Content(kKeptReport);
  m.platform.AddFile("C:\\WINDOWS\\system32\\kservice.exe");
  EXPECT_EQ(RunOn(m), 1);
  EXPECT_EQ(m.platform.Content(kKeptReport), firstText);
  const std::string second = kReportsFolder + "\\PC-042-20240517-142302-a1b2c4.json";
  EXPECT_EQ(Parsed(m.platform.Content(second))["result"].text, "removed");
  EXPECT_EQ(m.platform.FilesIn(kReportsFolder).size(), 4u);
}

// Run from a folder it cannot write to (a read-only share): the computer's
// copy of the log is the run's log, and nothing counts as unwritten.
TEST(RunEndTest, ALogThatCannotBeSavedBesideTheProgramIsTheComputersCopy) {
  Machine m;
  m.platform.MarkReadOnly("C:\\Tools");
  m.platform.AddFile(kServerFile);
  EXPECT_EQ(RunOn(m), 1);
  EXPECT_FALSE(m.platform.HasFile(kLog));
  const Json report = Parsed(m.platform.Content(kKeptReport));
  EXPECT_EQ(report["log_file"].text, kKeptLog);
  EXPECT_EQ(report["exit_code"].number, 1);
  const std::string log = m.platform.Content(kKeptLog);
  EXPECT_NE(log.find("[ EUW | WWW.EXAMPLE.ORG ]\r\n"), std::string::npos);
  EXPECT_NE(log.find("  The log is kept on this computer instead: " + kKeptLog + "\r\n"),
            std::string::npos);
  EXPECT_EQ(m.Started().back(), kRestartCommand);
}

// In the window, what the end of the run could not leave where it should is
// said in lines of their own, in the log and in the list's tree.
TEST(RunEndTest, WhatTheRunCouldNotLeaveIsSaidInLinesOfTheirOwn) {
  Machine m;
  m.platform.AddDirectory(kReportsFolder);
  m.platform.MarkReparsePoint(kReportsFolder);
  m.platform.FailRenames(kReportsFolder);
  m.platform.FailEvents();
  RunStartupChecks(m.platform, m.paths, m.recorded, m.context.Companions);
  RunWindowScan(m.context, m.scanView);
  const Texts lines = m.logView.Items();
  const std::string notKept =
      "  The log could not be kept on this computer in " + kReportsFolder + ": ";
  const std::string noEvent = "  The run could not be noted in the Application event log: ";
  const auto starting = [&](const std::string& start) {
    return std::find_if(lines.begin(), lines.end(),
                        [&](const std::string& line) { return line.rfind(start, 0) == 0; });
  };
  ASSERT_NE(starting(notKept), lines.end());
  ASSERT_NE(starting(noEvent), lines.end());
  const std::string log = m.platform.Content(kLog);
  EXPECT_NE(log.find(*starting(notKept) + "\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(*starting(noEvent) + "\r\n"), std::string::npos) << log;
  const Texts outline = m.logView.Outline();
  for (const std::string& line : {*starting(notKept), *starting(noEvent)}) {
    EXPECT_NE(std::find(outline.begin(), outline.end(), "[" + line + "]"), outline.end()) << line;
  }

  // Run from a folder it cannot write to, the log's place is said likewise.
  Machine readOnly;
  readOnly.platform.MarkReadOnly("C:\\Tools");
  RunStartupChecks(readOnly.platform, readOnly.paths, readOnly.recorded,
                   readOnly.context.Companions);
  RunWindowScan(readOnly.context, readOnly.scanView);
  const std::string instead = "  The log is kept on this computer instead: " + kKeptLog;
  const Texts shown = readOnly.logView.Outline();
  EXPECT_NE(std::find(shown.begin(), shown.end(), "[" + instead + "]"), shown.end());
  EXPECT_NE(readOnly.platform.Content(kKeptLog).find(instead + "\r\n"), std::string::npos);
}

TEST(RunEndTest, OnlyTheNewestHundredRunsAreKeptAndNothingElseIsTouched) {
  Machine m;
  m.platform.AddDirectory(kReportsFolder);
  m.platform.SetFolderOwner(kReportsFolder, kAdministratorsSid);
  m.platform.SetFolderAccess(kReportsFolder, FakePlatform::ProtectedAccess());
  // 120 earlier runs, a report and a log each, one an hour; and what the
  // program did not write there.
  Texts earlier;
  for (int run = 0; run < 120; ++run) {
    char id[32];
    std::snprintf(id, sizeof id, "202401%02d-%02d0000-00000%x", 1 + run / 24, run % 24, run % 16);
    earlier.push_back(id);
    m.platform.AddFile(kReportsFolder + "\\PC-042-" + id + ".json", "report");
    m.platform.AddFile(kReportsFolder + "\\PC-042-" + id + ".log", "log");
  }
  const Texts foreign = {"notes.txt", "PC-042-old.json", "20240101-000000-000000.txt",
                         "PC-042-20240101-000000-00000G.json"};
  for (const std::string& name : foreign) {
    m.platform.AddFile(kReportsFolder + "\\" + name, "not the program's");
  }
  EXPECT_EQ(RunOn(m), 0);

  // 99 earlier runs and this one: the 21 oldest are gone, report and log.
  for (std::size_t run = 0; run < earlier.size(); ++run) {
    const bool kept = run >= 21;
    EXPECT_EQ(m.platform.HasFile(kReportsFolder + "\\PC-042-" + earlier[run] + ".json"), kept)
        << earlier[run];
    EXPECT_EQ(m.platform.HasFile(kReportsFolder + "\\PC-042-" + earlier[run] + ".log"), kept)
        << earlier[run];
  }
  EXPECT_TRUE(m.platform.HasFile(kKeptReport));
  EXPECT_TRUE(m.platform.HasFile(kKeptLog));
  for (const std::string& name : foreign) {
    EXPECT_EQ(m.platform.Content(kReportsFolder + "\\" + name), "not the program's") << name;
  }
}

// A drop folder where the computers may only make files: each run makes one
// new file there, named for the computer and the run, and never reads,
// replaces or deletes one.
TEST(RunEndTest, AReportFolderGetsANewFileForEveryRun) {
  Machine m;
  m.platform.AddDirectory(kDrop);
  m.platform.SetComputerName("PC 42/\xC3\xBC");  // UTF-8, as the system gives it
  EXPECT_EQ(RunOn(m, {.reportPath = kDrop + "\\"}), 0);
  EXPECT_EQ(RunOn(m, {.reportPath = kDrop + "\\"}), 0);
  const Texts names = m.platform.FilesIn(kDrop);
  EXPECT_EQ(names,
            (Texts{"PC_42__-20240517-142301-a1b2c3.json", "PC_42__-20240517-142302-a1b2c4.json"}));
  for (const std::string& entry : m.journal.Entries()) {
    if (entry.find(kDrop + "\\") != std::string::npos) {
      EXPECT_TRUE(entry.rfind("create-new ", 0) == 0 || entry.rfind("write ", 0) == 0 ||
                  entry.rfind("close ", 0) == 0)
          << entry;
    }
  }
  EXPECT_EQ(Parsed(m.platform.Content(kDrop + "\\" + names[1]))["run_id"].text,
            "20240517-142302-a1b2c4");
}

// The share cannot be reached: the report is still on the computer, and it
// says both that the restart is coming and that the share's copy is missing.
TEST(RunEndTest, AReportThatCannotReachTheShareStaysOnTheComputerAndSaysBoth) {
  Machine m;
  m.platform.AddDirectory(kDrop);
  m.platform.MarkReadOnly(kDrop);
  m.platform.AddFile(kServerFile);
  EXPECT_EQ(RunOn(m, {.reportPath = kDrop + "\\"}), 7);
  const Json kept = Parsed(m.platform.Content(kKeptReport));
  EXPECT_EQ(kept["exit_code"].number, 7);
  EXPECT_EQ(kept["result"].text, "removed");
  EXPECT_TRUE(kept["restart_scheduled"].boolean);
  const std::string why = "The report could not be written to " + kDrop + "\\" + kStem +
                          ".json: Access is denied. (error 5)";
  EXPECT_EQ(Errors(kept), Texts{why});
  EXPECT_EQ(m.platform.Content(kLog).find("  " + why + "\r\n") != std::string::npos, true);
  EXPECT_EQ(m.Started().back(), kRestartCommand);

  // A file of that name already there is never replaced.
  Machine taken;
  taken.platform.AddFile(kDrop + "\\" + kStem + ".json", "someone else's");
  EXPECT_EQ(RunOn(taken, {.reportPath = kDrop + "\\"}), 7);
  EXPECT_EQ(taken.platform.Content(kDrop + "\\" + kStem + ".json"), "someone else's");
  EXPECT_EQ(Errors(Parsed(taken.platform.Content(kKeptReport))),
            Texts{"The report could not be written to " + kDrop + "\\" + kStem +
                  ".json: a file of that name is there already"});
}

// A Reports folder that cannot be used (a link, and it cannot be set aside)
// keeps no copy: the report on the share says so, and so does the code.
TEST(RunEndTest, AComputerThatCannotKeepTheReportSaysSoOnTheShare) {
  Machine m;
  m.platform.AddDirectory(kDrop);
  m.platform.AddDirectory(kReportsFolder);
  m.platform.MarkReparsePoint(kReportsFolder);
  m.platform.FailRenames(kReportsFolder);
  EXPECT_EQ(RunOn(m, {.reportPath = kDrop + "\\"}), 7);
  const Json shared = Parsed(m.platform.Content(kDrop + "\\" + kStem + ".json"));
  ASSERT_EQ(Errors(shared).size(), 1u);
  EXPECT_EQ(Errors(shared)[0].rfind(
                "The report could not be kept on this computer in " + kReportsFolder + ": ", 0),
            0u)
      << Errors(shared)[0];
  EXPECT_EQ(shared["exit_code"].number, 7);
}

TEST(RunEndTest, TheMarkerSaysHowTheLastRunEnded) {
  Machine m;
  m.platform.AddFile(kServerFile);
  EXPECT_EQ(RunOn(m), 1);
  const auto value = [&](const char* name) {
    return m.platform.RegistryValueOf(RegistryRoot::LocalMachine, "SOFTWARE\\DiziTarvix", name);
  };
  EXPECT_EQ(value("Version"), RegistryValue::Text("2.5"));
  EXPECT_EQ(value("LastRunUtc"), RegistryValue::Text("2024-05-17T14:23:01Z"));
  EXPECT_EQ(value("LastResult"), RegistryValue::Text("removed"));
  EXPECT_EQ(value("LastExitCode"), RegistryValue::Number(1));
  EXPECT_EQ(value("LastRunId"), RegistryValue::Text(kFirstRunId));

  // A scan in the window leaves it too.
  RunWindowScan(m.context, m.scanView);
  EXPECT_EQ(value("LastResult"), RegistryValue::Text("clean"));
  EXPECT_EQ(value("LastExitCode"), RegistryValue::Number(0));
  EXPECT_NE(value("LastRunId"), RegistryValue::Text(kFirstRunId));
}

TEST(RunEndTest, OneEventLogEntryPerRunUnderTheProgramsOwnSource) {
  Machine m;
  m.platform.AddFile(kServerFile);
  EXPECT_EQ(RunOn(m, {.noReboot = true}), 2);
  ASSERT_EQ(m.platform.Events().size(), 1u);
  const FakePlatform::Event& event = m.platform.Events()[0];
  EXPECT_EQ(event.source, "DiziTarvix");
  EXPECT_EQ(event.kind, EventKind::Warning);
  EXPECT_EQ(event.id, 1002u);
  EXPECT_EQ(event.texts, (Texts{kFirstRunId, "2", kKeptReport, ""}));
  // Its messages are in the program's own verified copy in the data tree.
  const std::string key = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\DiziTarvix";
  EXPECT_EQ(m.platform.RegistryValueOf(RegistryRoot::LocalMachine, key, "EventMessageFile"),
            RegistryValue::ExpandableText(kProgramCopies + "\\DiziTarvix.exe"));
  EXPECT_EQ(m.platform.RegistryValueOf(RegistryRoot::LocalMachine, key, "TypesSupported"),
            RegistryValue::Number(7));

  // A run that cannot write the log: still one entry, with the code it ends with.
  Machine stopped;
  stopped.platform.Delete("C:\\Tools\\kill.exe");
  EXPECT_EQ(RunOn(stopped), 4);
  ASSERT_EQ(stopped.platform.Events().size(), 1u);
  EXPECT_EQ(stopped.platform.Events()[0].id, 1004u);
  EXPECT_EQ(stopped.platform.Events()[0].kind, EventKind::Error);
}

// Every result has its message in the table compiled into the program.
TEST(RunEndTest, EveryResultsEventIdHasItsMessage) {
  std::ifstream file(DIZI_SOURCE_DIR "/app/messages.mc", std::ios::binary);
  ASSERT_TRUE(file.is_open());
  const std::string table((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  std::set<unsigned> inTable;
  for (std::size_t at = table.find("\nMessageId="); at != std::string::npos;
       at = table.find("\nMessageId=", at + 1)) {
    inTable.insert(static_cast<unsigned>(std::stoul(table.substr(at + 11))));
  }
  std::set<unsigned> used;
  for (const Verdict verdict :
       {Verdict::Clean, Verdict::Removed, Verdict::RestartNeeded, Verdict::Incomplete,
        Verdict::CannotRun, Verdict::Returned, Verdict::Found}) {
    used.insert(EventIdOf(verdict));
  }
  EXPECT_EQ(used.size(), 7u);
  EXPECT_EQ(inTable, used);
}

// The command could not be started after everything was written: no restart
// is coming, so everything is written again, saying so.
TEST(RunEndTest, ARestartThatCannotStartHasEverythingWrittenAgain) {
  Machine m;
  m.platform.AddDirectory(kDrop);
  m.platform.AddFile(kServerFile);
  m.platform.FailStarts(std::string(kSystem) + "\\shutdown.exe");
  EXPECT_EQ(RunOn(m, {.reportPath = kDrop + "\\"}), 2);
  const Json kept = Parsed(m.platform.Content(kKeptReport));
  EXPECT_EQ(kept["exit_code"].number, 2);
  EXPECT_EQ(kept["result"].text, "restart_needed");
  EXPECT_FALSE(kept["restart_scheduled"].boolean);
  // The drop folder's first file stays as it was: a second one follows it.
  EXPECT_TRUE(
      Parsed(m.platform.Content(kDrop + "\\" + kStem + ".json"))["restart_scheduled"].boolean);
  EXPECT_FALSE(
      Parsed(m.platform.Content(kDrop + "\\" + kStem + "-2.json"))["restart_scheduled"].boolean);
  EXPECT_NE(m.platform.Content(kLog).find(
                "   -> The restart could not be started. Restart the computer yourself to "
                "finish.\r\n"),
            std::string::npos);
  EXPECT_EQ(m.platform.Content(kKeptLog), m.platform.Content(kLog));
  EXPECT_EQ(m.platform.RegistryValueOf(RegistryRoot::LocalMachine, "SOFTWARE\\DiziTarvix",
                                       "LastExitCode"),
            RegistryValue::Number(2));
  ASSERT_EQ(m.platform.Events().size(), 2u);
  EXPECT_EQ(m.platform.Events()[1].id, 1002u);
}

TEST(RunEndTest, WithoutTheShutdownToolNoRestartIsAskedFor) {
  Machine m;
  m.platform.AddFile(kServerFile);
  m.platform.Delete(std::string(kSystem) + "\\shutdown.exe");
  EXPECT_EQ(RunOn(m), 2);
  EXPECT_FALSE(Parsed(m.platform.Content(kKeptReport))["restart_scheduled"].boolean);
  EXPECT_NE(
      m.platform.Content(kLog).find("   -> The restart cannot be started: " + std::string(kSystem) +
                                    "\\shutdown.exe is missing. Restart the computer "
                                    "yourself to finish.\r\n"),
      std::string::npos);
  const Texts started = m.Started();
  EXPECT_EQ(std::count(started.begin(), started.end(), kRestartCommand), 0);
}

}  // namespace
}  // namespace dizi::test
