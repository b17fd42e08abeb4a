// Users' hives loaded from their files under HKEY_USERS, as the restore
// window's Import loads a profile's whose user is not signed in. Wine loads
// a file in its own text format (as Windows loads its binary hives), and
// writes nothing back when unloading, so what is checked here is the loading
// and unloading, never a change in the file.
#include <windows.h>

#include <string>

#include "check.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_platform.h"
#include "scratch_folder.h"

namespace dizi {
namespace {

constexpr char kHive[] = "S-1-5-21-0-0-0-4242";

// A hive file with one value, in Wine's registry format.
std::string HiveFile(const ScratchFolder& folder) {
  const std::string path = folder / "NTUSER.DAT";
  WriteText(path,
            "WINE REGISTRY Version 2\n\n#arch=win32\n\n"
            "[Software\\\\DiziTarvixTest] 1700000000\n\"Planted\"=\"yes\"\n");
  return path;
}

bool ValueThere() {
  HKEY opened = nullptr;
  const std::string key = std::string(kHive) + "\\Software\\DiziTarvixTest";
  if (::RegOpenKeyExA(HKEY_USERS, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    return false;
  }
  const ScopedRegistryKey held(opened);
  return ::RegQueryValueExA(held.Get(), "Planted", nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

TEST_CASE(AHiveFileIsLoadedUnderItsNameAndUnloadedAgain) {
  Win32Platform platform;
  ScratchFolder folder;
  const std::string file = HiveFile(folder);
  CHECK(!platform.IsUserHiveLoaded(kHive));
  HiveLoad load = platform.LoadUserHive(kHive, file);
  CHECK_EQ(load.reason, std::string());
  CHECK(load.hive != nullptr);
  CHECK(platform.IsUserHiveLoaded(kHive));
  CHECK(ValueThere());
  if (load.hive) {
    const Outcome unloaded = load.hive->Unload();
    CHECK_EQ(unloaded.reason, std::string());
    CHECK(unloaded.ok);
  }
  CHECK(!platform.IsUserHiveLoaded(kHive));
  CHECK(!ValueThere());

  // Let go of without Unload, it unloads itself.
  load = platform.LoadUserHive(kHive, file);
  CHECK(platform.IsUserHiveLoaded(kHive));
  load.hive.reset();
  CHECK(!platform.IsUserHiveLoaded(kHive));
}

// A load that fails unloads nothing, least of all the hive of that name that
// is loaded already.
TEST_CASE(AHiveThatCannotBeLoadedSaysWhyAndUnloadsNothing) {
  Win32Platform platform;
  ScratchFolder folder;
  const HiveLoad missing = platform.LoadUserHive(kHive, folder / "missing\\NTUSER.DAT");
  CHECK(missing.hive == nullptr);
  CHECK(missing.reason.find("(error ") != std::string::npos);
  CHECK(!platform.IsUserHiveLoaded(kHive));

  WriteText(folder / "damaged.dat", "not a hive");
  const HiveLoad damaged = platform.LoadUserHive(kHive, folder / "damaged.dat");
  CHECK(damaged.hive == nullptr);
  CHECK(damaged.reason.find("(error ") != std::string::npos);
  CHECK(!platform.IsUserHiveLoaded(kHive));

  HiveLoad first = platform.LoadUserHive(kHive, HiveFile(folder));
  CHECK(first.hive != nullptr);
  {
    const HiveLoad again = platform.LoadUserHive(kHive, HiveFile(folder));
    CHECK(again.hive == nullptr);
    CHECK(!again.reason.empty());
  }
  CHECK(platform.IsUserHiveLoaded(kHive));
  CHECK(ValueThere());
  first.hive.reset();
  CHECK(!platform.IsUserHiveLoaded(kHive));
}

}  // namespace
}  // namespace dizi
