#include "scan/scan_run.h"

#include "log/activity_log.h"
#include "log/log_file.h"
#include "log/publisher.h"
#include "platform/platform.h"
#include "scan/passes.h"
#include "scan/scan_context.h"
#include "scan/scan_view.h"

namespace dizi {

namespace {
constexpr int kServerPasses = 3;
}  // namespace

ScanResult RunScan(ScanContext& context, ScanView& view) {
  ActivityLog& log = context.log;
  context.Result = {};
  view.SetListScrollWidth(700);
  view.SetBusyCursor(true);
  // What the start-up found amiss about the program's own places.
  for (const std::string& note : context.Companions.notes) {
    log.AddLogLine(true, note);
  }
  context.Companions.notes.clear();

  // The later server passes catch what survived the first one's deletion.
  for (int pass = 1;; ++pass) {
    view.SetProgress(0);
    log.AddLogLine(true, "  Scanning for Tarvix Server... *Start*");
    ScanForServer(context);
    view.SetProgress(3);
    if (pass == kServerPasses) {
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

  log.AddLogLine(true, "  Logs Has Been Saved to: " + LogFilePath(context.paths));
  log.AddLogLine(true, "[ " DIZI_PUBLISHER_TAG " | " DIZI_PUBLISHER_ADDRESS_CAPS " ]");
  context.Result.logSaved = SaveLogFile(context.platform, context.paths, log);
  view.SetProgress(10);
  view.SetBusyCursor(false);
  return context.Result;
}

}  // namespace dizi
