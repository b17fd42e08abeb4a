// The one activity log every routine reports to, shown as a list and a tree.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "log/log_view.h"

namespace dizi {

class ActivityLog {
 public:
  explicit ActivityLog(LogView& view) : view_(view) {}

  // Appends `line` to the list and to the tree: a top-level line becomes a new
  // root; any other line becomes the last child of the node added last, so a
  // run of child lines forms a staircase. Constant time however long the log.
  void AddLogLine(bool topLevel, const std::string& line);

  // Every line added so far, in order: what the log file is written from.
  const std::vector<std::string>& Lines() const { return lines_; }

 private:
  LogView& view_;
  std::vector<std::string> lines_;
  std::optional<LogView::Node> lastNode_;
};

}  // namespace dizi
