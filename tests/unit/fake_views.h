// Views that record what the engine draws, into the same journal as the
// platform's calls so that tests see one ordered story.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "log/log_view.h"
#include "platform/fake_platform.h"
#include "scan/scan_view.h"

namespace dizi::test {

class FakeLogView : public LogView {
 public:
  explicit FakeLogView(Journal& journal) : journal_(journal) {}

  void AppendListItem(const std::string& line) override {
    items_.push_back(line);
    current_ = static_cast<int>(items_.size()) - 1;
    journal_.Add("line " + line);
  }
  Node AddTreeRoot(const std::string& line) override {
    nodes_.push_back({line, 0});
    return nodes_.size();
  }
  Node AddTreeChild(Node parent, const std::string& line) override {
    if (parent == 0 || parent > nodes_.size()) {
      throw std::logic_error("child added under an unknown node");
    }
    nodes_.push_back({line, parent});
    return nodes_.size();
  }

  const std::vector<std::string>& Items() const { return items_; }
  int CurrentItem() const { return current_; }

  // The tree in display order, each node's text indented by two spaces per
  // level, so a test can compare the whole shape at once.
  std::vector<std::string> Outline() const {
    std::vector<std::string> lines;
    for (Node root = 1; root <= nodes_.size(); ++root) {
      if (nodes_[root - 1].parent == 0) {
        AppendOutline(root, 0, lines);
      }
    }
    return lines;
  }

 private:
  struct TreeNode {
    std::string text;
    Node parent;  // 0 for a root
  };

  void AppendOutline(Node node, std::size_t depth, std::vector<std::string>& lines) const {
    lines.push_back(std::string(2 * depth, ' ') + "[" + nodes_[node - 1].text + "]");
    for (Node child = node + 1; child <= nodes_.size(); ++child) {
      if (nodes_[child - 1].parent == node) {
        AppendOutline(child, depth + 1, lines);
      }
    }
  }

  Journal& journal_;
  std::vector<std::string> items_;
  int current_ = -1;
  std::vector<TreeNode> nodes_;
};

class FakeScanView : public ScanView {
 public:
  explicit FakeScanView(Journal& journal) : journal_(journal) {}
  void SetProgress(int position) override { journal_.Add("progress " + std::to_string(position)); }
  void SetBusyCursor(bool busy) override { journal_.Add(busy ? "cursor busy" : "cursor normal"); }
  void SetListScrollWidth(int pixels) override {
    journal_.Add("scroll-width " + std::to_string(pixels));
  }

 private:
  Journal& journal_;
};

}  // namespace dizi::test
