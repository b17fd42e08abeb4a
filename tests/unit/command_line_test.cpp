// The program's command line: no arguments keep the window; the switches of a
// run without one are read in any case and either form; anything else is a
// bad command line, and /silent anywhere keeps it from being shown in a box.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/command_line.h"
#include "app/usage_text.h"
#include "places/data_tree_names.h"
#include "places/outside_tools.h"
#include "places/system_paths.h"
#include "report/exit_code.h"
#include "report/report_store.h"
#include "scan/follow_up.h"

namespace dizi {
namespace {

constexpr char kProgram[] = "C:\\Program Files\\Dizi Tarvix\\DiziTarvix.exe";

CommandLine Parse(const std::string& arguments) {
  return ParseCommandLine("\"" + std::string(kProgram) + "\" " + arguments, kProgram);
}

TEST(CommandLineTest, NoArgumentsIsTheWindowHoweverTheProgramIsNamed) {
  for (const std::string& line :
       {std::string("\"") + kProgram + "\"", std::string("\"") + kProgram + "\"   \t",
        std::string(kProgram), std::string(kProgram) + " ", std::string("DiziTarvix.exe"),
        std::string("c:\\PROGRAM FILES\\dizi tarvix\\DIZITARVIX.EXE")}) {
    const CommandLine parsed = ParseCommandLine(line, kProgram);
    EXPECT_EQ(parsed.mode, StartMode::Window) << line;
  }
}

TEST(CommandLineTest, TheSwitchesOfARunWithoutAWindow) {
  const CommandLine plain = Parse("/silent");
  EXPECT_EQ(plain.mode, StartMode::Silent);
  EXPECT_FALSE(plain.silent.noReboot);
  EXPECT_EQ(plain.silent.reportPath, "");

  for (const char* line : {"/silent /noreboot /report:\\\\server\\share\\PC-042.json",
                           "-SILENT -NoReboot -Report:\\\\server\\share\\PC-042.json",
                           "/report:\\\\server\\share\\PC-042.json /Silent -noreboot",
                           "/silent /noreboot \"/report:\\\\server\\share\\PC-042.json\""}) {
    const CommandLine parsed = Parse(line);
    EXPECT_EQ(parsed.mode, StartMode::Silent) << line;
    EXPECT_TRUE(parsed.silentSwitch) << line;
    EXPECT_TRUE(parsed.silent.noReboot) << line;
    EXPECT_EQ(parsed.silent.reportPath, "\\\\server\\share\\PC-042.json") << line;
  }
  // The value keeps its case and its blanks, quoted either way.
  EXPECT_EQ(Parse("/silent /report:\"C:\\My Reports\\A b.json\"").silent.reportPath,
            "C:\\My Reports\\A b.json");
  EXPECT_EQ(Parse("/silent \"/report:C:\\My Reports\\A b.json\"").silent.reportPath,
            "C:\\My Reports\\A b.json");
  EXPECT_EQ(Parse("/silent /report:r.json").silent.reportPath, "r.json");
}

TEST(CommandLineTest, ScanOnlyAfterRestartAndAReportFolder) {
  const CommandLine scanOnly = Parse("/silent /scanonly /report:\\\\server\\drop\\");
  EXPECT_EQ(scanOnly.mode, StartMode::Silent);
  EXPECT_TRUE(scanOnly.silent.scanOnly);
  EXPECT_FALSE(scanOnly.silent.afterRestart);
  // A path ending in a backslash names a folder, kept as given.
  EXPECT_EQ(scanOnly.silent.reportPath, "\\\\server\\drop\\");
  // The switches as given, for the report.
  EXPECT_EQ(scanOnly.silent.switches,
            (std::vector<std::string>{"/silent", "/scanonly", "/report:\\\\server\\drop\\"}));

  // As the start-up task gives it, and by hand without a run id.
  const CommandLine task =
      Parse("/silent /report:\\\\server\\drop\\ /afterrestart:20240517-142301-a1b2c3");
  EXPECT_EQ(task.mode, StartMode::Silent);
  EXPECT_TRUE(task.silentSwitch);
  EXPECT_TRUE(task.silent.afterRestart);
  EXPECT_EQ(task.silent.follows, "20240517-142301-a1b2c3");
  // Without /silent (from RunOnce, or typed), it is still a run without a
  // window, which ends with a box.
  const CommandLine byHand = Parse("-AfterRestart");
  EXPECT_EQ(byHand.mode, StartMode::Silent);
  EXPECT_FALSE(byHand.silentSwitch);
  EXPECT_TRUE(byHand.silent.afterRestart);
  EXPECT_EQ(byHand.silent.follows, "");
  EXPECT_EQ(Parse("/afterrestart /report:r.json").mode, StartMode::Silent);
  EXPECT_FALSE(Parse("/silent /noreboot").silent.afterRestart);
}

// What a run arranges for after its restart is read back as it was meant:
// the task scheduler's tool gets the command as one argument, and the
// program started by it gets its switches.
TEST(CommandLineTest, TheFollowUpsCommandLineComesBackAsItWasMeant) {
  SystemPaths paths;
  paths.SystemDir = "C:\\WINDOWS\\system32";
  paths.ProgramCopy =
      "C:\\Documents and Settings\\All Users\\Application Data\\DiziTarvix\\Program\\"
      "DiziTarvix.exe";
  const FollowUpPlan plan =
      PlanFollowUp(paths, "20240517-142301-a1b2c3", FollowUp::StartupTask, "\\\\server\\drop\\");
  const Command task = MakeStartupTaskCommand(paths, plan.commandLine, false);
  const std::vector<std::string> toTheTool = SplitArguments(task.commandLine, task.application);
  EXPECT_EQ(toTheTool, (std::vector<std::string>{"/create", "/tn", "DiziTarvix after restart",
                                                 "/sc", "onstart", "/ru", "SYSTEM", "/tr",
                                                 plan.commandLine, "/rl", "highest", "/f"}));
  const CommandLine started = ParseCommandLine(plan.commandLine, paths.ProgramCopy);
  EXPECT_EQ(started.mode, StartMode::Silent);
  EXPECT_TRUE(started.silentSwitch);
  EXPECT_TRUE(started.silent.afterRestart);
  EXPECT_EQ(started.silent.follows, "20240517-142301-a1b2c3");
  EXPECT_EQ(started.silent.reportPath, "\\\\server\\drop\\");
}

TEST(CommandLineTest, UsageIsAskedForWithEitherSwitch) {
  for (const char* line : {"/?", "-?", "/help", "-HELP", "/Help"}) {
    const CommandLine parsed = Parse(line);
    EXPECT_EQ(parsed.mode, StartMode::Usage) << line;
    EXPECT_FALSE(parsed.silentSwitch) << line;
  }
  const CommandLine silent = Parse("/silent /?");
  EXPECT_EQ(silent.mode, StartMode::Usage);
  EXPECT_TRUE(silent.silentSwitch);
}

TEST(CommandLineTest, RestoreTakesAllOrAnItemsId) {
  for (const char* line : {"/restore:all", "-RESTORE:All", "/silent /restore:ALL"}) {
    const CommandLine parsed = Parse(line);
    EXPECT_EQ(parsed.mode, StartMode::Restore) << line;
    EXPECT_EQ(parsed.restoreId, std::nullopt) << line;
  }
  const CommandLine one = Parse("/restore:20240517-142301-01");
  EXPECT_EQ(one.mode, StartMode::Restore);
  EXPECT_EQ(one.restoreId, std::optional<std::string>("20240517-142301-01"));
  EXPECT_FALSE(one.silentSwitch);
  EXPECT_EQ(Parse("/restore:all /?").mode, StartMode::Usage);
}

TEST(CommandLineTest, BadCommandLinesSayWhatIsWrong) {
  const std::string kReportNeedsAPath =
      "/report needs the report file's path or a folder's: /report:<file> or /report:<folder>\\";
  const std::string kNoRunId =
      "/afterrestart:<run id> takes a run id such as 20240517-142301-a1b2c3: ";
  const struct {
    const char* arguments;
    std::string problem;
  } cases[] = {
      {"/silnet", "unknown argument /silnet"},
      {"scan", "unknown argument scan"},
      {"C:\\some\\file.txt", "unknown argument C:\\some\\file.txt"},
      {"/", "unknown argument /"},
      {"-", "unknown argument -"},
      {"--silent", "unknown argument --silent"},
      {"/restore", "/restore needs what to restore: /restore:all or /restore:<id>"},
      {"/restore:", "/restore needs what to restore: /restore:all or /restore:<id>"},
      {"/restore:all /noreboot", "/restore goes with no other switch but /silent"},
      {"/restore:all /report:x.json", "/restore goes with no other switch but /silent"},
      {"/restore:all /scanonly", "/restore goes with no other switch but /silent"},
      {"/restore:all /afterrestart", "/restore goes with no other switch but /silent"},
      {"/restore:all /restore:x", "/restore:x is given more than once"},
      {"/silent:yes", "/silent:yes: the switch takes no value"},
      {"/silent /noreboot:1", "/noreboot:1: the switch takes no value"},
      {"/?:x", "/?:x: the switch takes no value"},
      {"/silent /report", kReportNeedsAPath},
      {"/silent /report:", kReportNeedsAPath},
      {"/silent /report:\"\"", kReportNeedsAPath},
      {"/silent /report:C:",
       "/report: names no file and no folder: C: (a folder ends in a backslash)"},
      {"/silent /report:C:\\Reports/",
       "/report: names no file and no folder: C:\\Reports/ (a folder ends in a backslash)"},
      {"/silent /scanonly /afterrestart",
       "/scanonly changes nothing and /afterrestart removes: give one of them"},
      {"/scanonly", "/scanonly goes with /silent"},
      {"/afterrestart /scanonly:1", "/scanonly:1: the switch takes no value"},
      {"/silent /afterrestart:20240517-142301", kNoRunId + std::string("20240517-142301")},
      {"/silent /afterrestart:20240517-142301-A1B2C3",
       kNoRunId + std::string("20240517-142301-A1B2C3")},
      {"/silent /afterrestart:..\\..\\x", kNoRunId + std::string("..\\..\\x")},
      {"/afterrestart:", kNoRunId},
      {"/afterrestart /afterrestart:20240517-142301-a1b2c3",
       "/afterrestart:20240517-142301-a1b2c3 is given more than once"},
      {"/silent /silent", "/silent is given more than once"},
      {"/silent /report:a.json /report:b.json", "/report:b.json is given more than once"},
      {"/? /help", "/help is given more than once"},
      {"/noreboot", "/noreboot and /report go with /silent or /afterrestart"},
      {"/report:x.json", "/noreboot and /report go with /silent or /afterrestart"},
      {"/bogus /silent", "unknown argument /bogus"},
      {"/? /bogus", "unknown argument /bogus"},
  };
  for (const auto& c : cases) {
    const CommandLine parsed = Parse(c.arguments);
    EXPECT_EQ(parsed.mode, StartMode::BadCommandLine) << c.arguments;
    EXPECT_EQ(parsed.problem, c.problem) << c.arguments;
  }
  // /silent anywhere means no box, even when the command line is wrong.
  EXPECT_TRUE(Parse("/bogus /silent").silentSwitch);
  EXPECT_TRUE(Parse("/silent /report").silentSwitch);
  EXPECT_FALSE(Parse("/silnet").silentSwitch);
}

TEST(CommandLineTest, ArgumentsAreSplitAsTheCRuntimeSplitsThem) {
  const auto split = [](const std::string& arguments) {
    return SplitArguments("prog.exe " + arguments, "C:\\prog.exe");
  };
  using Words = std::vector<std::string>;
  EXPECT_EQ(split("a  b\tc"), (Words{"a", "b", "c"}));
  EXPECT_EQ(split("\"a b\" c\"d e\"f"), (Words{"a b", "cd ef"}));
  EXPECT_EQ(split("\\\\server\\share \\a\\\\b"), (Words{"\\\\server\\share", "\\a\\\\b"}));
  EXPECT_EQ(split("a\\\"b \"c\\\\\" d"), (Words{"a\"b", "c\\", "d"}));
  EXPECT_EQ(split("\"\" \"unclosed arg"), (Words{"", "unclosed arg"}));
  // A program path with blanks, unquoted, as some starters write it.
  EXPECT_EQ(SplitArguments(std::string(kProgram) + " /silent", kProgram), (Words{"/silent"}));
  EXPECT_EQ(SplitArguments("\"C:\\a b\\x.exe\"/silent", kProgram), (Words{"/silent"}));
}

// The usage text tells each form of the command line on a line of its own,
// and where a run leaves its log and its reports, by the names the program
// gives them.
TEST(UsageTextTest, EachFormAndWhereARunLeavesItsFilesAreTold) {
  const std::string usage = UsageText();
  for (const char* form :
       {"\nDiziTarvix.exe\n", "\nDiziTarvix.exe /silent [/noreboot] [/scanonly] [/report:...]\n",
        "\n  /noreboot  ", "\n  /scanonly  ", "\n  /report:<file>  ", "\n  /report:<folder>\\  ",
        "\nDiziTarvix.exe /afterrestart[:<run id>] [/silent] [/report:...]\n",
        "\nDiziTarvix.exe /restore:all  or  /restore:<id>\n",
        "\nDiziTarvix.exe /?  (or /help)\n"}) {
    EXPECT_NE(usage.find(form), std::string::npos) << form;
  }
  // Where the log and the reports go, in the text's own words (its lines
  // joined where they wrap).
  std::string words;
  for (const char c : usage) {
    if (c != '\n' || (!words.empty() && words.back() != ' ')) {
      words += c == '\n' ? ' ' : c;
    }
  }
  for (std::size_t at = words.find("  "); at != std::string::npos; at = words.find("  ")) {
    words.erase(at, 1);
  }
  for (const std::string& told :
       {std::string("saves the log file beside the program"),
        "keeps the report and the log in %ProgramData%\\" + std::string(kDataRootName) + "\\" +
            kReportsName + " (the newest " + std::to_string(kKeptRuns) + " runs)",
        "also writes it as a new file <COMPUTERNAME>-<run id>" + std::string(kReportExtension) +
            " in <folder>"}) {
    EXPECT_NE(words.find(told), std::string::npos) << told;
  }
}

// The exit codes are fixed: the usage text, the read-me and README list each
// one with the same words.
TEST(UsageTextTest, TheExitCodesAreListedAlikeWhereverTheyAreDocumented) {
  const auto read = [](const char* path) {
    std::ifstream file(path, std::ios::binary);
    EXPECT_TRUE(file.is_open()) << path;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  };
  const std::string usage = UsageText();
  const std::string readMe = read(DIZI_ASSETS_DIR "/ReadMe First.txt");
  const std::string readme = read(DIZI_SOURCE_DIR "/README.md");
  for (std::size_t i = 0; i < kExitCodeMeanings.size(); ++i) {
    const ExitCodeMeaning& entry = kExitCodeMeanings[i];
    EXPECT_EQ(entry.code, static_cast<int>(i));
    const std::string line = ExitCodeLine(entry.code, entry.meaning);
    EXPECT_NE(usage.find(line + "\n"), std::string::npos) << line;
    EXPECT_NE(readMe.find(line + "\r\n"), std::string::npos) << line;
    const std::string row =
        "| " + std::to_string(entry.code) + " | " + std::string(entry.meaning) + " |";
    EXPECT_NE(readme.find(row), std::string::npos) << row;
  }
  for (const char c : usage) {
    EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << static_cast<int>(c);
  }
}

}  // namespace
}  // namespace dizi
