#include "fservice/policy_values.h"

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

}  // namespace

void ResetToolPolicies(const RegistryPlace& user, UndoFiles& undo) {
  const ScopedRegistryKey key = OpenKeyForRepair(user, kSystemPoliciesPath);
  if (!key) {
    return;
  }
  static constexpr DWORD kZero = 0;
  const ValueBytes zero = {REG_DWORD, &kZero, sizeof kZero};
  for (const wchar_t* name : kToolPolicies) {
    StoredValue value;
    const LONG error = ReadValue(key.Get(), name, value);
    if (error == ERROR_SUCCESS && !IsZero(value)) {
      ApplyChange({user,
                   kSystemPoliciesPath,
                   key.Get(),
                   name,
                   {value.type, value.data.get(), value.size},
                   &zero},
                  undo);
    } else if (error != ERROR_SUCCESS && error != ERROR_FILE_NOT_FOUND) {
      ReportKeyError("cannot read", user, kSystemPoliciesPath, error);
    }
  }
}

}  // namespace dizi::tools
