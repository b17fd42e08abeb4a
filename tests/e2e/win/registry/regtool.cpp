// The registry as the tests plant and read it, exactly: names and data through
// the wide functions, names counted (a name may hold nulls), texts written as
// hex so that nothing is lost on the way to the harness.
//
//   regtool.exe dump KEY...            prints {"KEY": [{"name": HEX, "type": N,
//                                      "data": HEX}, ...] or null when the key
//                                      does not exist}; names are UTF-16LE hex
//   regtool.exe set KEY NAME TYPE DATA creates KEY if needed and sets the value
//                                      whose counted name is the UTF-16LE hex
//                                      NAME to the hex DATA, as TYPE
//   regtool.exe keys KEY               prints {"KEY": [subkey names...] or null when
//                                      the key does not exist}
//   regtool.exe load HIVE=FILE...      loads each registry file as
//                                      HKEY_USERS\HIVE, writes "ready", keeps
//                                      them loaded until standard input ends,
//                                      then unloads them
// KEY begins with HKLM, HKCU or HKU. Exit code 0 on success, 1 on failure
// (with the reason on standard error), 2 for a wrong command line.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/json_writer.h"
#include "platform/win32/scoped_handle.h"

namespace {

// The native API's counted text (UNICODE_STRING).
struct CountedText {
  USHORT length;
  USHORT room;
  const wchar_t* text;
};
using NtSetValueKeyFunction = LONG(WINAPI*)(HANDLE, CountedText*, ULONG, ULONG, const void*, ULONG);

int Fail(const std::string& why) {
  std::fprintf(stderr, "regtool: %s\n", why.c_str());
  return 1;
}

std::wstring Widen(const std::string& ascii) {
  return std::wstring(ascii.begin(), ascii.end());
}

std::string Hex(const void* bytes, size_t size) {
  std::string hex;
  for (size_t i = 0; i < size; ++i) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", static_cast<const BYTE*>(bytes)[i]);
    hex += pair;
  }
  return hex;
}

bool FromHex(const std::string& hex, std::vector<BYTE>& bytes) {
  if (hex.size() % 2 != 0) {
    return false;
  }
  for (size_t i = 0; i < hex.size(); i += 2) {
    unsigned value = 0;
    if (std::sscanf(hex.c_str() + i, "%2x", &value) != 1) {
      return false;
    }
    bytes.push_back(static_cast<BYTE>(value));
  }
  return true;
}

// Splits "HKLM\Software\..." into its root and the path below it.
bool ParseKey(const std::string& key, HKEY& root, std::wstring& path) {
  const size_t slash = key.find('\\');
  const std::string rootName = key.substr(0, slash);
  path = slash == std::string::npos ? L"" : Widen(key.substr(slash + 1));
  root = rootName == "HKLM"   ? HKEY_LOCAL_MACHINE
         : rootName == "HKCU" ? HKEY_CURRENT_USER
         : rootName == "HKU"  ? HKEY_USERS
                              : nullptr;
  return root != nullptr;
}

void DumpKey(e2e::JsonWriter& json, const std::string& name) {
  json.Key(name);
  HKEY root = nullptr;
  std::wstring path;
  HKEY opened = nullptr;
  if (!ParseKey(name, root, path) ||
      RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
    json.Null();
    return;
  }
  const dizi::ScopedRegistryKey key(opened);
  DWORD count = 0;
  DWORD longestName = 0;
  DWORD largestData = 0;
  RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count,
                   &longestName, &largestData, nullptr, nullptr);
  json.BeginArray();
  for (DWORD i = 0; i < count; ++i) {
    std::vector<wchar_t> valueName(longestName + 1);
    std::vector<BYTE> data(largestData + 1);
    DWORD nameLength = longestName + 1;
    DWORD size = largestData + 1;
    DWORD type = 0;
    if (RegEnumValueW(key.Get(), i, valueName.data(), &nameLength, nullptr, &type, data.data(),
                      &size) != ERROR_SUCCESS) {
      continue;
    }
    json.BeginObject().Field("name", Hex(valueName.data(), nameLength * sizeof(wchar_t)));
    json.Field("type", static_cast<long long>(type)).Field("data", Hex(data.data(), size));
    json.EndObject();
  }
  json.EndArray();
}

