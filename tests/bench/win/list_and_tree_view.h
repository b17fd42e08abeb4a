// The activity log's two views fed exactly as the main window feeds them (the
// LogView side of TForm1 in app/form1_views.cpp): each line appended to the
// list box and made its current item, each line inserted last under its parent
// in the tree, the newest root scrolled into sight, and the view that is shown
// repainted at once. TForm1 keeps these functions to itself, so they are
// mirrored here rather than linked; keep the two alike.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "log/log_view.h"

namespace bench {

class ListAndTreeView : public dizi::LogView {
 public:
  ListAndTreeView(HWND list, HWND tree) : list_(list), tree_(tree) {}

  void AppendListItem(const std::string& line) override;
  Node AddTreeRoot(const std::string& line) override;
  Node AddTreeChild(Node parent, const std::string& line) override;

 private:
  Node InsertTreeItem(HTREEITEM parent, const std::string& line);

  HWND list_;
  HWND tree_;
};

}  // namespace bench
