// fservice.exe: removes the autostart entries the family's deleted files leave
// behind, so that Windows stops complaining at every logon that it cannot find
// them, in the machine's hive and in every user's hive loaded (whoever runs
// it: the user at the keyboard, another administrator, or the system account
// of a deployment tool). Runs without arguments, window or console; changes
// nothing but the family's entries and the two policies that lock the user
// out of Task Manager and the registry editor, each only once its old value is
// saved in a registry undo file in the quarantine folder; deletes no key and
// no file, and always exits with 0.
#include <windows.h>

#include "fservice/debug_report.h"
#include "fservice/registry_place.h"
#include "fservice/repair_places.h"
#include "fservice/system_folders.h"
#include "fservice/undo_file.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace dizi::tools;
  SystemFolders folders;
  if (!folders.Find()) {
    ReportLine line;
    Report(line.Add("Windows does not say where its folders are: nothing changed"));
    return 0;
  }
  const WindowsLookup lookup;
  const AutostartMatcher matcher(folders.Family(), lookup);
  UndoFiles undo;
  const Repair repair = {matcher, folders.DefaultUserinit(), undo};

  RegistryPlace machine[2];
  const int machine_count = MachinePlaces(machine);
  for (int i = 0; i < machine_count; ++i) {
    RepairMachine(repair, machine[i]);
  }
  // The current user's hive is one of those under HKEY_USERS too; it comes
  // first and by its usual name, and finds nothing left the second time.
  RepairUser(repair, CurrentUserPlace());
  UserHive hive;
  for (DWORD index = 0; hive.OpenNext(index);) {
    RepairUser(repair, hive.Place());
  }
  return 0;
}
