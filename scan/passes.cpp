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

constexpr char kRestartToolMissing[] = "   -> The restart cannot be started: ";
constexpr char kRestartYourself[] = " is missing. Restart the computer yourself to finish.";
constexpr char kRestartNotStarted[] =
    "   -> The restart could not be started. Restart the computer yourself to finish.";

// Probes every entry of the table, last first, and removes each present one
// (or, scanning only, reports it). True when anything was found.
template <std::size_t N>
bool SweepTable(ScanContext& context, const std::array<Signature, N>& table, TargetKind kind) {
  bool found = false;
  for (std::size_t i = N; i-- > 0;) {
    std::string& target = context.TargetPaths[i];
    target = TargetPath(context.paths, table[i]);
    if (Probe(context.platform, target)) {
      found = true;
      if (context.Mode == ScanMode::ScanOnly) {
        ReportTarget(context, kind, target);
      } else {
        RemoveTarget(context, kind, target);
      }
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
    if (context.Mode == ScanMode::ScanOnly) {
      return;
    }
    RunFixUp(context);
    if (context.Mode == ScanMode::AfterRestart) {
      return;  // never a second restart
    }
    if (context.HoldBackRestart) {
      context.log.AddLogLine(true, kRestartHeldBack);
      return;
    }
    // Started once everything the run writes is written (StartWantedRestart).
    context.Result.restartWanted = true;
  } else {
    context.log.AddLogLine(true, "   -> You're not infected with Tarvix Server.");
  }
}

void CheckRestartCommand(ScanContext& context) {
  ScanResult& result = context.Result;
  if (result.RestartScheduled() &&
      !context.platform.FileExists(RestartCommand(context.paths).application)) {
    result.restartFailed = true;
    context.log.AddLogLine(
        true, kRestartToolMissing + RestartCommand(context.paths).application + kRestartYourself);
  }
}

bool StartWantedRestart(ScanContext& context) {
  ScanResult& result = context.Result;
  if (!result.RestartScheduled()) {
    return true;
  }
  // Every abort of the passes has ended by now, so none can cancel this.
  if (context.platform.StartHidden(RestartCommand(context.paths))) {
    return true;
  }
  result.restartFailed = true;
  context.log.AddLogLine(true, kRestartNotStarted);
  return false;
}

void ScanForDownloader(ScanContext& context) {
  if (!SweepTable(context, DownloaderSignatures, TargetKind::Downloader)) {
    context.log.AddLogLine(true, "   -> You're not infected with Tarvix Downloader.");
  }
}

}  // namespace dizi
