#include "log/log_file.h"

#include "log/activity_log.h"
#include "platform/platform.h"
#include "startup/system_paths.h"

namespace dizi {

namespace {

constexpr char kSavingErrorText[] =
    "Somthing wrong happend, either disk space is full or you don't have the access to write "
    "files in within this accout.\n the program will not save any information sorry for this "
    "distribution";
constexpr char kSavingErrorCaption[] = "Saving Error";

std::string Content(const ActivityLog& log) {
  std::string content;
  for (const std::string& line : log.Lines()) {
    content += line;
    content += "\r\n";
  }
  return content;
}

// Writes the whole content to a new file and puts it in place of the log.
// The new file is removed again when any step fails.
bool WriteAndReplace(Platform& platform, OutputFile& file, const std::string& content,
                     const std::string& target) {
  const bool written = file.Write(content);
  const bool closed = file.Close();
  if (written && closed && platform.MoveOver(file.Path(), target)) {
    return true;
  }
  platform.Delete(file.Path());
  return false;
}

}  // namespace

std::string LogFilePath(const SystemPaths& paths) {
  return ProgramDir(paths) + "\\DiziTarvix_Log.txt";
}

bool SaveLogFile(Platform& platform, const SystemPaths& paths, const ActivityLog& log) {
  std::unique_ptr<OutputFile> file = platform.CreateTemporaryFile(ProgramDir(paths));
  if (!file || !WriteAndReplace(platform, *file, Content(log), LogFilePath(paths))) {
    platform.ShowMessage(kSavingErrorText, kSavingErrorCaption, BoxIcon::Error);
    return false;
  }
  return true;
}

}  // namespace dizi
