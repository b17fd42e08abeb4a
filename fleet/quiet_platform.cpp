#include "fleet/quiet_platform.h"

#include "log/activity_log.h"

namespace dizi {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::string BoxAsLine(const std::string& text, const std::string& caption) {
  std::string line = caption + ": ";
  for (std::size_t i = 0; i < text.size();) {
    std::size_t end = i;
    bool lineBreak = false;
    while (end < text.size() && IsBlank(text[end])) {
      lineBreak = lineBreak || text[end] == '\r' || text[end] == '\n';
      ++end;
    }
    if (end == i) {
      line += text[i++];
    } else {
      line.append(lineBreak ? std::string(" ") : text.substr(i, end - i));
      i = end;
    }
  }
  return line;
}

void QuietPlatform::NoteError(const std::string& line) {
  log_.AddLogLine(true, "  " + line);
  errors_.push_back(line);
}

void QuietPlatform::ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) {
  const std::string line = BoxAsLine(text, caption);
  if (icon == BoxIcon::Error) {
    NoteError(line);
  } else {
    log_.AddLogLine(true, "  " + line);
  }
}

}  // namespace dizi
