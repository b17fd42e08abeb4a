// Whether an autostart command (the data of a Run value, or one entry of a
// Winlogon or Windows program list) starts one of the family's files, Windows'
// userinit.exe or Explorer.
#pragma once

#include <string_view>

#include "fservice/machine_lookup.h"
#include "fservice/wide_buffer.h"
#include "fservice/wide_text.h"

namespace dizi::tools {

// kUnknown: the answer could not be worked out exactly (the heap ran out); a
// value whose answer is unknown is left as it is.
enum class Answer { kNo, kYes, kUnknown };

// The folders the family installs itself in, as Windows names them, without a
// trailing backslash.
struct FamilyFolders {
  WideView windows;        // e.g. C:\WINDOWS
  WideView system;         // e.g. C:\WINDOWS\system32
  WideView legacy_system;  // the system folder less its last two characters
  // On 64-bit Windows, where the family's (32-bit) files in the system folder
  // really are (C:\WINDOWS\SysWOW64); a command naming it names the system
  // folder. Empty elsewhere.
  WideView system_wow64;
};

class AutostartMatcher {
 public:
  AutostartMatcher(const FamilyFolders& folders, const MachineLookup& machine)
      : folders_(folders), machine_(machine) {}

  // kYes when the program that `command` starts is one of the family's files
  // in one of the family's folders, or a family file's name alone (which
  // Windows looks for in those folders), or when it is rundll32.exe starting a
  // family library ("rundll32.exe wininv.dll,Start").
  //
  // The program is found the way Windows reads a command line, without
  // looking at the disk (the family's files are already deleted when this
  // runs):
  // - environment variables are expanded first; leading and trailing blanks
  //   are ignored;
  // - a command beginning with a double quote names the program up to the
  //   closing quote (or to the end when the quote is never closed);
  // - otherwise Windows tries the text up to each blank in turn, shortest
  //   first, adding ".exe" to a name without an extension, and runs the first
  //   that exists. Each such candidate is checked in the same order; the first
  //   whose file name has an extension is taken to be the program, so in
  //   "viewer.exe fservice.exe" the program is viewer.exe and fservice.exe only
  //   its argument.
  // Paths are compared in the form Windows opens them in (see
  // AppendNormalPath), without regard to case; short (8.3) names of folders
  // are looked up, short names of family files recognised (see
  // IsShortNameOfFamilyFile). So "myfservice.exe", "fservice.exe.bak",
  // "C:\Tools\fservice.exe" and Windows' own system folder's "services.exe"
  // never count.
  Answer StartsFamilyFile(WideView command) const;

  // kYes when `command` starts userinit.exe from the system folder, or by its
  // name alone (which Winlogon finds there).
  Answer StartsUserinit(WideView command) const;

  // kYes when `command` starts explorer.exe from the Windows or the system
  // folder, or by its name alone.
  Answer StartsExplorer(WideView command) const;

 private:
  struct Program;
  using Test = Answer (AutostartMatcher::*)(const Program& program, WideView arguments) const;

  Answer FirstProgram(WideView command, Test test) const;
  Answer Judge(WideView path, WideView arguments, Test test) const;
  bool Identify(WideView path, std::string_view default_extension, Program& program) const;
  void LookUpShortNames(Program& program) const;

  static bool IsFamilyFile(const Program& program);
  Answer IsFamilyProgram(const Program& program, WideView arguments) const;
  Answer IsUserinit(const Program& program, WideView arguments) const;
  Answer IsExplorer(const Program& program, WideView arguments) const;
  Answer StartsFamilyLibrary(WideView arguments) const;

  FamilyFolders folders_;
  const MachineLookup& machine_;
};

}  // namespace dizi::tools
