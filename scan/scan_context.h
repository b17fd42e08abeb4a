// The program-wide state a scan works with, owned by the main window for the
// life of the program.
#pragma once

#include <array>
#include <string>

#include "places/companions.h"
#include "scan/scan_result.h"
#include "scan/signatures.h"

namespace dizi {

class ActivityLog;
class Platform;
struct SystemPaths;

// What a scan run is for.
enum class ScanMode {
  Clean,         // find and remove, as the Scan button does
  ScanOnly,      // find and report, and change nothing
  AfterRestart,  // the check after a restart: remove again, but never restart
};

// How a scan that asks for or needs a restart arranges one more scan after
// it: the way, and the command line of the program's verified copy to run
// (scan/follow_up.h). No way and no note: the caller wants no follow-up.
struct FollowUpPlan {
  FollowUp way = FollowUp::None;
  std::string commandLine;
  // Without a way: why none can be arranged. With one: what was left out.
  std::string note;
};

struct ScanContext {
  ScanContext(Platform& onPlatform, const SystemPaths& withPaths, ActivityLog& toLog)
      : platform(onPlatform), paths(withPaths), log(toLog) {}

  Platform& platform;
  const SystemPaths& paths;
  ActivityLog& log;

  // The full path of each signature entry, written by the pass that probes it.
  std::array<std::string, kServerSignatureCount> TargetPaths{};

  // Retry rounds left for stubborn deletions: shared by every pass and every
  // scan of the program's run, and never reset.
  int DeleteRetryBudget = 1;

  // What the scan run under way has done so far.
  ScanResult Result;

  // The shipped programs and the clean msconfig.exe, held since the start-up
  // checks: what the scan starts and copies.
  HeldCompanions Companions;

  // A run without a window asked for no restart: a server find then logs that
  // the restart was held back instead of starting it. The window never sets it.
  bool HoldBackRestart = false;

  // What the scan is for, and for a check after a restart the run it
  // follows up (empty when not known).
  ScanMode Mode = ScanMode::Clean;
  std::string FollowsRunId;

  // How a scan that removes something needing a restart arranges the next.
  FollowUpPlan FollowUp;
};

}  // namespace dizi
