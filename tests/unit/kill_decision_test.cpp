#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <string>

#include "kill/image_match.h"
#include "kill/kill_report.h"
#include "kill/process_verdict.h"

namespace dizi::tools {
namespace {

FileFacts Linked(unsigned long links, std::string_view path) {
  FileFacts facts;
  facts.identity = {true, 0x43, 0, 7, links};
  facts.path = path;
  return facts;
}

// A family file that is a hard link to a program of the system has that
// program's identity: only its own path may pick its processes.
TEST(KillLinkedFile, AFileWithSeveralNamesIsMatchedByItsPathOnly) {
  const FileFacts family = Linked(2, "C:\\WINDOWS\\krt32.exe");
  EXPECT_FALSE(IsSameFile(family, Linked(2, "C:\\WINDOWS\\system32\\services.exe"), false));
  EXPECT_TRUE(IsSameFile(family, Linked(2, "c:\\windows\\KRT32.EXE"), false));
  // The image side's count is enough: the same file has one count.
  EXPECT_FALSE(IsSameFile(Linked(1, "C:\\WINDOWS\\krt32.exe"),
                          Linked(3, "C:\\WINDOWS\\system32\\services.exe"), false));
  // Paths that may name two files decide nothing, links or not.
  EXPECT_FALSE(IsSameFile(family, Linked(2, "C:\\WINDOWS\\krt32.exe"), true));
  // A file with one name is still matched by its identity under any name.
  EXPECT_TRUE(
      IsSameFile(Linked(1, "C:\\WINDOWS\\krt32.exe"), Linked(1, "C:\\WINDOWS\\KRT32~1.EXE"), true));
}

TEST(KillLinkedFile, IdentitiesAreTheSameOnlyWhenBothAreKnownAndEqual) {
  const FileIdentity known = {true, 0x43, 1, 7, 1};
  EXPECT_TRUE(SameIdentity(known, FileIdentity{true, 0x43, 1, 7, 2}));
  EXPECT_FALSE(SameIdentity(known, FileIdentity{true, 0x44, 1, 7, 1}));
  EXPECT_FALSE(SameIdentity(known, FileIdentity{true, 0x43, 0, 7, 1}));
  EXPECT_FALSE(SameIdentity(known, FileIdentity{true, 0x43, 1, 8, 1}));
  EXPECT_FALSE(SameIdentity(FileIdentity{}, FileIdentity{}));
  EXPECT_FALSE(SameIdentity(known, FileIdentity{false, 0x43, 1, 7, 1}));
}

std::string Moved(std::string_view path, std::string_view from, std::string_view to) {
  PathText out;
  const bool moved = MoveToFolder(path, from, to, out);
  return moved ? std::string(out.View()) : "<none>:" + std::string(out.View());
}

TEST(KillLinkedFile, APathMovesIntoAnotherFolderOnlyFromBelowItsOwn) {
  EXPECT_EQ(Moved("C:\\WINDOWS\\system32\\dservice.exe", "C:\\WINDOWS\\system32",
                  "C:\\WINDOWS\\SysWOW64"),
            "C:\\WINDOWS\\SysWOW64\\dservice.exe");
  EXPECT_EQ(Moved("c:\\windows\\SYSTEM32\\drivers\\x.sys", "C:\\WINDOWS\\system32",
                  "C:\\WINDOWS\\SysWOW64"),
            "C:\\WINDOWS\\SysWOW64\\drivers\\x.sys");
  // A name of one character is a name all the same.
  EXPECT_EQ(Moved("C:\\WINDOWS\\system32\\x", "C:\\WINDOWS\\system32", "C:\\WINDOWS\\SysWOW64"),
            "C:\\WINDOWS\\SysWOW64\\x");
  // Not below it: another folder whose name it begins, the folder itself, elsewhere.
  EXPECT_EQ(Moved("C:\\WINDOWS\\system32x\\a.exe", "C:\\WINDOWS\\system32", "D:\\w"), "<none>:");
  EXPECT_EQ(Moved("C:\\WINDOWS\\system32\\", "C:\\WINDOWS\\system32", "D:\\w"), "<none>:");
  EXPECT_EQ(Moved("C:\\WINDOWS\\system32", "C:\\WINDOWS\\system32", "D:\\w"), "<none>:");
  EXPECT_EQ(Moved("C:\\WINDOWS\\krt32.exe", "C:\\WINDOWS\\system32", "D:\\w"), "<none>:");
  // No second folder (32-bit Windows) moves nothing.
  EXPECT_EQ(Moved("C:\\WINDOWS\\system32\\a.exe", "C:\\WINDOWS\\system32", ""), "<none>:");
  EXPECT_EQ(Moved("C:\\a.exe", "", "D:\\w"), "<none>:");
  EXPECT_EQ(Moved("C:\\w\\" + std::string(kPathCapacity, 'x'), "C:\\w", "D:\\w"), "<none>:");
}

TEST(KillCriticalMark, ReadFromTheSystemsAnswer) {
  EXPECT_EQ(CriticalMarkFrom(0, 0), CriticalMark::Absent);
  EXPECT_EQ(CriticalMarkFrom(0, 1), CriticalMark::Present);
  EXPECT_EQ(CriticalMarkFrom(0x00000103, 1), CriticalMark::Present);  // another success status
  // A system that does not know the information class marks nothing.
  EXPECT_EQ(CriticalMarkFrom(static_cast<std::int32_t>(0xC0000003u), 1), CriticalMark::Absent);
  EXPECT_EQ(CriticalMarkFrom(static_cast<std::int32_t>(0xC0000002u), 1), CriticalMark::Absent);
  // Any other failure (access denied, a wrong length) leaves it unknown.
  EXPECT_EQ(CriticalMarkFrom(static_cast<std::int32_t>(0xC0000022u), 0), CriticalMark::Unreadable);
  EXPECT_EQ(CriticalMarkFrom(static_cast<std::int32_t>(0xC0000004u), 0), CriticalMark::Unreadable);
  EXPECT_EQ(CriticalMarkFrom(static_cast<std::int32_t>(0x80000005u), 0), CriticalMark::Unreadable);
}

const std::string_view kFolders[] = {"C:\\WINDOWS\\system32", "C:\\WINDOWS\\SysWOW64\\"};

bool WindowsOwn(std::string_view path) {
  return IsWindowsOwnImage(path, kFolders, std::size(kFolders));
}

TEST(KillWindowsOwnImage, WindowsNamesDirectlyInASystemFolder) {
  for (const char* name : {"smss.exe", "csrss.exe", "wininit.exe", "winlogon.exe", "services.exe",
                           "lsass.exe", "svchost.exe"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(WindowsOwn(std::string("C:\\WINDOWS\\system32\\") + name));
    EXPECT_TRUE(WindowsOwn(std::string("c:\\windows\\SYSWOW64\\") + name));
    // The family's own file in the Windows folder is not Windows' own.
    EXPECT_FALSE(WindowsOwn(std::string("C:\\WINDOWS\\") + name));
    EXPECT_FALSE(WindowsOwn(std::string("C:\\WINDOWS\\system32\\drivers\\") + name));
    EXPECT_FALSE(WindowsOwn(std::string("D:\\WINDOWS\\system32\\") + name));
    EXPECT_FALSE(WindowsOwn(name));
  }
  EXPECT_TRUE(WindowsOwn("C:\\WINDOWS\\system32\\SERVICES.EXE"));
  EXPECT_FALSE(WindowsOwn("C:\\WINDOWS\\system32\\myservices.exe"));
  EXPECT_FALSE(WindowsOwn("C:\\WINDOWS\\system32\\services.exe.bak"));
  EXPECT_FALSE(WindowsOwn("C:\\WINDOWS\\system32\\dservice.exe"));
  EXPECT_FALSE(WindowsOwn("C:\\WINDOWS\\system32x\\services.exe"));
  // No folder known, nothing is Windows' own by its path.
  EXPECT_FALSE(IsWindowsOwnImage("C:\\WINDOWS\\system32\\services.exe", kFolders, 0));
  const std::string_view empty[] = {""};
  EXPECT_FALSE(IsWindowsOwnImage("services.exe", empty, 1));
}

TEST(KillVerdict, WindowsOwnAndCriticalProcessesAreLeftRunning) {
  for (const bool mayEnd : {true, false}) {
    for (const CriticalMark mark :
         {CriticalMark::Absent, CriticalMark::Present, CriticalMark::Unreadable}) {
      EXPECT_EQ(Judge({true, mark, mayEnd}), Verdict::LeaveWindowsOwn);
    }
    EXPECT_EQ(Judge({false, CriticalMark::Present, mayEnd}), Verdict::LeaveCritical);
    EXPECT_EQ(Judge({false, CriticalMark::Unreadable, mayEnd}), Verdict::LeaveCriticalUnreadable);
  }
  EXPECT_EQ(Judge({false, CriticalMark::Absent, true}), Verdict::End);
  EXPECT_EQ(Judge({false, CriticalMark::Absent, false}), Verdict::CannotEnd);
}

std::string Text(const ReportLine& line) {
  return std::string(line.View());
}

TEST(KillReport, EachProcessGetsALineThatSaysWhatBecameOfIt) {
  EXPECT_EQ(Text(EndedLine("krt32.exe", 1234)), "kill: ended krt32.exe (process 1234)");
  EXPECT_EQ(Text(AlreadyEndedLine("krt32.exe", 8)),
            "kill: krt32.exe (process 8) had already ended");
  EXPECT_EQ(Text(LeftRunningLine("services.exe", 56, Verdict::LeaveWindowsOwn,
                                 "C:\\WINDOWS\\system32\\services.exe")),
            "kill: left services.exe (process 56) running: C:\\WINDOWS\\system32\\services.exe "
            "is one of Windows' own programs");
  EXPECT_EQ(Text(LeftRunningLine("krt32.exe", 60, Verdict::LeaveCritical, {})),
            "kill: left krt32.exe (process 60) running: Windows marks it critical, and ending "
            "it would stop the system");
  EXPECT_EQ(Text(LeftRunningLine("krt32.exe", 64, Verdict::LeaveCriticalUnreadable,
                                 "Access is denied. (error 5)")),
            "kill: left krt32.exe (process 64) running: whether Windows marks it critical could "
            "not be read: Access is denied. (error 5)");
  EXPECT_EQ(Text(NotCheckedLine("dservice.exe", 68, "Access is denied. (error 5)")),
            "kill: left dservice.exe (process 68) running: it could not be opened to be checked: "
            "Access is denied. (error 5)");
  EXPECT_EQ(Text(CouldNotEndLine("dservice.exe", 72, "Access is denied. (error 5)")),
            "kill: could not end dservice.exe (process 72): Access is denied. (error 5)");
}

TEST(KillReport, TheLineDiziTarvixReadsCarriesTheIdAlone) {
  EXPECT_EQ(Text(NotEndedLine(72)), "kill: not ended: process 72");
  EXPECT_EQ(Text(NotEndedLine(4294967295ul)), "kill: not ended: process 4294967295");
  EXPECT_EQ(Text(NotEndedLine(0)), "kill: not ended: process 0");
  EXPECT_EQ(Text(NotEndedLine(1000000)), "kill: not ended: process 1000000");
}

TEST(KillReport, ALineLongerThanItsRoomIsCutNotOverrun) {
  const std::string longPath(3 * kPathCapacity, 'x');
  const ReportLine line = LeftRunningLine("services.exe", 56, Verdict::LeaveWindowsOwn, longPath);
  EXPECT_EQ(line.View().size(), 2 * kPathCapacity);
  EXPECT_EQ(line.View().substr(0, 42), "kill: left services.exe (process 56) runni");
  EXPECT_EQ(line.View().back(), 'x');
}

}  // namespace
}  // namespace dizi::tools
