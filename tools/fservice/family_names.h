// The family's file names, as the engine's signature tables list them.
#pragma once

#include "fservice/wide_text.h"

namespace dizi::tools {

// True when `name`, a bare file name, is the name of one of the family's files
// (any entry of the server or the downloader table), without regard to case.
bool IsFamilyFileName(WideView name);

// True when `name` is a short (8.3) name that Windows may have given one of the
// family's files whose own name does not fit 8.3, e.g. "FFSERV~1.EXE" for
// "ffservice.exe": the first characters of the name, "~", a number, and the
// first three characters of the extension. The hashed short names Windows
// makes after the fourth alike file are not recognised.
bool IsShortNameOfFamilyFile(WideView name);

// True for the one family name that Windows itself uses for a file in the
// system folder: "services.exe" (the service control manager). Only the
// family's copy in another folder is the family's.
bool IsWindowsSystemFileName(WideView name);

}  // namespace dizi::tools
