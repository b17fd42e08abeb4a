// The user policies an infection sets to keep Task Manager and the registry
// editor from the user.
#pragma once

#include "fservice/hive_outcome.h"
#include "fservice/registry_place.h"

namespace dizi::tools {

class UndoFiles;

// Looks at DisableTaskMgr and DisableRegistryTools under the user's
// Policies\System key. With `may_give_back` (see MayGiveToolsBack) each set
// to anything but 0 is set to 0 (REG_DWORD); without, each is left as it is
// and that is reported. Where they are missing they stay missing.
ToolsOutcome ResetToolPolicies(const RegistryPlace& user, bool may_give_back, UndoFiles& undo);

}  // namespace dizi::tools
