// The report of a run without a window: one JSON object, UTF-8, written for
// deployment tools and for scripts/fleet-report to read.
#pragma once

#include <string>

#include "platform/platform.h"

namespace dizi {

struct RunRecord;

// How every report begins. An existing file at the report's path is replaced
// only when it begins so: an earlier report of this program.
inline constexpr char kReportStart[] = "{\r\n  \"program\": \"DiziTarvix\",";

// The report's text. The record's texts are ANSI, as everywhere in the engine;
// the platform turns them into UTF-8.
std::string ReportText(const RunRecord& record, Platform& platform);

// The name a run's report and log files have, without the extension:
// "<computer>-<run id>", the computer's name in the ANSI code page with every
// character that does not fit a file name everywhere as "_".
std::string ReportFileStem(Platform& platform, const RunRecord& record);

// Writes the text into a new file at `path`, which the call makes (see
// Platform::CreateNewFile): it needs only the right to make files in the
// folder, never to read, replace or delete one. A file of that name already
// there is left as it is.
Outcome WriteNewFile(Platform& platform, const std::string& path, std::string_view text);

// Writes the text over the file at `path` (a full path) in one step, as the
// log file is written. A file already there that is not an earlier report is
// left as it is. On failure the reason says why, for the log.
Outcome WriteReport(Platform& platform, const std::string& path, const std::string& text);

}  // namespace dizi
