// The user policies an infection sets to keep Task Manager and the registry
// editor from the user.
#pragma once

#include "fservice/registry_place.h"

namespace dizi::tools {

class UndoFiles;

// Sets DisableTaskMgr and DisableRegistryTools under the user's
// Policies\System key to 0 (REG_DWORD) where they are set to anything else;
// where they are missing they stay missing.
void ResetToolPolicies(const RegistryPlace& user, UndoFiles& undo);

}  // namespace dizi::tools