int Dump(const std::vector<std::string>& keys) {
  e2e::JsonWriter json;
  json.BeginObject();
  for (const std::string& key : keys) {
    DumpKey(json, key);
  }
  json.EndObject();
  std::printf("%s\n", json.Text().c_str());
  return 0;
}

int Keys(const std::string& name) {
  e2e::JsonWriter json;
  json.BeginObject().Key(name);
  HKEY root = nullptr;
  std::wstring path;
  HKEY opened = nullptr;
  if (!ParseKey(name, root, path) ||
      RegOpenKeyExW(root, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &opened) != ERROR_SUCCESS) {
    json.Null();
  } else {
    const dizi::ScopedRegistryKey key(opened);
    json.BeginArray();
    for (DWORD i = 0;; ++i) {
      wchar_t subkey[256];
      DWORD length = 256;
      if (RegEnumKeyExW(key.Get(), i, subkey, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      json.String(std::string(subkey, subkey + length));
    }
    json.EndArray();
  }
  json.EndObject();
  std::printf("%s\n", json.Text().c_str());
  return 0;
}

int Set(const std::string& keyName, const std::string& nameHex, const std::string& type,
        const std::string& dataHex) {
  HKEY root = nullptr;
  std::wstring path;
  std::vector<BYTE> name;
  std::vector<BYTE> data;
  if (!ParseKey(keyName, root, path) || !FromHex(nameHex, name) || !FromHex(dataHex, data)) {
    return Fail("cannot read the command line");
  }
  HKEY created = nullptr;
  LONG error =
      RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr);
  if (error != ERROR_SUCCESS) {
    return Fail("cannot create " + keyName + ": error " + std::to_string(error));
  }
  const dizi::ScopedRegistryKey key(created);
  const auto setValue = reinterpret_cast<NtSetValueKeyFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSetValueKey")));
  CountedText counted = {static_cast<USHORT>(name.size()), static_cast<USHORT>(name.size()),
                         reinterpret_cast<const wchar_t*>(name.data())};
  error = setValue(key.Get(), &counted, 0, std::stoul(type), data.data(),
                   static_cast<ULONG>(data.size()));
  return error == 0 ? 0 : Fail("NtSetValueKey failed: status " + std::to_string(error));
}

bool EnablePrivilege(const wchar_t* name) {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &opened)) {
    return false;
  }
  const dizi::ScopedHandle token(opened);
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  return LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid) &&
         AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr) &&
         GetLastError() == ERROR_SUCCESS;
}

int Load(const std::vector<std::string>& hives) {
  if (!EnablePrivilege(L"SeRestorePrivilege") || !EnablePrivilege(L"SeBackupPrivilege")) {
    return Fail("cannot enable the privileges to load a hive");
  }
  std::vector<std::wstring> loaded;
  for (const std::string& hive : hives) {
    const size_t equals = hive.find('=');
    if (equals == std::string::npos) {
      return Fail("not HIVE=FILE: " + hive);
    }
    const std::wstring name = Widen(hive.substr(0, equals));
    const LONG error =
        RegLoadKeyW(HKEY_USERS, name.c_str(), Widen(hive.substr(equals + 1)).c_str());
    if (error != ERROR_SUCCESS) {
      return Fail("cannot load " + hive + ": error " + std::to_string(error));
    }
    loaded.push_back(name);
  }
  std::printf("ready\n");
  std::fflush(stdout);
  char buffer[64];
  DWORD read = 0;
  while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) &&
         read > 0) {
  }
  for (const std::wstring& name : loaded) {
    RegUnLoadKeyW(HKEY_USERS, name.c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  if (words.size() >= 2 && words[0] == "dump") {
    return Dump({words.begin() + 1, words.end()});
  }
  if (words.size() == 5 && words[0] == "set") {
    return Set(words[1], words[2], words[3], words[4]);
  }
  if (words.size() == 2 && words[0] == "keys") {
    return Keys(words[1]);
  }
  if (words.size() >= 2 && words[0] == "load") {
    return Load({words.begin() + 1, words.end()});
  }
  std::fprintf(stderr,
               "usage: regtool.exe dump KEY... | keys KEY | set KEY NAME TYPE DATA | load "
               "HIVE=FILE...\n");
  return 2;
}
