#include "fservice/policy_values.h"

#include "fservice/debug_report.h"
#include "fservice/registry_change.h"
#include "fservice/registry_key.h"
#include "fservice/registry_value.h"

namespace dizi::tools {

namespace {

constexpr wchar_t kSystemPoliciesPath[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr const wchar_t* kToolPolicies[] = {L"DisableTaskMgr", L"DisableRegistryTools"};

bool IsZero(const StoredValue& value) {
  return value.type == REG_DWORD && value.size == sizeof(DWORD) &&
         *reinterpret_cast<const DWORD*>(value.data.get()) == 0;
}

// Another user's lock-down that stays: said, but no failure.
void ReportLockDownLeft(const RegistryPlace& user, const wchar_t* name) {
  ReportLine line;
  line.Add("left ");
  Report(AddKeyName(line, user, kSystemPoliciesPath)
             .Add(" value ")
             .AddQuoted(WideView(name))
             .Add(" as it is: none of the family's start-up entries was found in this "
                  "user's hive"));
}

}  // namespace

ToolsOutcome ResetToolPolicies(const RegistryPlace& user, bool may_give_back, UndoFiles& undo) {
  const ScopedRegistryKey key = OpenKeyForRepair(user, kSystemPoliciesPath);
  if (!key) {
    return ToolsOutcome::kNotLocked;
  }
  static constexpr DWORD kZero = 0;
  const ValueBytes zero = {REG_DWORD, &kZero, sizeof kZero};
  unsigned locked = 0;
  unsigned given_back = 0;
  for (const wchar_t* name : kToolPolicies) {
    StoredValue value;
    const LONG error = ReadValue(key.Get(), name, value);
    if (error == ERROR_FILE_NOT_FOUND || (error == ERROR_SUCCESS && IsZero(value))) {
      continue;
    }
    // A value that cannot be read may lock the user out as well.
    ++locked;
    if (error != ERROR_SUCCESS) {
      ReportKeyError("cannot read", user, kSystemPoliciesPath, error);
    } else if (!may_give_back) {
      ReportLockDownLeft(user, name);
    } else if (ApplyChange({user,
                            kSystemPoliciesPath,
                            key.Get(),
                            name,
                            {value.type, value.data.get(), value.size},
                            &zero},
                           undo)) {
      ++given_back;
    }
  }
  return JudgeTools(locked, given_back, may_give_back);
}

}  // namespace dizi::tools
