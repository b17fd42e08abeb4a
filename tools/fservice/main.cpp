// fservice.exe: removes the autostart entries the family's deleted files leave
// behind, so that Windows stops complaining at every logon that it cannot find
// them, in the machine's hive and in every user's: the hive of the account it
// runs as, every other hive loaded (whoever runs it: the user at the keyboard,
// another administrator, or the system account of a deployment tool), and the
// hives of the profiles whose users are not signed in, each loaded from its
// file for the cleaning and unloaded again. Runs without arguments, window or
// console; changes nothing but the family's entries and the two policies that
// lock a user out of Task Manager and the registry editor (in another user's
// hive only where the family's entries were found), each only once its old
// value is saved in a registry undo file in the quarantine folder; deletes no
// key and no file.
//
// Each change and failure is one line of debug output ("fservice: ...").
//
// Exit codes:
//   0  done: every entry of the family found is gone, every policy to be
//      given back is given back, each value saved first
//   1  done, but something could not be read, saved or changed (each such
//      failure is a line of the debug output and of the summary)
//   2  nothing was done: Windows does not say where its folders are
// A profile skipped (see profile_judge.h) is no failure: the summary says why.
//
// Summary: when the program has a standard output (DiziTarvix.exe gives it a
// pipe), it writes there, one line each, ended by a line feed:
//   fservice summary 1
//   failed<TAB><what could not be read, saved or changed, as the debug line says it>
//   hive<TAB><hive><TAB><kind><TAB><done><TAB><values changed><TAB><tools><TAB><note>
//   end<TAB><exit code>
// "hive" once for each user's hive: <hive> its name under HKEY_USERS (the
// user's SID); <kind> "own" (the account the program runs as), "loaded"
// (another hive that was loaded) or "profile" (loaded from the profile's file
// by the program, or skipped); <done> "cleaned" (the family's entries found
// are gone), "nothing-found", "incomplete" (something could not be read or
// changed there) or "skipped"; <tools> "given-back", "not-locked",
// "left-locked" (another user's lock-down, in a hive without the family),
// "not-given-back", or "-" for a skipped hive; <note> why a profile was
// skipped, empty otherwise. A failure comes before the line of its hive. Text
// from the registry is written as the debug lines write it (characters
// outside printable ASCII as <U+XXXX>), so no field of a "hive" line holds a
// tab; the system's own messages in a "failed" line are in its ANSI code
// page. "end" is written last: a summary without it was cut short.
#include <windows.h>

#include "fservice/debug_report.h"
#include "fservice/registry_place.h"
#include "fservice/repair_places.h"
#include "fservice/summary_output.h"
#include "fservice/system_folders.h"
#include "fservice/undo_file.h"
#include "fservice/user_hives.h"

namespace {

constexpr int kDone = 0;
constexpr int kNotEverything = 1;
constexpr int kNothingDone = 2;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using namespace dizi::tools;
  SummaryOutput summary;
  SystemFolders folders;
  if (!folders.Find()) {
    ReportLine line;
    summary.Failure(
        Report(line.Add("Windows does not say where its folders are: nothing changed")));
    summary.End(kNothingDone);
    return kNothingDone;
  }
  const WindowsLookup lookup;
  const AutostartMatcher matcher(folders.Family(), lookup);
  UndoFiles undo;
  const Repair repair = {matcher, folders.DefaultUserinit(), undo};

  PlaceRecord machine_record = {{}, summary};
  RegistryPlace machine[2];
  const int machine_count = MachinePlaces(machine, machine_record);
  for (int i = 0; i < machine_count; ++i) {
    RepairMachine(repair, machine[i]);
  }
  const unsigned failed = machine_record.tally.failed + RepairUserHives(repair, summary);
  const int code = failed == 0 ? kDone : kNotEverything;
  summary.End(code);
  return code;
}
