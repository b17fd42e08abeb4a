#include "fservice/run_values.h"

#include "fservice/autostart_command.h"
#include "fservice/debug_report.h"
#include "fservice/heap_chars.h"
#include "fservice/registry_key.h"
#include "fservice/registry_text.h"
#include "platform/win32/error_text.h"

namespace dizi::tools {

void RemoveFamilyRunValues(const RegistryPlace& place, const char* key_path) {
  LONG error = ERROR_SUCCESS;
  const ScopedRegistryKey key =
      OpenRegistryKey(place.root, key_path, KEY_QUERY_VALUE | KEY_SET_VALUE | place.view, error);
  if (!key) {
    if (error != ERROR_FILE_NOT_FOUND) {
      Report("cannot open %s\\%s%s: %s", place.root_name, key_path, place.ViewName(),
             DescribeError(error).text);
    }
    return;
  }

  DWORD count = 0;
  DWORD longest_name = 0;  // in characters, without the null
  DWORD largest_data = 0;  // in bytes
  error = RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                           &longest_name, &largest_data, nullptr, nullptr);
  if (error != ERROR_SUCCESS) {
    Report("cannot read %s\\%s%s: %s", place.root_name, key_path, place.ViewName(),
           DescribeError(error).text);
    return;
  }
  // A name's characters may take two bytes each in the ANSI code page.
  const DWORD name_capacity = 2 * longest_name + 2;
  const HeapChars name = AllocateChars(name_capacity);
  const HeapChars data = AllocateChars(largest_data);
  if (!name || !data) {
    Report("out of memory reading %s\\%s", place.root_name, key_path);
    return;
  }

  // From the last value to the first: deleting value i leaves the indices of
  // the values before it as they were.
  for (DWORD index = count; index-- > 0;) {
    DWORD name_size = name_capacity;
    DWORD data_size = largest_data;
    DWORD type = REG_NONE;
    error = RegEnumValueA(key.Get(), index, name.get(), &name_size, nullptr, &type,
                          reinterpret_cast<BYTE*>(data.get()), &data_size);
    if (error != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
      continue;
    }
    const std::string_view command = TextOfValueData(data.get(), data_size);
    if (!StartsFamilyFile(command)) {
      continue;
    }
    error = RegDeleteValueA(key.Get(), name.get());
    if (error == ERROR_SUCCESS) {
      Report("removed %s\\%s%s value \"%s\" = \"%.*s\"", place.root_name, key_path,
             place.ViewName(), name.get(), static_cast<int>(command.size()), command.data());
    } else {
      Report("cannot remove %s\\%s%s value \"%s\": %s", place.root_name, key_path, place.ViewName(),
             name.get(), DescribeError(error).text);
    }
  }
}

}  // namespace dizi::tools
