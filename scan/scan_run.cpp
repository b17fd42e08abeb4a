#include "scan/scan_run.h"

#include "log/activity_log.h"
#include "log/log_file.h"
#include "log/publisher.h"
#include "platform/platform.h"
#include "scan/follow_up.h"
#include "scan/passes.h"
#include "scan/scan_context.h"
#include "scan/scan_view.h"

namespace dizi {

namespace {

constexpr int kServerPasses = 3;

constexpr char kScanOnly[] = "  Scan only: Diri Tarvix looks for Tarvix and changes nothing.";
constexpr char kAfterRestart[] = "  Scanning once more after the restart";
constexpr char kCameBack[] =
    "  Tarvix came back after the restart, and it was removed again. Something starts it in a "
    "way Diri Tarvix does not clean, so Diri Tarvix does not restart the computer again: have "
    "the computer checked by hand.";

// The lines a run begins with: what the start-up found amiss about the
// program's own places, and what kind of scan this is.
void Introduce(ScanContext& context) {
  ActivityLog& log = context.log;
  for (const std::string& note : context.Companions.notes) {
    log.AddLogLine(true, note);
  }
  context.Companions.notes.clear();
  switch (context.Mode) {
    case ScanMode::Clean:
      break;
    case ScanMode::ScanOnly:
      log.AddLogLine(true, kScanOnly);
      break;
    case ScanMode::AfterRestart:
      log.AddLogLine(true, std::string(kAfterRestart) +
                               (context.FollowsRunId.empty()
                                    ? "."
                                    : " that run " + context.FollowsRunId + " asked for."));
      break;
  }
}

// What the passes leave to be done or said before the log is saved.
void Conclude(ScanContext& context) {
  if (context.Mode == ScanMode::AfterRestart && !context.Result.found.empty()) {
    context.log.AddLogLine(true, kCameBack);
  }
  CheckRestartCommand(context);
  if (NeedsFollowUp(context)) {
    ArrangeFollowUp(context);
  }
}

}  // namespace

ScanResult RunScan(ScanContext& context, ScanView& view) {
  ActivityLog& log = context.log;
  context.Result = {};
  view.SetListScrollWidth(700);
  view.SetBusyCursor(true);
  Introduce(context);

  // The later server passes catch what survived the first one's deletion;
  // a scan that deletes nothing needs only one.
  const int passes = context.Mode == ScanMode::ScanOnly ? 1 : kServerPasses;
  for (int pass = 1;; ++pass) {
    view.SetProgress(0);
    log.AddLogLine(true, "  Scanning for Tarvix Server... *Start*");
    ScanForServer(context);
    view.SetProgress(3);
    if (pass == passes) {
      break;
    }
    log.AddLogLine(true, "   -> Lunching a SAFE-RESCAN...");
    context.platform.Sleep(500);
  }
  log.AddLogLine(true, "  Scanning for Tarvix Server... *Finish*");
  log.AddLogLine(true, "");

  log.AddLogLine(true, "  Scanning for Tarvix stealth downloader... *Start*");
  ScanForDownloader(context);
  log.AddLogLine(true, "");
  log.AddLogLine(true, "  Scanning for Tarvix stealth downloader... *Finish*");
  view.SetProgress(6);
  Conclude(context);

  log.AddLogLine(true, "  Logs Has Been Saved to: " + LogFilePath(context.paths));
  log.AddLogLine(true, "[ " DIZI_PUBLISHER_TAG " | " DIZI_PUBLISHER_ADDRESS_CAPS " ]");
  context.Result.logSaved = SaveLogFile(context.platform, context.paths, log);
  view.SetProgress(10);
  view.SetBusyCursor(false);
  return context.Result;
}

}  // namespace dizi
