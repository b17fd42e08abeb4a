// A scan that only looks (/scanonly): it finds and reports every kind of find
// exactly as a scan would, and changes nothing on the machine.
#include <gtest/gtest.h>

#include <algorithm>

#include "fleet/silent_run.h"
#include "json_parse.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Texts = std::vector<std::string>;

const std::string kReport = "C:\\Reports\\scan.json";
const std::string kQuarantine =
    "C:\\Documents and Settings\\All Users\\Application Data\\DiziTarvix\\Quarantine";
const std::string kServerFile = std::string(kWindows) + "\\krt32.exe";
const std::string kDownloaderFile = std::string(kSystem) + "\\kservice.exe";
const std::string kHeldFile = std::string(kSystem) + "\\winkey.dll";
const std::string kLockedFile = std::string(kWindows) + "\\Pplugin1.dll";

TEST(ScanOnlyTest, EveryKindOfFindIsReportedAndNothingIsChanged) {
  Machine m;
  m.platform.SetWow64(true);
  m.platform.AddDirectory("C:\\Reports");
  const Texts planted = {kServerFile, kDownloaderFile, kHeldFile, kLockedFile};
  for (const std::string& path : planted) {
    m.platform.AddFile(path, "bytes of " + path);
  }
  m.platform.HoldOpen(kHeldFile, kHeldFile, /*survivesKills=*/false);
  m.platform.LockAgainstReading(kLockedFile);
  m.platform.RunProcess(kServerFile);
  EXPECT_EQ(RunSilently(m.platform, m.recorded, {.reportPath = kReport, .scanOnly = true}), 8);

  // Nothing started, deleted, kept or scheduled; every file and process as
  // it was; no registry value but the program's own marker and event source.
  EXPECT_TRUE(m.Started().empty());
  EXPECT_TRUE(m.Deletes().empty());
  EXPECT_TRUE(m.platform.PendingRestartDeletes().empty());
  for (const std::string& path : planted) {
    EXPECT_EQ(m.platform.Content(path), "bytes of " + path) << path;
  }
  EXPECT_TRUE(m.platform.IsRunning(kServerFile));
  EXPECT_TRUE(m.platform.FilesIn(kQuarantine).empty());
  EXPECT_FALSE(m.platform.HasFile(std::string(kSystem) + "\\msconfig.exe"));
  for (const std::string& value : m.journal.With("registry ")) {
    EXPECT_TRUE(value.rfind("HKLM\\SOFTWARE\\DiziTarvix ", 0) == 0 ||
                value.rfind("HKLM\\SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\"
                            "DiziTarvix ",
                            0) == 0)
        << value;
  }

  const std::optional<Json> report = JsonParser::Parse(m.platform.Content(kReport));
  ASSERT_TRUE(report);
  EXPECT_EQ((*report)["result"].text, "found");
  EXPECT_EQ((*report)["exit_code"].number, 8);
  EXPECT_FALSE((*report)["restart_scheduled"].boolean);
  EXPECT_EQ((*report)["follow_up"].kind, Json::Kind::Null);
  EXPECT_TRUE((*report)["repairs"].items.empty());
  std::vector<std::pair<std::string, std::string>> found;
  for (const Json& file : (*report)["found"].items) {
    EXPECT_EQ(file["outcome"].text, "found") << file["path"].text;
    EXPECT_EQ(file["quarantine"].kind, Json::Kind::Null);
    found.emplace_back(file["path"].text, file["real_path"].text);
  }
  // Found as a scan finds them, where they really lie on 64-bit Windows.
  EXPECT_EQ(found, (std::vector<std::pair<std::string, std::string>>{
                       {kServerFile, kServerFile},
                       {kLockedFile, kLockedFile},
                       {kHeldFile, "C:\\WINDOWS\\SysWOW64\\winkey.dll"},
                       {kDownloaderFile, "C:\\WINDOWS\\SysWOW64\\kservice.exe"}}));

  // One server pass: nothing it leaves could be gone by a second one.
  const Texts log = FileLines(m.platform.Content("C:\\Tools\\DiziTarvix_Log.txt"));
  EXPECT_EQ(log[0], "  Scan only: Diri Tarvix looks for Tarvix and changes nothing.");
  EXPECT_EQ(std::count(log.begin(), log.end(), "  Scanning for Tarvix Server... *Start*"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "   => Scan only: it was left as it is."), 4);
  EXPECT_EQ(std::count(log.begin(), log.end(), "   +-> path: " + kHeldFile), 1);
}

TEST(ScanOnlyTest, ACleanMachineEndsWithZeroAndOlderWindowsGetNoKillTool) {
  Machine m;
  m.platform.SetVersion({5, 0});
  EXPECT_EQ(RunSilently(m.platform, m.recorded, {.scanOnly = true}), 0);
  EXPECT_FALSE(m.platform.HasFile(std::string(kWindows) + "\\kill.exe"));
  // The marker is the program's own: detection rules read it after this run too.
  EXPECT_EQ(
      m.platform.RegistryValueOf(RegistryRoot::LocalMachine, "SOFTWARE\\DiziTarvix", "LastResult"),
      RegistryValue::Text("clean"));
}

}  // namespace
}  // namespace dizi::test
