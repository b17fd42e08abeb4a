#include "fservice/run_values.h"

#include "fservice/autostart_value.h"
#include "fservice/registry_change.h"
#include "fservice/registry_key.h"
#include "fservice/registry_value.h"

namespace dizi::tools {

void RemoveFamilyRunValues(const RegistryPlace& place, const wchar_t* key_path,
                           const AutostartMatcher& matcher, UndoFiles& undo) {
  const ScopedRegistryKey key = OpenKeyForRepair(place, key_path);
  if (!key) {
    return;
  }
  ValueReader values(key.Get());
  DWORD count = 0;
  LONG error = values.Start(count);
  if (error != ERROR_SUCCESS) {
    ReportKeyError("cannot read", place, key_path, error);
    return;
  }
  // From the last value to the first: deleting value i leaves the indices of
  // the values before it as they were.
  for (DWORD index = count; index-- > 0;) {
    ValueReader::Value value;
    error = values.Read(index, value);
    if (error == ERROR_NO_MORE_ITEMS) {
      continue;
    }
    if (error != ERROR_SUCCESS) {
      ReportKeyError("cannot read a value of", place, key_path, error);
      continue;
    }
    const Answer family = StartsFamilyFile(matcher, value.type, value.data, value.size);
    if (family == Answer::kYes) {
      ++place.record->tally.family;
      ApplyChange(
          {place, key_path, key.Get(), value.name, {value.type, value.data, value.size}, nullptr},
          undo);
    } else if (family == Answer::kUnknown) {
      ReportValueLeft(place, key_path, value.name, "out of memory judging it");
    }
  }
}

}  // namespace dizi::tools
