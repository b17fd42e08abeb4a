#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "kill/kill_arguments.h"
#include "kill/process_choice.h"

namespace dizi::tools {
namespace {

std::optional<std::string_view> Parse(std::initializer_list<const char*> arguments) {
  std::vector<const char*> argv{"kill"};
  argv.insert(argv.end(), arguments);
  return ParseKillArguments(static_cast<int>(argv.size()), argv.data());
}

TEST(KillCommandLine, TakesTheImageNameAfterMinusF) {
  EXPECT_EQ(Parse({"-f", "fservice.exe"}), "fservice.exe");
  EXPECT_EQ(Parse({"-f", "My Program.exe"}), "My Program.exe");
  // Names the tool is started with that no process runs under are still valid.
  EXPECT_EQ(Parse({"-f", "wininv.dll"}), "wininv.dll");
}

TEST(KillCommandLine, RefusesMissingExtraOrWrongArguments) {
  EXPECT_FALSE(Parse({}));
  EXPECT_FALSE(Parse({"-f"}));
  EXPECT_FALSE(Parse({"fservice.exe"}));
  EXPECT_FALSE(Parse({"-f", "fservice.exe", "krt32.exe"}));
  EXPECT_FALSE(Parse({"-x", "fservice.exe"}));
  EXPECT_FALSE(Parse({"-f-", "fservice.exe"}));
  EXPECT_FALSE(Parse({"fservice.exe", "-f"}));
}

TEST(KillCommandLine, RefusesNamesNoImageCanHave) {
  EXPECT_FALSE(Parse({"-f", ""}));
  EXPECT_FALSE(Parse({"-f", "  "}));
  EXPECT_FALSE(Parse({"-f", "C:\\WINDOWS\\system32\\fservice.exe"}));
  EXPECT_FALSE(Parse({"-f", "dir/fservice.exe"}));
}

TEST(KillCommandLine, UsageIsOneLine) {
  EXPECT_EQ(std::string_view(kKillUsage).find('\n'), std::string_view::npos);
  EXPECT_EQ(std::string_view(kKillUsage).rfind("usage: kill -f <image name>", 0), 0u);
}

constexpr unsigned long kSelf = 100;

TEST(KillProcessChoice, MatchesWholeImageNamesWithoutRegardToCase) {
  EXPECT_TRUE(ShouldEnd({7, "fservice.exe"}, "fservice.exe", kSelf));
  EXPECT_TRUE(ShouldEnd({7, "FSERVICE.EXE"}, "fservice.exe", kSelf));
  EXPECT_TRUE(ShouldEnd({7, "fservice.exe"}, "FService.Exe", kSelf));

  EXPECT_FALSE(ShouldEnd({7, "myfservice.exe"}, "fservice.exe", kSelf));
  EXPECT_FALSE(ShouldEnd({7, "fservice.exe.bak"}, "fservice.exe", kSelf));
  EXPECT_FALSE(ShouldEnd({7, "fservice.ex"}, "fservice.exe", kSelf));
  EXPECT_FALSE(ShouldEnd({7, "fservice"}, "fservice.exe", kSelf));
}

TEST(KillProcessChoice, ComparesTheFileNameOfAFullImagePath) {
  // Windows 9x lists each process with the full path of its image.
  EXPECT_TRUE(ShouldEnd({7, "C:\\WINDOWS\\SYSTEM\\SSERVICE.EXE"}, "sservice.exe", kSelf));
  EXPECT_FALSE(ShouldEnd({7, "C:\\sservice.exe\\other.exe"}, "sservice.exe", kSelf));
}

TEST(KillProcessChoice, NeverItsOwnProcess) {
  EXPECT_FALSE(ShouldEnd({kSelf, "kill.exe"}, "kill.exe", kSelf));
  EXPECT_TRUE(ShouldEnd({kSelf + 1, "kill.exe"}, "kill.exe", kSelf));
}

}  // namespace
}  // namespace dizi::tools
