#include "fservice/repair_places.h"

#include "fservice/list_values.h"
#include "fservice/policy_values.h"
#include "fservice/run_values.h"

namespace dizi::tools {

namespace {

constexpr wchar_t kDefaultShell[] = L"Explorer.exe";

void RemoveFromRunKeys(const Repair& repair, const RegistryPlace& place) {
  for (const wchar_t* key_path : kRunKeyPaths) {
    RemoveFamilyRunValues(place, key_path, repair.matcher, repair.undo);
  }
}

}  // namespace

void RepairMachine(const Repair& repair, const RegistryPlace& machine) {
  RemoveFromRunKeys(repair, machine);
  const ListValue lists[] = {
      {kWinlogonKeyPath, L"Shell", {ListKind::kShell, kDefaultShell}, false},
      {kWinlogonKeyPath, L"Userinit", {ListKind::kUserinit, repair.default_userinit}, false},
  };
  for (const ListValue& list : lists) {
    RemoveFamilyEntries(machine, list, repair.matcher, repair.undo);
  }
}

ToolsOutcome RepairUser(const Repair& repair, const RegistryPlace& user, HiveKind kind) {
  RemoveFromRunKeys(repair, user);
  const ListValue lists[] = {
      {kWinlogonKeyPath, L"Shell", {ListKind::kShell, kDefaultShell}, true},
      {kWindowsKeyPath, L"load", {ListKind::kPrograms, {}}, false},
      {kWindowsKeyPath, L"run", {ListKind::kPrograms, {}}, false},
  };
  for (const ListValue& list : lists) {
    RemoveFamilyEntries(user, list, repair.matcher, repair.undo);
  }
  return ResetToolPolicies(user, MayGiveToolsBack(kind, user.record->tally), repair.undo);
}

}  // namespace dizi::tools
