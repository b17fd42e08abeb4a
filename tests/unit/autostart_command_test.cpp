#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "autostart_machine.h"
#include "fservice/autostart_command.h"
#include "fservice/family_names.h"
#include "fservice/program_path.h"
#include "scan/signatures.h"

namespace dizi::tools {
namespace {

std::u16string Widen(std::string_view text) {
  return std::u16string(text.begin(), text.end());
}

std::string Shown(std::u16string_view text) {
  return std::string(text.begin(), text.end());
}

class AutostartCommand : public ::testing::Test {
 protected:
  bool Family(std::u16string_view command) const {
    const Answer answer = matcher.StartsFamilyFile(command);
    EXPECT_NE(answer, Answer::kUnknown) << Shown(command);
    return answer == Answer::kYes;
  }

  test::FakeMachine machine;
  AutostartMatcher matcher{test::kFolders, machine};
};

TEST_F(AutostartCommand, KnowsEveryNameOfBothTablesInEveryFamilyFolder) {
  for (const auto* table : {&ServerSignatures[0], &DownloaderSignatures[0]}) {
    const std::size_t count =
        table == &ServerSignatures[0] ? ServerSignatures.size() : DownloaderSignatures.size();
    for (std::size_t i = 0; i < count; ++i) {
      const std::u16string name = Widen(table[i].entry.substr(1));
      std::u16string upper = test::Upper(name);
      EXPECT_TRUE(IsFamilyFileName(name) && IsFamilyFileName(upper)) << Shown(name);
      EXPECT_TRUE(Family(u"\"%windir%\\" + upper + u"\" /s")) << Shown(name);
      EXPECT_TRUE(Family(u"C:\\WINDOWS\\system\\" + name)) << Shown(name);
      // Windows' own services.exe lives in the system folder.
      EXPECT_EQ(Family(u"C:\\WINDOWS\\system32\\" + name), name != u"services.exe") << Shown(name);
    }
  }
}

TEST_F(AutostartCommand, OtherNamesAreNotTheFamilys) {
  for (const char16_t* name : {u"explorer.exe", u"userinit.exe", u"service.exe", u"fservice.ex",
                               u"\\fservice.exe", u"", u"Pplugin10xa"}) {
    EXPECT_FALSE(IsFamilyFileName(name)) << Shown(name);
  }
}

TEST_F(AutostartCommand, ShortNamesAreThoseWindowsGivesTheFamilysLongNames) {
  for (const char16_t* name : {u"FFSERV~1.EXE", u"d_serv~3.exe", u"PPLUGI~1.DLL", u"PPLUGI~2.EXE",
                               u"FFSER~10.EXE", u"FF~1.EXE"}) {
    EXPECT_TRUE(IsShortNameOfFamilyFile(name)) << Shown(name);
  }
  // fservice.exe fits 8.3 and is its own short name; the rest are no short
  // name of a family file.
  for (const char16_t* name :
       {u"FSERVI~1.EXE", u"FFSERV~1.DLL", u"FFSERV~0.EXE", u"FFSERVI~1.EXE", u"~1.EXE",
        u"FFSERV~.EXE", u"FFSERV~1X.EXE", u"FFSERV~1", u"KRT32~1.EXE"}) {
    EXPECT_FALSE(IsShortNameOfFamilyFile(name)) << Shown(name);
  }
}

TEST_F(AutostartCommand, PathsAreReadTheWayWindowsOpensThem) {
  const struct {
    const char16_t* path;
    const char16_t* normal;
  } cases[] = {
      {u"C:/WINDOWS//system32/fservice.exe", u"C:\\WINDOWS\\system32\\fservice.exe"},
      {u"C:\\WINDOWS\\system32\\.\\..\\krt32.exe", u"C:\\WINDOWS\\krt32.exe"},
      {u"C:\\..\\..\\WINDOWS\\krt32.exe", u"C:\\WINDOWS\\krt32.exe"},
      {u"C:\\WINDOWS\\krt32.exe. . ", u"C:\\WINDOWS\\krt32.exe"},
      {u"\\\\?\\C:\\WINDOWS\\x\\..\\krt32.exe. ", u"C:\\WINDOWS\\x\\..\\krt32.exe. "},
      {u"C:\\WINDOWS\\", u"C:\\WINDOWS\\"},
      {u"a\\..\\..\\krt32.exe", u"..\\krt32.exe"},
      {u"\\\\server\\share\\..\\x.exe", u"\\\\server\\x.exe"},
      {u"C:krt32.exe", u"C:krt32.exe"},
  };
  for (const auto& c : cases) {
    WideBuffer out;
    ASSERT_TRUE(AppendNormalPath(c.path, out));
    EXPECT_EQ(out.View(), c.normal) << Shown(c.path);
  }
}

TEST_F(AutostartCommand, FindsTheProgramWithOrWithoutDirectoryQuotesAndArguments) {
  for (const char16_t* command : {
           u"fservice.exe",
           u"FSERVICE.EXE",
           u"C:\\WINDOWS\\system32\\fservice.exe",
           u"%SystemRoot%\\system32\\fservice.exe",
           u"C:/WINDOWS/system32/fservice.exe",
           u"\"C:\\WINDOWS\\system32\\fservice.exe\"",
           u"\"C:\\WINDOWS\\system32\\fservice.exe\" -start",
           u"C:\\WINDOWS\\system32\\fservice.exe -start /quiet",
           u"  C:\\WINDOWS\\system32\\fservice.exe\t",
           u"c:\\windows\\SYSTEM32\\fservice.exe",
       }) {
    EXPECT_TRUE(Family(command)) << Shown(command);
  }
}

TEST_F(AutostartCommand, AnUnquotedPathWithBlanksIsTriedPieceByPiece) {
  // Windows tries "C:\My", then "C:\My Windows\krt32.exe".
  const AutostartMatcher blank_windows(
      {u"C:\\My Windows", u"C:\\My Windows\\system32", u"C:\\My Windows\\system", {}}, machine);
  EXPECT_EQ(blank_windows.StartsFamilyFile(u"C:\\My Windows\\krt32.exe /min"), Answer::kYes);
  EXPECT_EQ(blank_windows.StartsFamilyFile(u"C:\\My Windows\\Tools\\x.exe krt32.exe"), Answer::kNo);
  // "C:\WINDOWS\services" + ".exe" is the family's services.exe.
  EXPECT_TRUE(Family(u"C:\\WINDOWS\\services /x"));
}

TEST_F(AutostartCommand, AddsExeToAProgramWithoutExtensionAsWindowsDoes) {
  EXPECT_TRUE(Family(u"C:\\WINDOWS\\krt32"));
  EXPECT_TRUE(Family(u"krt32 -hide"));
  EXPECT_TRUE(Family(u"\"C:\\WINDOWS\\krt32\" -hide"));
  // Only ".exe" is added: a family DLL is never the implied name.
  EXPECT_FALSE(Family(u"C:\\WINDOWS\\system32\\wininv"));
}

TEST_F(AutostartCommand, NamesInsideLongerNamesDoNotMatch) {
  for (const char16_t* command : {
           u"myfservice.exe",
           u"C:\\WINDOWS\\system32\\myfservice.exe",
           u"fservice.exe.bak",
           u"C:\\WINDOWS\\fservice.exe.bak -x",
           u"\"C:\\WINDOWS\\fservice.exe.old\"",
           u"C:\\WINDOWS\\fservice.exes",
           u"fservice.exe_",
           u"C:\\fservice.exe\\helper.exe",
           u"xkrt32",
       }) {
    EXPECT_FALSE(Family(command)) << Shown(command);
  }
}

TEST_F(AutostartCommand, AFamilyNameAsArgumentOfAnotherProgramDoesNotMatch) {
  for (const char16_t* command : {
           u"C:\\Tools\\viewer.exe C:\\WINDOWS\\system32\\fservice.exe",
           u"notepad.exe fservice.exe",
           u"\"C:\\Tools\\viewer.exe\" fservice.exe",
           u"notepad fservice.exe",
           u"explorer.exe fservice.exe",
       }) {
    EXPECT_FALSE(Family(command)) << Shown(command);
  }
}

TEST_F(AutostartCommand, OnlyTheFirstOfSeveralNamesIsTheProgram) {
  EXPECT_TRUE(Family(u"C:\\WINDOWS\\fservice.exe C:\\WINDOWS\\krt32.exe"));
  EXPECT_FALSE(Family(u"C:\\WINDOWS\\explorer.exe C:\\WINDOWS\\krt32.exe"));
}

TEST_F(AutostartCommand, EmptyAndBlankCommandsStartNothing) {
  for (const char16_t* command : {u"", u"   ", u"\"\"", u"C:\\WINDOWS\\", u"%EMPTY%"}) {
    EXPECT_FALSE(Family(command)) << Shown(command);
  }
}

TEST_F(AutostartCommand, TheSystemFolderOf64BitWindowsIsTheSystemFolder) {
  const AutostartMatcher wow64(test::kWow64Folders, machine);
  EXPECT_EQ(wow64.StartsFamilyFile(u"C:\\WINDOWS\\SysWOW64\\fservice.exe"), Answer::kYes);
  EXPECT_EQ(wow64.StartsFamilyFile(u"%windir%\\syswow64\\services.exe"), Answer::kNo);
  EXPECT_EQ(wow64.StartsUserinit(u"C:\\WINDOWS\\SysWOW64\\userinit.exe"), Answer::kYes);
  // Elsewhere SysWOW64 is just another folder.
  EXPECT_FALSE(Family(u"C:\\WINDOWS\\SysWOW64\\fservice.exe"));
}

TEST_F(AutostartCommand, ALongNamedWindowsFolderIsKnownByItsShortName) {
  machine.long_paths[u"C:\\WINDOW~1"] = u"C:\\Windows Server";
  const AutostartMatcher long_windows(
      {u"C:\\Windows Server", u"C:\\Windows Server\\system32", u"C:\\Windows Server\\system", {}},
      machine);
  EXPECT_EQ(long_windows.StartsFamilyFile(u"C:\\WINDOW~1\\krt32.exe"), Answer::kYes);
  EXPECT_EQ(long_windows.StartsFamilyFile(u"C:\\WINDOW~2\\krt32.exe"), Answer::kNo);
}

TEST_F(AutostartCommand, KnowsWindowsOwnUserinitAndExplorer) {
  for (const char16_t* command : {u"C:\\WINDOWS\\system32\\userinit.exe", u"userinit.exe",
                                  u"USERINIT", u"%SystemRoot%\\system32\\userinit.exe -x"}) {
    EXPECT_EQ(matcher.StartsUserinit(command), Answer::kYes) << Shown(command);
  }
  for (const char16_t* command : {u"C:\\Tools\\userinit.exe", u"C:\\WINDOWS\\userinit.exe",
                                  u"userinit.exe.bak", u"fservice.exe"}) {
    EXPECT_EQ(matcher.StartsUserinit(command), Answer::kNo) << Shown(command);
  }
  for (const char16_t* command : {u"Explorer.exe", u"explorer", u"%windir%\\explorer.exe"}) {
    EXPECT_EQ(matcher.StartsExplorer(command), Answer::kYes) << Shown(command);
  }
  EXPECT_EQ(matcher.StartsExplorer(u"C:\\Tools\\explorer.exe"), Answer::kNo);
}

}  // namespace
}  // namespace dizi::tools
