#include "fservice/list_values.h"

#include "fservice/autostart_value.h"
#include "fservice/registry_change.h"
#include "fservice/registry_key.h"
#include "fservice/registry_value.h"

namespace dizi::tools {

void RemoveFamilyEntries(const RegistryPlace& place, const ListValue& value,
                         const AutostartMatcher& matcher, UndoFiles& undo) {
  const ScopedRegistryKey key = OpenKeyForRepair(place, value.key_path);
  if (!key) {
    return;
  }
  StoredValue stored;
  const LONG error = ReadValue(key.Get(), value.name, stored);
  if (error != ERROR_SUCCESS) {
    if (error != ERROR_FILE_NOT_FOUND) {
      ReportKeyError("cannot read", place, value.key_path, error);
    }
    return;
  }
  const ListValueRewrite rewrite =
      RewriteListValue(matcher, value.rules, stored.type, stored.data.get(), stored.size);
  if (rewrite.list.changed == Answer::kUnknown) {
    ReportValueLeft(place, value.key_path, value.name,
                    "no list that keeps Windows working could be worked out");
    return;
  }
  if (rewrite.list.changed == Answer::kNo) {
    return;
  }
  ++place.record->tally.family;
  const ValueBytes old = {stored.type, stored.data.get(), stored.size};
  const ValueBytes now = {stored.type, rewrite.data.get(), static_cast<DWORD>(rewrite.size)};
  const bool remove = rewrite.list.only_default && value.delete_when_only_default;
  ApplyChange({place, value.key_path, key.Get(), value.name, old, remove ? nullptr : &now}, undo);
}

}  // namespace dizi::tools
