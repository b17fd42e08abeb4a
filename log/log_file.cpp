#include "log/log_file.h"

#include "log/activity_log.h"
#include "places/system_paths.h"
#include "platform/file_in_one_step.h"
#include "platform/platform.h"

namespace dizi {

namespace {

constexpr char kSavingErrorText[] =
    "Somthing wrong happend, either disk space is full or you don't have the access to write "
    "files in within this accout.\n the program will not save any information sorry for this "
    "distribution";
constexpr char kSavingErrorCaption[] = "Saving Error";

}  // namespace

std::string LogFileText(const ActivityLog& log) {
  std::string content;
  for (const std::string& line : log.Lines()) {
    content += line;
    content += "\r\n";
  }
  return content;
}

std::string LogFolder(const SystemPaths& paths) {
  return paths.LogFolder.empty() ? ProgramDir(paths) : paths.LogFolder;
}

std::string LogFilePath(const SystemPaths& paths) {
  return LogFolder(paths) + "\\DiziTarvix_Log.txt";
}

bool SaveLogFile(Platform& platform, const SystemPaths& paths, const ActivityLog& log) {
  if (!ReplaceInOneStep(platform, LogFolder(paths), LogFilePath(paths), LogFileText(log))) {
    platform.ShowMessage(kSavingErrorText, kSavingErrorCaption, BoxIcon::Error);
    return false;
  }
  return true;
}

}  // namespace dizi
