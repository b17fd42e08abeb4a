// One walk over a signature table: probe every target and remove what is found.
#pragma once

namespace dizi {

struct ScanContext;

// The system tools fix-up, as the scan and the menu run it. When the repair
// program outlives the wait for it, no later kill by its image name is sent in
// this program run.
void RunFixUp(ScanContext& context);

// Walks the server files from the last entry to the first. When any was found
// it repairs the system tools and schedules a forced restart in 10 seconds (or
// logs that it is held back, when the context says so); otherwise it logs that
// the machine is clean of the server.
void ScanForServer(ScanContext& context);

// Walks the downloader files from the last entry to the first; logs a clean
// result when none was found. A find triggers no repair and no restart.
void ScanForDownloader(ScanContext& context);

}  // namespace dizi
