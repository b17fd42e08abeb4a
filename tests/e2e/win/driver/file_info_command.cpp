// What Windows Explorer shows of a program file: its version record and the
// sizes and colour depths of its icon's images.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "common/json_writer.h"
#include "common/test_only_handles.h"

namespace e2e {

namespace {

constexpr const char* kVersionKeys[] = {
    "CompanyName",    "FileDescription", "FileVersion",      "InternalName",
    "LegalCopyright", "LegalTrademarks", "OriginalFilename", "ProductName",
    "ProductVersion", "Comments",        "PrivateBuild",     "SpecialBuild",
};

std::string DottedVersion(DWORD high, DWORD low) {
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", HIWORD(high), LOWORD(high), HIWORD(low),
                LOWORD(low));
  return text;
}

void WriteVersion(JsonWriter& json, const std::string& path) {
  json.Key("version");
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  std::vector<char> data(size);
  if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, data.data())) {
    json.Null();
    return;
  }
  json.BeginObject();
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
    json.Field("fileVersion", DottedVersion(fixed->dwFileVersionMS, fixed->dwFileVersionLS));
    json.Field("productVersion",
               DottedVersion(fixed->dwProductVersionMS, fixed->dwProductVersionLS));
  }
  struct Translation {
    WORD language;
    WORD codePage;
  }* translation = nullptr;
  json.Key("strings").BeginObject();
  if (VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                     reinterpret_cast<void**>(&translation), &length) &&
      length >= sizeof *translation) {
    for (const char* key : kVersionKeys) {
      char query[128];
      std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", translation->language,
                    translation->codePage, key);
      char* value = nullptr;
      json.Key(key);
      if (VerQueryValueA(data.data(), query, reinterpret_cast<void**>(&value), &length) &&
          value != nullptr) {
        json.String(length > 0 ? std::string(value, strnlen(value, length)) : std::string());
      } else {
        json.Null();
      }
    }
  }
  json.EndObject();
  json.EndObject();
}

#pragma pack(push, 2)
struct IconDirectoryEntry {
  BYTE width;
  BYTE height;
  BYTE colours;
  BYTE reserved;
  WORD planes;
  WORD bitCount;
  DWORD bytes;
  WORD id;
};
struct IconDirectory {
  WORD reserved;
  WORD type;
  WORD count;
  IconDirectoryEntry entries[1];
};
#pragma pack(pop)

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR found) {
  reinterpret_cast<std::vector<LPSTR>*>(found)->push_back(name);
  return FALSE;  // the first icon group is the program's icon
}

void WriteIcon(JsonWriter& json, const std::string& path) {
  json.Key("icon").BeginArray();
  UniqueModule module(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  std::vector<LPSTR> groups;
  if (module) {
    EnumResourceNamesA(module.Get(), RT_GROUP_ICON, CollectName,
                       reinterpret_cast<LONG_PTR>(&groups));
  }
  if (!groups.empty()) {
    HRSRC found = FindResourceA(module.Get(), groups.front(), RT_GROUP_ICON);
    HGLOBAL loaded = found ? LoadResource(module.Get(), found) : nullptr;
    const auto* directory =
        static_cast<const IconDirectory*>(loaded ? LockResource(loaded) : nullptr);
    for (WORD i = 0; directory != nullptr && i < directory->count; ++i) {
      const IconDirectoryEntry& entry = directory->entries[i];
      // A width or height of 0 stands for 256.
      json.BeginArray();
      json.Number(entry.width == 0 ? 256 : entry.width);
      json.Number(entry.height == 0 ? 256 : entry.height);
      json.Number(entry.bitCount);
      json.EndArray();
    }
  }
  json.EndArray();
}

}  // namespace

Outcome FileInfo(const Options& options, HookClient&) {
  const std::string& path = options.words[1];
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    return {false, "no file " + path};
  }
  JsonWriter json;
  json.BeginObject();
  WriteVersion(json, path);
  WriteIcon(json, path);
  json.EndObject();
  return {true, json.Text()};
}

}  // namespace e2e
