// Values shaped like those found on real machines, infected and clean, each
// with what fservice.exe must leave of it. A Run value is either removed whole
// or kept; a list value keeps every entry that is not the family's, byte for
// byte.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "autostart_machine.h"
#include "fservice/autostart_value.h"

namespace dizi::tools {
namespace {

using test::FakeMachine;
using test::kDefaultUserinit;

enum class Where { kRun, kUserinit, kShell, kLoad };

constexpr std::uint32_t kBinaryType = 3;
constexpr std::uint32_t kDwordType = 4;
constexpr std::uint32_t kMultiStringType = 7;

// What a Run value comes to; list values give their new text instead.
const std::u16string kRemoved = u"(removed)";
const std::u16string kKept = u"(kept)";

struct Case {
  Where where;
  std::u16string data;   // the stored text, its terminating null included
  std::u16string after;  // kRemoved, kKept, or a list's new data
  std::uint32_t type = kStringType;
};

std::u16string Z(std::u16string text) {
  return text + u'\0';
}

// The value after the repair, as the program would store it.
std::u16string Repaired(const Case& c) {
  const FakeMachine machine;
  const AutostartMatcher matcher(test::kFolders, machine);
  const std::size_t size = c.data.size() * sizeof(char16_t);
  if (c.where == Where::kRun) {
    const Answer family = StartsFamilyFile(matcher, c.type, c.data.data(), size);
    EXPECT_NE(family, Answer::kUnknown);
    return family == Answer::kYes ? kRemoved : kKept;
  }
  const ListRules rules = c.where == Where::kUserinit
                              ? ListRules{ListKind::kUserinit, kDefaultUserinit}
                          : c.where == Where::kShell ? ListRules{ListKind::kShell, u"Explorer.exe"}
                                                     : ListRules{ListKind::kPrograms, {}};
  const ListValueRewrite rewrite = RewriteListValue(matcher, rules, c.type, c.data.data(), size);
  EXPECT_NE(rewrite.list.changed, Answer::kUnknown);
  if (rewrite.list.changed != Answer::kYes) {
    return c.data;
  }
  EXPECT_EQ(rewrite.size % sizeof(char16_t), 0u);
  return std::u16string(reinterpret_cast<const char16_t*>(rewrite.data.get()),
                        rewrite.size / sizeof(char16_t));
}

void Check(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(Repaired(c), c.after) << std::string(c.data.begin(), c.data.end());
  }
}

TEST(AutostartCorpus, Quotes) {
  Check({
      {Where::kRun, Z(u"\"C:\\WINDOWS\\system32\\fservice.exe\" /start"), kRemoved},
      {Where::kRun, Z(u"\"C:\\WINDOWS\\krt32.exe\""), kRemoved},
      {Where::kRun, Z(u"\"C:\\WINDOWS\\system32\\wservice.exe"), kRemoved},  // never closed
      {Where::kRun, Z(u"\"C:\\Program Files\\Example\\app.exe\" -min"), kKept},
      {Where::kRun, Z(u"\"C:\\Tools\\viewer.exe\" C:\\WINDOWS\\krt32.exe"), kKept},
      {Where::kRun, Z(u"\"\""), kKept},
      {Where::kUserinit,
       Z(u"C:\\WINDOWS\\system32\\userinit.exe,\"C:\\Program Files\\AV,Pro\\av.exe\" "
         u"/x,\"C:\\WINDOWS\\system32\\kservice.exe\","),
       Z(u"C:\\WINDOWS\\system32\\userinit.exe,\"C:\\Program Files\\AV,Pro\\av.exe\" /x,")},
  });
}

TEST(AutostartCorpus, EnvironmentVariables) {
  Check({
      {Where::kRun, Z(u"%SystemRoot%\\winp9.exe"), kRemoved, kExpandStringType},
      {Where::kRun, Z(u"%windir%\\system32\\dservice.exe -q"), kRemoved},
      {Where::kRun, Z(u"\"%WINDIR%\\system\\sservice.exe\""), kRemoved, kExpandStringType},
      {Where::kRun, Z(u"%ProgramFiles%\\Services Manager\\svcmgr.exe /tray"), kKept,
       kExpandStringType},
      {Where::kRun, Z(u"%APPDATA%\\fservice.exe"), kKept, kExpandStringType},
      {Where::kRun, Z(u"%NotSet%\\krt32.exe"), kKept, kExpandStringType},
      {Where::kShell, Z(u"%SystemRoot%\\explorer.exe %windir%\\krt32.exe"),
       Z(u"%SystemRoot%\\explorer.exe")},
  });
}

TEST(AutostartCorpus, Rundll32) {
  Check({
      {Where::kRun, Z(u"rundll32.exe C:\\WINDOWS\\system32\\wininv.dll,Start"), kRemoved},
      {Where::kRun, Z(u"RUNDLL32 winkey.dll,Install"), kRemoved},
      {Where::kRun, Z(u"%SystemRoot%\\system32\\rundll32.exe \"%SystemRoot%\\reginv.dll\",Run"),
       kRemoved, kExpandStringType},
      {Where::kRun, Z(u"rundll32.exe PpluginCd,Start"), kRemoved},  // LoadLibrary adds .dll
      {Where::kRun, Z(u"rundll32.exe shell32.dll,Control_RunDLL desk.cpl"), kKept},
      {Where::kRun, Z(u"rundll32.exe C:\\Tools\\wininv.dll,Start"), kKept},
      {Where::kRun, Z(u"C:\\Tools\\rundll32.exe wininv.dll,Start"), kKept},
  });
}

TEST(AutostartCorpus, ShortNamesAndLiteralPaths) {
  Check({
      {Where::kRun, Z(u"C:\\WINDOWS\\system32\\FFSERV~1.EXE"), kRemoved},
      {Where::kRun, Z(u"C:\\WINDOWS\\PPLUGI~1.EXE /h"), kRemoved},  // Pplugin10xa.exe
      // Exists on the disk as another maker's ffservicetool.exe.
      {Where::kRun, Z(u"C:\\WINDOWS\\system32\\FFSERV~2.EXE"), kKept},
      {Where::kRun, Z(u"C:\\PROGRA~1\\Services Manager\\svcmgr.exe"), kKept},
      {Where::kRun, Z(u"\\\\?\\C:\\WINDOWS\\system32\\lservice.exe"), kRemoved},
      {Where::kRun, Z(u"\"\\\\?\\C:\\WINDOWS\\krt32.exe\" -silent"), kRemoved},
      {Where::kRun, Z(u"\\\\?\\UNC\\server\\share\\fservice.exe"), kKept},
      {Where::kRun, Z(u"C:/WINDOWS/system32/../krt32.exe"), kRemoved},
  });
}

TEST(AutostartCorpus, CommasAndBlanks) {
  Check({
      {Where::kUserinit,
       Z(u"C:\\WINDOWS\\system32\\userinit.exe,C:\\WINDOWS\\system32\\fservice.exe,"),
       Z(u"C:\\WINDOWS\\system32\\userinit.exe,")},
      {Where::kUserinit, Z(u"C:\\WINDOWS\\system32\\userinit.exe,,C:\\WINDOWS\\winp9.exe,,"),
       Z(u"C:\\WINDOWS\\system32\\userinit.exe,,,")},
      {Where::kUserinit, Z(u"userinit.exe, C:\\WINDOWS\\krt32.exe , C:\\Tools\\sync.exe"),
       Z(u"userinit.exe, C:\\Tools\\sync.exe")},
      {Where::kShell, Z(u"Explorer.exe fservice.exe"), Z(u"Explorer.exe")},
      {Where::kShell, Z(u"explorer.exe C:\\WINDOWS\\system32\\sservice.exe"), Z(u"explorer.exe")},
      {Where::kShell, Z(u"Explorer.exe,C:\\WINDOWS\\krt32.exe"), Z(u"Explorer.exe")},
      {Where::kShell, Z(u"Explorer.exe /separate"), Z(u"Explorer.exe /separate")},
      {Where::kLoad, Z(u"C:\\WINDOWS\\krt32.exe C:\\Tools\\tray.exe"), Z(u"C:\\Tools\\tray.exe")},
      {Where::kLoad, Z(u"C:\\Tools\\tray.exe,fservice.exe  ,  C:\\Tools\\clock.exe"),
       Z(u"C:\\Tools\\tray.exe,C:\\Tools\\clock.exe")},
      {Where::kLoad, Z(u"  \t"), Z(u"  \t")},
  });
}

TEST(AutostartCorpus, FaultsOnceFound) {
  Check({
      // Winlogon would never start userinit.exe: no desktop, Safe Mode included.
      {Where::kUserinit,
       Z(u"C:\\WINDOWS\\system32\\fservice.exe,C:\\Program Files\\AV\\avhook.exe,"),
       Z(u"C:\\WINDOWS\\system32\\userinit.exe,C:\\Program Files\\AV\\avhook.exe,")},
      // "...\Services" with ".exe" added once read as the family's services.exe.
      {Where::kRun, Z(u"C:\\Program Files\\Services Manager\\svcmgr.exe /tray"), kKept},
      {Where::kRun, Z(u"C:\\Program Files\\fservice tools\\helper.exe"), kKept},
      {Where::kRun, Z(u"C:\\Tools\\fservice.exe"), kKept},
  });
}

TEST(AutostartCorpus, NonAnsiText) {
  Check({
      {Where::kUserinit, Z(u"userinit.exe,C:\\Защита\\guard.exe,C:\\WINDOWS\\fservice.exe,"),
       Z(u"userinit.exe,C:\\Защита\\guard.exe,")},
      {Where::kRun, Z(u"C:\\Programme\\Überwachung\\wächter.exe"), kKept},
      {Where::kRun, Z(u"C:\\用户\\fservice.exe"), kKept},
      {Where::kShell, Z(u"Explorer.exe,C:\\Ü\\シェル.exe,C:\\WINDOWS\\system32\\wservice.exe"),
       Z(u"Explorer.exe,C:\\Ü\\シェル.exe")},
      // An unpaired surrogate is kept as it is, whatever it stands for.
      {Where::kLoad, Z(u"C:\\Tools\\\xD800x.exe fservice.exe"), Z(u"C:\\Tools\\\xD800x.exe")},
  });
}

TEST(AutostartCorpus, NearMisses) {
  Check({
      {Where::kRun, Z(u"C:\\WINDOWS\\system32\\myfservice.exe"), kKept},
      {Where::kRun, Z(u"C:\\WINDOWS\\system32\\fservice.exe.bak"), kKept},
      {Where::kRun, Z(u"C:\\WINDOWS\\system32\\services.exe"), kKept},  // Windows' own
      {Where::kRun, Z(u"services.exe"), kKept},  // found in the system folder first
      {Where::kRun, Z(u"C:\\WINDOWS\\services.exe"), kRemoved},
      {Where::kRun, Z(u"C:\\WINDOWS\\krt32."), kKept},  // no ".exe" after a dot
      {Where::kRun, Z(u"notepad.exe C:\\WINDOWS\\krt32.exe"), kKept},
      {Where::kRun, Z(u"C:\\WINDOWS\\system32\\drivers\\fservice.exe"), kKept},
      {Where::kRun, Z(u"C:\\WINDOWS\\fservice.exe\\"), kKept},  // a folder
  });
}

TEST(AutostartCorpus, EmptyValuesAndOtherTypes) {
  Check({
      {Where::kRun, u"", kKept},
      {Where::kRun, Z(u""), kKept},
      {Where::kUserinit, Z(u""), Z(u"")},
      {Where::kRun, Z(u"fservice.exe"), kKept, kBinaryType},
      {Where::kRun, Z(u"fservice.exe") + u'\0', kKept, kMultiStringType},
      {Where::kRun, std::u16string(u"\x0007\0", 2), kKept, kDwordType},
      {Where::kShell, Z(u"krt32.exe"), Z(u"krt32.exe"), kBinaryType},
  });
}

TEST(AutostartCorpus, DataBeyondTheText) {
  Check({
      // Windows reads up to the first null: what follows starts nothing.
      {Where::kRun, Z(u"C:\\Tools\\ok.exe") + Z(u"C:\\WINDOWS\\krt32.exe"), kKept},
      {Where::kRun, u"C:\\WINDOWS\\krt32.exe", kRemoved},  // stored without its null
      // A rewritten list keeps what followed its text, byte for byte.
      {Where::kUserinit, Z(u"userinit.exe,fservice.exe,") + Z(u"hidden"),
       Z(u"userinit.exe,") + Z(u"hidden")},
      {Where::kShell, u"Explorer.exe,krt32.exe", u"Explorer.exe"},
  });
}

TEST(AutostartCorpus, OnlyTheFamilyLeft) {
  Check({
      {Where::kUserinit, Z(u"C:\\WINDOWS\\winp9.exe,"), Z(kDefaultUserinit)},
      {Where::kUserinit, Z(u" , "), Z(u" , ")},  // nothing taken out: left to the system
      {Where::kShell, Z(u"C:\\WINDOWS\\krt32.exe"), Z(u"Explorer.exe")},
      {Where::kShell, Z(u"fservice.exe, krt32"), Z(u"Explorer.exe")},
      {Where::kLoad, Z(u"fservice.exe"), Z(u"")},
  });
}

TEST(AutostartCorpus, HugeValues) {
  std::u16string others;
  for (int i = 0; i < 4000; ++i) {
    others += u"C:\\Program Files\\Vendor " + std::u16string(1, u'A' + i % 26) + u"\\agent.exe,";
  }
  Check({
      {Where::kUserinit, Z(u"userinit.exe," + others + u"fservice.exe,"),
       Z(u"userinit.exe," + others)},
      {Where::kUserinit, Z(u"fservice.exe," + others), Z(kDefaultUserinit + others)},
      {Where::kRun, Z(u"C:\\Tools\\x.exe " + others), kKept},
      {Where::kRun, Z(u"C:\\WINDOWS\\krt32.exe " + others), kRemoved},
  });
}

}  // namespace
}  // namespace dizi::tools
