#include <gtest/gtest.h>

#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "kill/image_match.h"
#include "kill/kill_arguments.h"
#include "kill/process_choice.h"

namespace dizi::tools {
namespace {

std::optional<KillTarget> ParseTarget(std::initializer_list<const char*> arguments) {
  std::vector<const char*> argv{"kill"};
  argv.insert(argv.end(), arguments);
  return ParseKillArguments(static_cast<int>(argv.size()), argv.data());
}

// The image name of the bare-name form; nothing for any other result.
std::optional<std::string_view> Parse(std::initializer_list<const char*> arguments) {
  const auto target = ParseTarget(arguments);
  if (!target || target->form != KillTarget::Form::ImageName) {
    return std::nullopt;
  }
  return target->text;
}

// The full path of the path form; nothing for any other result.
std::optional<std::string_view> ParsePath(std::initializer_list<const char*> arguments) {
  const auto target = ParseTarget(arguments);
  if (!target || target->form != KillTarget::Form::ImagePath) {
    return std::nullopt;
  }
  return target->text;
}

TEST(KillCommandLine, TakesTheImageNameAfterMinusF) {
  EXPECT_EQ(Parse({"-f", "fservice.exe"}), "fservice.exe");
  EXPECT_EQ(Parse({"-f", "My Program.exe"}), "My Program.exe");
  // Names the tool is started with that no process runs under are still valid.
  EXPECT_EQ(Parse({"-f", "wininv.dll"}), "wininv.dll");
}

TEST(KillCommandLine, TakesAFullPathAfterMinusF) {
  for (const char* path :
       {"C:\\WINDOWS\\services.exe", "c:\\Program Files\\Dizi Tarvix\\x.exe", "D:/tools/x.exe",
        "\\\\server\\share\\x.exe", "\\\\?\\C:\\WINDOWS\\services.exe", "C:\\PROGRA~1\\x.exe"}) {
    EXPECT_EQ(ParsePath({"-f", path}), path);
  }
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

TEST(KillCommandLine, RefusesNamesAndPathsNoImageCanHave) {
  for (const char* text :
       {"", "  ", "dir/fservice.exe", "dir\\fservice.exe", "C:fservice.exe",
        "\\WINDOWS\\services.exe", "C:\\WINDOWS\\", "C:\\WINDOWS\\  ", "1:\\x.exe", "C:", "\\\\"}) {
    EXPECT_FALSE(ParseTarget({"-f", text})) << text;
  }
}

TEST(KillCommandLine, UsageIsOneLine) {
  EXPECT_EQ(std::string_view(kKillUsage).find('\n'), std::string_view::npos);
  EXPECT_EQ(std::string_view(kKillUsage).rfind("usage: kill -f <image name>", 0), 0u);
  EXPECT_NE(std::string_view(kKillUsage).find("<full path>"), std::string_view::npos);
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

const DriveDevice kDrives[] = {{'C', "\\Device\\HarddiskVolume1"},
                               {'D', "\\Device\\HarddiskVolume10"},
                               {'E', "\\Device\\CdRom0"}};

std::string Win32Form(std::string_view path) {
  PathText out;
  if (!ToWin32Path(path, kDrives, std::size(kDrives), out)) {
    return "<none>";
  }
  return std::string(out.View());
}

TEST(KillImagePath, DeviceAndPrefixedFormsBecomeWin32Paths) {
  // GetProcessImageFileNameA's device paths, on Windows XP.
  EXPECT_EQ(Win32Form("\\Device\\HarddiskVolume1\\WINDOWS\\services.exe"),
            "C:\\WINDOWS\\services.exe");
  EXPECT_EQ(Win32Form("\\device\\harddiskvolume1\\x.exe"), "C:\\x.exe");
  // Volume 1 is not the start of volume 10.
  EXPECT_EQ(Win32Form("\\Device\\HarddiskVolume10\\x.exe"), "D:\\x.exe");
  EXPECT_EQ(Win32Form("\\Device\\HarddiskVolume11\\x.exe"), "<none>");
  EXPECT_EQ(Win32Form("\\Device\\HarddiskVolume1"), "<none>");
  EXPECT_EQ(Win32Form("\\Device\\Mup\\server\\share\\x.exe"), "<none>");
  // Long-path and native prefixes.
  EXPECT_EQ(Win32Form("\\\\?\\C:\\WINDOWS\\services.exe"), "C:\\WINDOWS\\services.exe");
  EXPECT_EQ(Win32Form("\\??\\C:\\WINDOWS\\services.exe"), "C:\\WINDOWS\\services.exe");
  EXPECT_EQ(Win32Form("\\\\.\\C:\\x.exe"), "C:\\x.exe");
  EXPECT_EQ(Win32Form("\\\\?\\UNC\\server\\share\\x.exe"), "\\\\server\\share\\x.exe");
  // Win32 paths stay as they are.
  EXPECT_EQ(Win32Form("C:\\WINDOWS\\services.exe"), "C:\\WINDOWS\\services.exe");
  EXPECT_EQ(Win32Form("\\\\server\\share\\x.exe"), "\\\\server\\share\\x.exe");
}

TEST(KillImagePath, TooLongPathsDoNotFit) {
  const std::string longest(kPathCapacity - 1, 'x');
  PathText out;
  EXPECT_TRUE(out.Assign(longest));
  EXPECT_EQ(out.View(), longest);
  EXPECT_FALSE(out.Assign(longest + "x"));
  EXPECT_TRUE(out.View().empty());
  EXPECT_EQ(Win32Form("\\Device\\HarddiskVolume1\\" + std::string(kPathCapacity, 'x')), "<none>");
}

FileFacts Facts(unsigned long volume, unsigned long index, std::string_view path) {
  FileFacts facts;
  facts.identity = {true, volume, 0, index};
  facts.path = path;
  return facts;
}

FileFacts PathOnly(std::string_view path) {
  FileFacts facts;
  facts.path = path;
  return facts;
}

TEST(KillImagePath, KnownIdentitiesDecideWhateverThePathsSay) {
  const FileFacts target = Facts(0x43, 7, "C:\\WINDOWS\\services.exe");
  EXPECT_TRUE(IsSameFile(target, Facts(0x43, 7, "C:\\WINDOWS\\SERVIC~1.EXE"), false));
  // Windows' own services.exe: same name, another file.
  EXPECT_FALSE(IsSameFile(target, Facts(0x43, 8, "C:\\WINDOWS\\system32\\services.exe"), false));
  // The same index on another volume is another file.
  EXPECT_FALSE(IsSameFile(target, Facts(0x44, 7, "C:\\WINDOWS\\services.exe"), false));
  // One path text, two files (a 64-bit process's system32 seen from 32 bits).
  EXPECT_FALSE(IsSameFile(Facts(0x43, 7, "C:\\WINDOWS\\system32\\x.exe"),
                          Facts(0x43, 9, "C:\\WINDOWS\\system32\\x.exe"), true));
  // Two path texts, one file (the 32-bit system folder as the system reports it).
  EXPECT_TRUE(IsSameFile(Facts(0x43, 7, "C:\\WINDOWS\\system32\\x.exe"),
                         Facts(0x43, 7, "C:\\WINDOWS\\SysWOW64\\x.exe"), true));
  // The high half of the index counts too.
  FileFacts high = target;
  high.identity.indexHigh = 1;
  EXPECT_FALSE(IsSameFile(target, high, false));
}

TEST(KillImagePath, WithoutIdentitiesOnlyUnambiguousEqualPathsMatch) {
  const FileFacts target = PathOnly("C:\\WINDOWS\\services.exe");
  EXPECT_TRUE(IsSameFile(target, PathOnly("c:\\windows\\SERVICES.EXE"), false));
  EXPECT_TRUE(IsSameFile(Facts(0x43, 7, "C:\\WINDOWS\\services.exe"),
                         PathOnly("C:\\WINDOWS\\services.exe"), false));
  EXPECT_FALSE(IsSameFile(target, PathOnly("C:\\WINDOWS\\system32\\services.exe"), false));
  EXPECT_FALSE(IsSameFile(target, PathOnly("C:\\WINDOWS\\services.exe"), true));
  // An unreadable path matches nothing, not even another unreadable one.
  EXPECT_FALSE(IsSameFile(PathOnly(""), PathOnly(""), false));
}

}  // namespace
}  // namespace dizi::tools
