#include "log/activity_log.h"

namespace dizi {

void ActivityLog::AddLogLine(bool topLevel, const std::string& line) {
  lines_.push_back(line);
  view_.AppendListItem(line);
  // The node added last is always the last node in display order, so keeping
  // it spares a walk of the tree. A child line before any root becomes a root.
  if (topLevel || !lastNode_) {
    lastNode_ = view_.AddTreeRoot(line);
  } else {
    lastNode_ = view_.AddTreeChild(*lastNode_, line);
  }
}

}  // namespace dizi
