// A machine for fservice.exe's autostart matching: Windows in C:\WINDOWS, a
// few environment variables, and the long names of the short names that
// exist on its disk (the family's files are gone).
#pragma once

#include <map>
#include <string>

#include "fservice/autostart_command.h"
#include "fservice/machine_lookup.h"

namespace dizi::tools::test {

inline const FamilyFolders kFolders = {
    u"C:\\WINDOWS", u"C:\\WINDOWS\\system32", u"C:\\WINDOWS\\system", {}};

// The same machine as 64-bit Windows sees it from a 32-bit program.
inline const FamilyFolders kWow64Folders = {u"C:\\WINDOWS", u"C:\\WINDOWS\\system32",
                                            u"C:\\WINDOWS\\system", u"C:\\WINDOWS\\SysWOW64"};

inline constexpr char16_t kDefaultUserinit[] = u"C:\\WINDOWS\\system32\\userinit.exe,";

inline std::u16string Upper(WideView text) {
  std::u16string upper(text);
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') {
      c = static_cast<char16_t>(c - u'a' + u'A');
    }
  }
  return upper;
}

class FakeMachine final : public MachineLookup {
 public:
  // Names and short paths are looked up without regard to case.
  std::map<std::u16string, std::u16string> variables = {
      {u"SYSTEMROOT", u"C:\\WINDOWS"},
      {u"WINDIR", u"C:\\WINDOWS"},
      {u"PROGRAMFILES", u"C:\\Program Files"},
      {u"APPDATA", u"C:\\Documents and Settings\\me\\Application Data"},
      {u"EMPTY", u""},
  };
  std::map<std::u16string, std::u16string> long_paths = {
      {u"C:\\PROGRA~1", u"C:\\Program Files"},
      // A program of another maker whose short name looks like one the
      // family's "ffservice.exe" would get; it exists, so it is looked up.
      {u"C:\\WINDOWS\\SYSTEM32\\FFSERV~2.EXE", u"C:\\WINDOWS\\system32\\ffservicetool.exe"},
  };

  bool AppendVariable(WideView name, WideBuffer& out) const override {
    return Look(variables, name, out);
  }

  bool AppendLongPath(WideView path, WideBuffer& out) const override {
    return Look(long_paths, path, out);
  }

 private:
  static bool Look(const std::map<std::u16string, std::u16string>& table, WideView key,
                   WideBuffer& out) {
    const auto found = table.find(Upper(key));
    if (found != table.end()) {
      out.Append(found->second);
    }
    return found != table.end();
  }
};

}  // namespace dizi::tools::test
