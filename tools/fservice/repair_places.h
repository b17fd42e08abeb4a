// What fservice.exe repairs in the machine's hive and in each user's.
#pragma once

#include "fservice/autostart_command.h"
#include "fservice/hive_outcome.h"
#include "fservice/registry_place.h"

namespace dizi::tools {

class UndoFiles;

struct Repair {
  const AutostartMatcher& matcher;
  WideView default_userinit;  // see SystemFolders::DefaultUserinit
  UndoFiles& undo;            // where every value is saved before it changes
};

// The Run-style keys, and Winlogon's Shell and Userinit.
void RepairMachine(const Repair& repair, const RegistryPlace& machine);

// The Run-style keys, the user's own Winlogon Shell, the Windows key's load
// and run, and then the policies that disable Task Manager and the registry
// editor, which are given back only as MayGiveToolsBack says for a hive of
// that kind with what was found in it.
ToolsOutcome RepairUser(const Repair& repair, const RegistryPlace& user, HiveKind kind);

}  // namespace dizi::tools
