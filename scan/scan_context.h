// The program-wide state a scan works with, owned by the main window for the
// life of the program.
#pragma once

#include <array>
#include <string>

#include "scan/scan_result.h"
#include "scan/signatures.h"
#include "places/companions.h"

namespace dizi {

class ActivityLog;
class Platform;
struct SystemPaths;

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
};

}  // namespace dizi
