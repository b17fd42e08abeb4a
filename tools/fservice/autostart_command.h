// Whether an autostart command (the data of a Run value, or one entry of the
// Winlogon Shell or Userinit list) starts one of the family's files.
#pragma once

#include <string_view>

namespace dizi::tools {

// True when the program that `command` starts is one of the family's files.
//
// The program is found the way Windows reads a command line, but without
// looking at the disk (the family's files are already deleted when this runs):
// - Leading and trailing blanks are ignored.
// - A command that begins with a double quote names the program up to the
//   closing quote (or to the end when the quote is never closed).
// - Otherwise Windows tries the text up to each blank in turn, shortest first,
//   and runs the first one that exists, adding ".exe" to a name without an
//   extension. Here each such candidate is checked in the same order; the
//   first candidate whose file name has an extension is taken to be the
//   program, so nothing after it is looked at: in "viewer.exe fservice.exe" the
//   program is viewer.exe and fservice.exe only its argument.
//
// Only the last component of the program's path is compared, as a whole file
// name and without regard to case, so a directory, an environment variable in
// the directory ("%SystemRoot%\system32\...") or a quote makes no difference,
// while "myfservice.exe" or "fservice.exe.bak" never match "fservice.exe".
bool StartsFamilyFile(std::string_view command);

}  // namespace dizi::tools
