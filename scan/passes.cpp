#include "scan/passes.h"

#include "log/activity_log.h"
#include "places/outside_tools.h"
#include "platform/platform.h"
#include "platform/probe.h"
#include "repair/fix_up.h"
#include "scan/removal.h"
#include "scan/scan_context.h"

namespace dizi {

namespace {

constexpr char kRestartHeldBack[] =
    "   -> The restart was held back (/noreboot): restart the computer to finish, then scan "
    "again.";

// Probes every entry of the table, last first, and removes each present one.
// True when anything was found.
template <std::size_t N>
bool SweepTable(ScanContext& context, const std::array<Signature, N>& table, TargetKind kind) {
  bool found = false;
  for (std::size_t i = N; i-- > 0;) {
    std::string& target = context.TargetPaths[i];
    target = TargetPath(context.paths, table[i]);
    if (Probe(context.platform, target)) {
      found = true;
      RemoveTarget(context, kind, target);
    }
  }
  return found;
}

}  // namespace

void RunFixUp(ScanContext& context) {
  FixUpOutcome outcome =
      FixUpSystemTools(context.platform, context.paths, context.Companions.msconfig, context.log);
  context.Result.repairs = {
      {"task_manager", outcome.taskManagerReset},
      {"registry_editor", outcome.registryToolsReset},
      {"msconfig", outcome.msconfigRestored},
      {"repair_program", outcome.repairProgramSucceeded},
  };
  MergeHiveRepairs(context.Result.userHives, std::move(outcome.summary.hives));
  context.Result.repairUnfinished = std::move(outcome.unfinished);
}

void ScanForServer(ScanContext& context) {
  if (SweepTable(context, ServerSignatures, TargetKind::Server)) {
    RunFixUp(context);
    if (context.HoldBackRestart) {
      context.log.AddLogLine(true, kRestartHeldBack);
      return;
    }
    // Every abort of this pass has ended by now, so none can cancel this.
    context.Result.restartRequested = context.platform.StartHidden(RestartCommand(context.paths));
  } else {
    context.log.AddLogLine(true, "   -> You're not infected with Tarvix Server.");
  }
}

void ScanForDownloader(ScanContext& context) {
  if (!SweepTable(context, DownloaderSignatures, TargetKind::Downloader)) {
    context.log.AddLogLine(true, "   -> You're not infected with Tarvix Downloader.");
  }
}

}  // namespace dizi
