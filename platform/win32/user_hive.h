// Users' registry hives loaded from their files under HKEY_USERS, as the
// restore window's Import does for a profile whose user is not signed in.
#pragma once

#include <string>

#include "platform/platform.h"

namespace dizi {

// True when HKEY_USERS\<name> exists.
bool UserHiveLoaded(const std::string& name);

// Loads `file` as HKEY_USERS\<name>. The backup and restore privileges that
// loading and unloading take are enabled for each call, then set back as
// they were.
HiveLoad LoadHiveFile(const std::string& name, const std::string& file);

}  // namespace dizi
