// Views of a run without a window: the log's lines are still kept by the
// activity log (the log file is written from them), but nothing is drawn.
#pragma once

#include "log/log_view.h"
#include "scan/scan_view.h"

namespace dizi {

class QuietLogView final : public LogView {
 public:
  void AppendListItem(const std::string&) override {}
  Node AddTreeRoot(const std::string&) override { return 0; }
  Node AddTreeChild(Node, const std::string&) override { return 0; }
};

class QuietScanView final : public ScanView {
 public:
  void SetProgress(int) override {}
  void SetBusyCursor(bool) override {}
  void SetListScrollWidth(int) override {}
};

}  // namespace dizi
