// One walk over a signature table: probe every target and remove what is found.
#pragma once

namespace dizi {

struct ScanContext;

// The system tools fix-up, as the scan and the menu run it. When the repair
// program outlives the wait for it, no later kill by its image name is sent in
// this program run.
void RunFixUp(ScanContext& context);

// Walks the server files from the last entry to the first. When any was found
// it repairs the system tools and notes that the run wants a forced restart
// (or logs that it is held back, when the context says so); otherwise it logs
// that the machine is clean of the server. Scanning only, it reports what it
// finds and does nothing more; checking after a restart, it removes and
// repairs but wants no restart.
void ScanForServer(ScanContext& context);

// When the run wants its restart and the system's shutdown tool is missing,
// notes that the restart failed and logs that the user must restart.
void CheckRestartCommand(ScanContext& context);

// Starts the forced restart in 10 seconds that the run wants, if it does: the
// run's last act, once its log and reports are written. When the command
// cannot be started, notes that in the result, logs it and returns false
// (the caller writes what it wrote again: no restart is coming).
bool StartWantedRestart(ScanContext& context);

// Walks the downloader files from the last entry to the first; logs a clean
// result when none was found. A find triggers no repair and no restart.
void ScanForDownloader(ScanContext& context);

}  // namespace dizi
