// A whole scan as the user asks for it with the Scan button.
#pragma once

#include "scan/scan_result.h"

namespace dizi {

struct ScanContext;
class ScanView;

// Three server passes with a short pause between them (one when scanning
// only), one downloader pass, the follow-up after the restart arranged where
// the run needs one (scan/follow_up.h), then the log saved beside the
// program; drives the progress bar from 0 to 10 and shows the hourglass
// meanwhile. Starts no restart: the caller does that last (passes.h,
// StartWantedRestart). Returns what the run did.
ScanResult RunScan(ScanContext& context, ScanView& view);

}  // namespace dizi
