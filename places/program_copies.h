// Where the run starts its shipped programs from, and the folder its log is
// written to. The program runs with administrator rights from wherever it was
// unpacked, often a folder every user may change: so the program's own folder
// is held for the run (no link can take its place), and the kill tool and the
// repair program are started from copies that the program makes itself, from
// the verified files it holds, in the data tree's Program folder, which only
// administrators may change.
#pragma once

#include <string>

namespace dizi {

class Platform;
struct HeldCompanions;
struct RecordedDigests;
struct SystemPaths;

// Holds the program's folder (`paths` filled) and every folder above it in
// `held.programFolder`. A link on that path is noted in `held.notes`, and the
// log is then saved in the data tree's Reports folder (held in
// `held.logFolder`), where it was checked, rather than where the link might
// lead by the time it is written; beside the program all the same when that
// folder cannot be had.
void HoldProgramFolder(Platform& platform, SystemPaths& paths, HeldCompanions& held);

// When the kill tool and the repair program are both verified and held, puts
// the verified copy of each in the data tree's Program folder (a copy already
// there is used when it is the recorded file), holds those copies in their
// place (beside the files it was made from, which stay held too) and has
// `paths` start them from there. What cannot be done is noted,
// and the files beside the program are then started, as they are held.
void StartFromCopies(Platform& platform, SystemPaths& paths, const RecordedDigests& recorded,
                     HeldCompanions& held);

}  // namespace dizi
