// The activity log's text file beside the program.
#pragma once

#include <string>

namespace dizi {

class ActivityLog;
class Platform;
struct SystemPaths;

// The folder the log file is saved in: the program's folder, or the one the
// start-up chose instead (SystemPaths::LogFolder).
std::string LogFolder(const SystemPaths& paths);

// The full path of the log file: its folder and "\DiziTarvix_Log.txt".
std::string LogFilePath(const SystemPaths& paths);

// The log file's content: every log line, each ended by CR LF.
std::string LogFileText(const ActivityLog& log);

// Writes every log line, each ended by CR LF, over the log file. The lines go
// to a new file in the same folder first, which then replaces the old log in
// one step; on any failure the user is told, the new file is removed and the
// old log stays exactly as it was. True when the log was saved.
bool SaveLogFile(Platform& platform, const SystemPaths& paths, const ActivityLog& log);

}  // namespace dizi
