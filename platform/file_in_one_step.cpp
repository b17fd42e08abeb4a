#include "platform/file_in_one_step.h"

namespace dizi {

Outcome ReplaceInOneStep(Platform& platform, const std::string& directory,
                         const std::string& target, std::string_view content) {
  std::unique_ptr<OutputFile> file = platform.CreateTemporaryFile(directory);
  if (!file) {
    return {false, "no new file can be made in the folder " + directory};
  }
  const bool written = file->Write(content);
  const bool closed = file->Close();
  std::string reason;
  if (!written || !closed) {
    reason = "the new file could not be written in full";
  } else if (!platform.MoveOver(file->Path(), target)) {
    reason = "the new file could not take the place of the old one";
  } else {
    return {true, {}};
  }
  platform.Delete(file->Path());
  return {false, reason};
}

}  // namespace dizi
