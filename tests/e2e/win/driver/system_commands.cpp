#include <cstdio>
#include <string_view>
#include <vector>

#include "commands.h"
#include "common/json_writer.h"
#include "platform/win32/scoped_handle.h"
#include "program_windows.h"

namespace e2e {

namespace {

struct Root {
  std::string_view name;
  HKEY key;
};

const Root kRoots[] = {
    {"HKLM", HKEY_LOCAL_MACHINE}, {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {"HKCU", HKEY_CURRENT_USER},  {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {"HKCR", HKEY_CLASSES_ROOT},  {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
};

// The registry view `reg-dump` reads: the 32-bit or 64-bit one of a 64-bit
// Windows, or the driver's own.
REGSAM ViewFlag(const std::string& view) {
  if (view == "64") {
    return KEY_WOW64_64KEY;
  }
  return view == "32" ? KEY_WOW64_32KEY : 0;
}

std::string Hex(const BYTE* bytes, DWORD size) {
  std::string hex;
  for (DWORD i = 0; i < size; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
    hex += pair;
  }
  return hex;
}

}  // namespace

Outcome Processes(const Options&, HookClient&) {
  JsonWriter json;
  json.BeginArray();
  for (const ProcessEntry& process : RunningProcesses()) {
    json.BeginObject().Field("pid", static_cast<long long>(process.id));
    json.Field("image", process.image).EndObject();
  }
  json.EndArray();
  return {true, json.Text()};
}

Outcome RegistryDump(const Options& options, HookClient&) {
  const std::string& path = options.words[1];
  const std::size_t slash = path.find('\\');
  const std::string_view rootName = std::string_view(path).substr(0, slash);
  const std::string subKey = slash == std::string::npos ? "" : path.substr(slash + 1);
  HKEY root = nullptr;
  for (const Root& candidate : kRoots) {
    if (candidate.name == rootName) {
      root = candidate.key;
    }
  }
  if (root == nullptr) {
    return {false, "unknown registry root in " + path};
  }

  JsonWriter json;
  json.BeginObject();
  HKEY opened = nullptr;
  if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ | ViewFlag(options.view), &opened) !=
      ERROR_SUCCESS) {
    json.Field("exists", false).EndObject();
    return {true, json.Text()};
  }
  const dizi::ScopedRegistryKey key(opened);
  DWORD count = 0;
  DWORD longestName = 0;
  DWORD longestData = 0;
  RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                   &longestName, &longestData, nullptr, nullptr);
  json.Field("exists", true);
  json.Key("values").BeginArray();
  for (DWORD i = 0; i < count; ++i) {
    std::string name(longestName + 1, '\0');
    std::vector<BYTE> data(longestData + 1);
    DWORD nameSize = longestName + 1;
    DWORD dataSize = longestData + 1;
    DWORD type = 0;
    if (RegEnumValueA(key.Get(), i, name.data(), &nameSize, nullptr, &type, data.data(),
                      &dataSize) != ERROR_SUCCESS) {
      continue;
    }
    name.resize(nameSize);
    json.BeginObject().Field("name", name).Field("type", static_cast<long long>(type));
    json.Field("data", Hex(data.data(), dataSize)).EndObject();
  }
  json.EndArray();
  json.EndObject();
  return {true, json.Text()};
}

}  // namespace e2e
