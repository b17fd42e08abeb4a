// The quarantine's folder, as DiziTarvix.exe and the repair program both make
// it: free of exceptions and of the C++ library's allocation, so that the
// companion programs can use it.
#pragma once

#include <windows.h>

namespace dizi {

// The common application data folder (C:\ProgramData; on Windows XP the
// "Application Data" folder of "All Users") in `path`, without a trailing
// backslash; false when Windows does not say where it is.
bool FindCommonAppDataFolder(char (&path)[MAX_PATH]);

// The quarantine's folder below it (quarantine/location.h) in `path`; false
// when Windows does not say where that is or the path would not fit.
bool FindQuarantineFolder(char (&path)[MAX_PATH]);

// Makes the folder `path` (a full path) and every missing folder above it.
// The folder itself is made, or, when it exists already, made again, usable
// by administrators and the system only, and so is everything created in it.
// ERROR_SUCCESS, or the error that stopped it.
DWORD MakeProtectedFolder(const char* path);

}  // namespace dizi
