// The activity log drawn on a list box and a tree view: each line appended to
// the list and made its current item, each tree line inserted last under its
// parent. The view that is shown repaints at once, so that the user watches a
// scan that blocks the event loop.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "log/log_view.h"

namespace dizi {

class LogControls : public LogView {
 public:
  // The controls are made after the log that draws on them: until Attach,
  // nothing is drawn.
  void Attach(HWND list, HWND tree) {
    list_ = list;
    tree_ = tree;
  }

  void AppendListItem(const std::string& line) override;
  Node AddTreeRoot(const std::string& line) override;
  Node AddTreeChild(Node parent, const std::string& line) override;

 private:
  Node InsertTreeItem(HTREEITEM parent, const std::string& line);

  HWND list_ = nullptr;
  HWND tree_ = nullptr;
};

}  // namespace dizi
