#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "fservice/autostart_command.h"
#include "fservice/family_names.h"
#include "scan/signatures.h"

namespace dizi::tools {
namespace {

void ExpectRecognised(const Signature& signature) {
  const std::string name(signature.entry.substr(1));
  std::string upper = name;
  for (char& c : upper) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  EXPECT_TRUE(IsFamilyFileName(name)) << name;
  EXPECT_TRUE(IsFamilyFileName(upper)) << upper;
  EXPECT_TRUE(StartsFamilyFile("C:\\WINDOWS\\system32\\" + name)) << name;
  EXPECT_TRUE(StartsFamilyFile("\"%windir%\\" + upper + "\" /s")) << name;
}

TEST(FamilyNames, KnowsEveryNameOfBothTablesWithoutRegardToCase) {
  for (const Signature& signature : ServerSignatures) {
    ExpectRecognised(signature);
  }
  for (const Signature& signature : DownloaderSignatures) {
    ExpectRecognised(signature);
  }
}

TEST(FamilyNames, OtherNamesAreNotTheFamilys) {
  for (const char* name : {"explorer.exe", "userinit.exe", "service.exe", "fservice.ex",
                           "\\fservice.exe", "", "Pplugin10xa"}) {
    EXPECT_FALSE(IsFamilyFileName(name)) << name;
  }
}

TEST(AutostartCommand, FindsTheProgramWithOrWithoutDirectoryQuotesAndArguments) {
  for (const char* command : {
           "fservice.exe", "FSERVICE.EXE", "C:\\WINDOWS\\system32\\fservice.exe",
           "%SystemRoot%\\system32\\fservice.exe", "C:/WINDOWS/system32/fservice.exe",
           "\"C:\\WINDOWS\\system32\\fservice.exe\"",
           "\"C:\\WINDOWS\\system32\\fservice.exe\" -start",
           "C:\\WINDOWS\\system32\\fservice.exe -start /quiet",
           "  C:\\WINDOWS\\system32\\fservice.exe\t",
           "\"C:\\Documents and Settings\\me\\fservice.exe\" x",
           "\"C:\\WINDOWS\\system32\\fservice.exe",  // never closed
       }) {
    EXPECT_TRUE(StartsFamilyFile(command)) << command;
  }
}

TEST(AutostartCommand, AnUnquotedPathWithBlanksIsTriedPieceByPiece) {
  // Windows tries "C:\Program" and "C:\Program Files\Tools\fservice.exe".
  EXPECT_TRUE(StartsFamilyFile("C:\\Program Files\\Tools\\fservice.exe /min"));
  EXPECT_TRUE(StartsFamilyFile("C:\\Program Files\\Tools\\fservice.exe"));
  EXPECT_FALSE(StartsFamilyFile("C:\\Program Files\\My fservice.exe"));
}

TEST(AutostartCommand, AddsExeToAProgramWithoutExtensionAsWindowsDoes) {
  EXPECT_TRUE(StartsFamilyFile("C:\\WINDOWS\\krt32"));
  EXPECT_TRUE(StartsFamilyFile("krt32 -hide"));
  EXPECT_TRUE(StartsFamilyFile("\"C:\\WINDOWS\\krt32\" -hide"));
  // Only ".exe" is added: a family DLL is never the implied name.
  EXPECT_FALSE(StartsFamilyFile("C:\\WINDOWS\\system32\\wininv"));
}

TEST(AutostartCommand, NamesInsideLongerNamesDoNotMatch) {
  for (const char* command : {
           "myfservice.exe",
           "C:\\WINDOWS\\system32\\myfservice.exe",
           "fservice.exe.bak",
           "C:\\WINDOWS\\fservice.exe.bak -x",
           "\"C:\\WINDOWS\\fservice.exe.old\"",
           "C:\\WINDOWS\\fservice.exes",
           "fservice.exe_",
           "C:\\fservice.exe\\helper.exe",
           "xkrt32",
       }) {
    EXPECT_FALSE(StartsFamilyFile(command)) << command;
  }
}

TEST(AutostartCommand, AFamilyNameAsArgumentOfAnotherProgramDoesNotMatch) {
  for (const char* command : {
           "C:\\Tools\\viewer.exe C:\\WINDOWS\\system32\\fservice.exe",
           "notepad.exe fservice.exe",
           "\"C:\\Tools\\viewer.exe\" fservice.exe",
           "notepad fservice.exe",
           "rundll32.exe C:\\WINDOWS\\system32\\wininv.dll,Start",
       }) {
    EXPECT_FALSE(StartsFamilyFile(command)) << command;
  }
}

TEST(AutostartCommand, OnlyTheFirstOfSeveralNamesIsTheProgram) {
  EXPECT_TRUE(StartsFamilyFile("C:\\WINDOWS\\fservice.exe C:\\WINDOWS\\krt32.exe"));
  EXPECT_FALSE(StartsFamilyFile("C:\\WINDOWS\\explorer.exe C:\\WINDOWS\\krt32.exe"));
}

TEST(AutostartCommand, EmptyAndBlankCommandsStartNothing) {
  EXPECT_FALSE(StartsFamilyFile(""));
  EXPECT_FALSE(StartsFamilyFile("   "));
  EXPECT_FALSE(StartsFamilyFile("\"\""));
  EXPECT_FALSE(StartsFamilyFile("C:\\WINDOWS\\"));
}

}  // namespace
}  // namespace dizi::tools
