// What is done to every file of the family that a scan finds.
#pragma once

#include <string>

#include "scan/scan_result.h"

namespace dizi {

struct ScanContext;

// Logs the find, sends the kill signals (the kill tool for the file's path,
// which ends that file's processes, but never one of Windows' own programs nor
// a process marked critical; then the system's task-kill tool for exactly the
// processes the kill tool identified and could not end), for a server file aborts
// any pending shutdown and waits for that, keeps a copy of the file in the
// quarantine (once per run), deletes the file under the program-wide retry
// budget and logs what really became of it: deleted, deleted at the next
// restart, or to be deleted by hand; then, as the find's last line, the
// quarantine item it was kept as or why it could not be kept. The outcome and
// the item are also recorded in the run's result and the quarantine's
// manifest.
void RemoveTarget(ScanContext& context, TargetKind kind, const std::string& path);

// What a scan that only looks does with a find: logs it as the removal does
// and records it as found, touching nothing (no kill, no copy, no deletion,
// no note in the quarantine's manifest).
void ReportTarget(ScanContext& context, TargetKind kind, const std::string& path);

}  // namespace dizi
