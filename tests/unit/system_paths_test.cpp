#include <gtest/gtest.h>

#include "places/system_paths.h"
#include "platform/fake_platform.h"

namespace dizi {
namespace {

SystemPaths PathsFor(const std::string& module, const std::string& systemDir) {
  Journal journal;
  FakePlatform platform(journal);
  platform.SetModulePath(module);
  platform.SetWindowsDirectory("C:\\WINDOWS");
  platform.SetSystemDirectory(systemDir);
  SystemPaths paths;
  FillSystemPaths(platform, paths);
  return paths;
}

TEST(SystemPathsTest, TheKillToolAndProgramFolderComeFromTheModulePath) {
  const SystemPaths tools = PathsFor("C:\\Tools\\DiziTarvix.exe", "C:\\WINDOWS\\system32");
  EXPECT_EQ(tools.KillToolPath, "C:\\Tools\\kill.exe");
  EXPECT_EQ(ProgramDir(tools), "C:\\Tools");
  EXPECT_EQ(tools.WindowsDir, "C:\\WINDOWS");
  EXPECT_EQ(tools.SystemDir, "C:\\WINDOWS\\system32");
  EXPECT_EQ(tools.LegacySystemDir, "C:\\WINDOWS\\system");

  const SystemPaths root = PathsFor("D:\\DiziTarvix.exe", "C:\\WINDOWS\\system32");
  EXPECT_EQ(root.KillToolPath, "D:\\kill.exe");
  EXPECT_EQ(ProgramDir(root), "D:");
}

TEST(SystemPathsTest, LongPathsWithSpacesAreKeptWhole) {
  const std::string folder = "C:\\Program Files\\" + std::string(300, 'x') + "\\Diri Tarvix";
  const SystemPaths paths = PathsFor(folder + "\\DiziTarvix.exe", "C:\\WINDOWS\\system32");
  EXPECT_EQ(paths.KillToolPath, folder + "\\kill.exe");
  EXPECT_EQ(ProgramDir(paths), folder);
}

TEST(SystemPathsTest, TheLegacyFolderDropsTwoCharactersWhateverTheyAre) {
  EXPECT_EQ(PathsFor("C:\\DiziTarvix.exe", "C:\\WINDOWS\\SYSTEM").LegacySystemDir,
            "C:\\WINDOWS\\SYST");
}

}  // namespace
}  // namespace dizi
