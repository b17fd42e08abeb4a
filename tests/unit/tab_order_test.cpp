#include <gtest/gtest.h>

#include <array>
#include <set>

#include "app/tab_order.h"

namespace dizi {
namespace {

// The main window's tab order; only the controls in `reachable` take the focus.
enum Control { kProgressBar1, kBitBtn2, kBitBtn1, kTreeView1, kListBox1, kNone };
constexpr std::array<Control, 5> kOrder = {kProgressBar1, kBitBtn2, kBitBtn1, kTreeView1,
                                           kListBox1};

std::optional<Control> Tab(const std::set<Control>& reachable, Control from,
                           bool backwards = false) {
  return NextInTabOrder<Control>(kOrder, from, backwards,
                                 [&](Control c) { return reachable.count(c) == 1; });
}

TEST(TabOrderTest, AtStartTabGoesBetweenTheScanButtonAndTheListBothWays) {
  const std::set<Control> atStart = {kBitBtn2, kListBox1};
  EXPECT_EQ(Tab(atStart, kBitBtn2), kListBox1);
  EXPECT_EQ(Tab(atStart, kListBox1), kBitBtn2);  // wraps around
  EXPECT_EQ(Tab(atStart, kBitBtn2, true), kListBox1);
  EXPECT_EQ(Tab(atStart, kListBox1, true), kBitBtn2);
}

TEST(TabOrderTest, FollowsTheTabOrderNotTheStackingOrder) {
  // Stacked back to front: tree, progress bar, Scan, list, panel. The tab
  // order puts the panel's button between Scan and the tree.
  const std::set<Control> all = {kBitBtn2, kBitBtn1, kTreeView1, kListBox1};
  EXPECT_EQ(Tab(all, kBitBtn2), kBitBtn1);
  EXPECT_EQ(Tab(all, kBitBtn1), kTreeView1);
  EXPECT_EQ(Tab(all, kTreeView1), kListBox1);
  EXPECT_EQ(Tab(all, kTreeView1, true), kBitBtn1);
}

TEST(TabOrderTest, WithoutAFocusedControlStartsAtTheFirstOrLast) {
  const std::set<Control> treeShown = {kBitBtn2, kTreeView1};
  EXPECT_EQ(Tab(treeShown, kNone), kBitBtn2);
  EXPECT_EQ(Tab(treeShown, kNone, true), kTreeView1);
  // The focus on a control that can no longer take it (a view just hidden).
  EXPECT_EQ(Tab(treeShown, kListBox1), kBitBtn2);
  EXPECT_EQ(Tab(treeShown, kListBox1, true), kTreeView1);
}

TEST(TabOrderTest, TheOnlyReachableControlKeepsTheFocus) {
  // The About panel shown: Go Back is all the user can reach.
  EXPECT_EQ(Tab({kBitBtn1}, kBitBtn1), kBitBtn1);
  EXPECT_EQ(Tab({kBitBtn1}, kBitBtn1, true), kBitBtn1);
  EXPECT_EQ(Tab({}, kBitBtn2), std::nullopt);
}

}  // namespace
}  // namespace dizi
