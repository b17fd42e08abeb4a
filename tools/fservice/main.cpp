// fservice.exe: removes the autostart entries the family's deleted files leave
// behind, so that Windows stops complaining at every logon that it cannot find
// them. Runs without arguments, window or console; changes no other value,
// deletes no key and no file, and always exits with 0.
#include <windows.h>

#include "fservice/registry_place.h"
#include "fservice/run_values.h"
#include "fservice/winlogon_values.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace dizi::tools;
  RegistryPlace machine[2];
  const int machine_count = MachinePlaces(machine);
  for (int i = 0; i < machine_count; ++i) {
    for (const char* key_path : kRunKeyPaths) {
      RemoveFamilyRunValues(machine[i], key_path);
    }
    RemoveFamilyWinlogonEntries(machine[i]);
  }
  for (const char* key_path : kRunKeyPaths) {
    RemoveFamilyRunValues(UserPlace(), key_path);
  }
  return 0;
}
