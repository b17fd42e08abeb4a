// What the activity log draws on: a flat list and a tree of the same lines.
#pragma once

#include <cstdint>
#include <string>

namespace dizi {

class LogView {
 public:
  // Names a tree node; only meaningful to the view that returned it.
  using Node = std::uintptr_t;

  virtual ~LogView() = default;
  // Appends a list item and makes it the current item, so the list shows it.
  virtual void AppendListItem(const std::string& line) = 0;
  // Adds a node at the end of the tree's root level.
  virtual Node AddTreeRoot(const std::string& line) = 0;
  // Adds a node as the last child of `parent`.
  virtual Node AddTreeChild(Node parent, const std::string& line) = 0;
};

}  // namespace dizi
