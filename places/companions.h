// The shipped files the cleaner starts or copies (the repair program, the kill
// tool and the optional clean msconfig.exe), checked at start-up against the
// digests the build recorded and held from then on, so that nothing can swap
// them between the check and their use.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "places/data_tree.h"
#include "platform/platform.h"
#include "platform/sha256.h"

namespace dizi {

struct SystemPaths;

// The clean msconfig.exe's file name, beside the program and in the system
// folder.
inline constexpr char kMsconfigName[] = "msconfig.exe";
// The program's own file name, as shipped and as its copy in the data tree
// is named, and its read-me's, which the start-up requires beside it.
inline constexpr char kProgramFileName[] = "DiziTarvix.exe";
inline constexpr char kReadMeFileName[] = "ReadMe First.txt";

// The SHA-256 of each file the build put beside the program.
struct RecordedDigests {
  Sha256Digest killTool;
  Sha256Digest repairProgram;
  // Only when the package carries a clean msconfig.exe.
  std::optional<Sha256Digest> msconfig;
};

// What the start-up found of one such file.
enum class CompanionState {
  Absent,       // no file of that name
  Unreadable,   // there, but it could not be opened or read; `reason` says why
  NotRecorded,  // read, but the build recorded no digest to check it against
  NotShipped,   // read, and not the file the build recorded
  Verified,     // the file the build recorded, held for the rest of the run
};

struct HeldCompanion {
  CompanionState state = CompanionState::Absent;
  std::string reason;                // Unreadable: the system's words
  std::unique_ptr<LockedFile> file;  // held when Verified, and only then
  Sha256Digest digest{};             // what was read, when Verified

  bool Verified() const { return state == CompanionState::Verified; }
};

struct HeldCompanions {
  HeldCompanion repairProgram;  // fservice.exe
  HeldCompanion killTool;       // kill.exe
  HeldCompanion msconfig;       // the clean msconfig.exe, optional
  // The program's own file and its read-me, held from the start as they are
  // (Verified: held, and read), so that the program's own copy is what runs.
  HeldCompanion self;
  HeldCompanion readMe;

  // The program's own folder and every folder above it, held for the run so
  // that no link can be put in their place: the log is written there.
  std::vector<std::unique_ptr<HeldFolder>> programFolder;
  // Where the log is saved instead, when a link is on that path.
  CheckedFolder logFolder;
  // The data tree's Program folder, held for the run while the kill tool and
  // the repair program are started from their copies there, and the copies,
  // held too (each Verified only when it is what the run starts).
  CheckedFolder copies;
  HeldCompanion repairProgramCopy;
  HeldCompanion killToolCopy;
  // The copies of the program, its read-me and the clean msconfig.exe beside
  // them, which a scan after the restart starts from there: each Verified
  // when it holds what the originals held.
  HeldCompanion selfCopy;
  HeldCompanion readMeCopy;
  HeldCompanion msconfigCopy;
  // What the log is to say about these places, said at the start of the next
  // scan: a folder set aside, a link on the program's path, a copy that
  // could not be made.
  std::vector<std::string> notes;
};

// Opens the file at `path` locked, reads it through the lock and compares its
// digest with `recorded`; the file stays held only when it is the one recorded.
HeldCompanion HoldCompanion(Platform& platform, const std::string& path,
                            const std::optional<Sha256Digest>& recorded);

// Opens the file at `path` locked and reads it through the lock: held, as
// Verified, with the digest of what it holds, whatever that is.
HeldCompanion HoldAsItIs(Platform& platform, const std::string& path);

// Holds each of the three files beside the program (`paths` filled) that is
// the one recorded.
HeldCompanions HoldCompanions(Platform& platform, const SystemPaths& paths,
                              const RecordedDigests& recorded);

}  // namespace dizi
