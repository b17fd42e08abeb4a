// The start and the end every scan run shares, in the window and without
// one: its record begun with its id, and, once the scan is over, everything
// it leaves behind, with the restart it wants as its very last act.
#pragma once

#include <string>

#include "report/run_record.h"

namespace dizi {

class Platform;
class ScanView;
struct ScanContext;

// A new run's record: its id (report/run_id.h), its start, the computer, the
// account and the Windows it runs on.
RunRecord BeginRun(Platform& machine);

// Everything the run leaves once its scan is over (or once it stopped before
// scanning), in this order:
// - its report, kept in the computer's Reports folder (report/report_store.h)
//   and, when `reportPath` is given, written there too: a path ending in a
//   backslash names a folder, where a new file "<computer>-<run id>.json" is
//   made (nothing else is needed there than the right to make files); any
//   other path is the report file, replaced in one step. What cannot be
//   written is logged and named in the reports' errors, and the computer's
//   copy is written last, so that it names every failure;
// - the registry marker and the event log entry (report/run_marker.h);
// - the log saved again where lines were added, and kept beside the report.
// Then the restart the scan wants (scan/passes.h, StartWantedRestart). Should
// its command not start, no restart is coming: that is logged and everything
// above is written again, the restart no longer asked for; a report folder
// gets a second new file "<computer>-<run id>-2.json".
void FinishRun(ScanContext& context, RunRecord& record, const std::string& reportPath);

// What the Scan button starts, as one run of its own: begun, its follow-up
// planned the window's way (scan/follow_up.h, WindowFollowUpWay), scanned on
// the window's views, and finished as above. Returns its record.
RunRecord RunWindowScan(ScanContext& context, ScanView& view);

}  // namespace dizi
