#include "places/companions.h"

#include "places/outside_tools.h"
#include "places/system_paths.h"

namespace dizi {

namespace {

constexpr char kNoDigest[] = "its SHA-256 could not be computed";

// Opens the file locked and reads it through the lock: held, with the digest
// of what it holds in `held.digest`, and Verified; or why not.
HeldCompanion HoldAndRead(Platform& platform, const std::string& path) {
  HeldCompanion held;
  LockedOpen opened = platform.OpenLocked(path);
  if (!opened.file) {
    if (platform.FileExists(path)) {
      held.state = CompanionState::Unreadable;
      held.reason = std::move(opened.reason);
    }
    return held;
  }
  const std::unique_ptr<Sha256Stream> digest = platform.NewSha256();
  const Outcome read = opened.file->ReadInto(*digest);
  const std::optional<Sha256Digest> found = read ? digest->Finish() : std::nullopt;
  if (!found) {
    held.state = CompanionState::Unreadable;
    held.reason = read ? kNoDigest : read.reason;
    return held;
  }
  held.state = CompanionState::Verified;
  held.file = std::move(opened.file);
  held.digest = *found;
  return held;
}

}  // namespace

HeldCompanion HoldCompanion(Platform& platform, const std::string& path,
                            const std::optional<Sha256Digest>& recorded) {
  HeldCompanion held = HoldAndRead(platform, path);
  if (held.Verified() && (!recorded || held.digest != *recorded)) {
    held.state = recorded ? CompanionState::NotShipped : CompanionState::NotRecorded;
    held.file.reset();
    held.digest = {};
  }
  return held;
}

HeldCompanion HoldAsItIs(Platform& platform, const std::string& path) {
  return HoldAndRead(platform, path);
}

HeldCompanions HoldCompanions(Platform& platform, const SystemPaths& paths,
                              const RecordedDigests& recorded) {
  const std::string programDir = ProgramDir(paths) + "\\";
  HeldCompanions held;
  held.repairProgram =
      HoldCompanion(platform, programDir + kRepairProgramName, recorded.repairProgram);
  held.killTool = HoldCompanion(platform, paths.KillToolPath, recorded.killTool);
  held.msconfig = HoldCompanion(platform, programDir + kMsconfigName, recorded.msconfig);
  return held;
}

}  // namespace dizi
