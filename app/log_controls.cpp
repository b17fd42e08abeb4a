#include "app/log_controls.h"

namespace dizi {

namespace {

void RepaintIfVisible(HWND view) {
  if (::IsWindowVisible(view)) {
    ::UpdateWindow(view);
  }
}

}  // namespace

void LogControls::AppendListItem(const std::string& line) {
  const LRESULT index =
      ::SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
  if (index >= 0) {
    ::SendMessageA(list_, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  RepaintIfVisible(list_);
}

LogView::Node LogControls::AddTreeRoot(const std::string& line) {
  const Node node = InsertTreeItem(TVI_ROOT, line);
  // The newest heading scrolls into sight, as the list's newest line does.
  ::SendMessageA(tree_, TVM_ENSUREVISIBLE, 0, static_cast<LPARAM>(node));
  RepaintIfVisible(tree_);
  return node;
}

LogView::Node LogControls::AddTreeChild(Node parent, const std::string& line) {
  const Node node = InsertTreeItem(reinterpret_cast<HTREEITEM>(parent), line);
  RepaintIfVisible(tree_);
  return node;
}

LogView::Node LogControls::InsertTreeItem(HTREEITEM parent, const std::string& line) {
  TVINSERTSTRUCTA insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT;
  insert.item.pszText = const_cast<char*>(line.c_str());
  return static_cast<Node>(
      ::SendMessageA(tree_, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&insert)));
}

}  // namespace dizi
