#include <gtest/gtest.h>

#include "log/activity_log.h"
#include "test_machine.h"

namespace dizi::test {
namespace {

using Outline = std::vector<std::string>;

TEST(ActivityLogTest, ChildLinesFormAStaircaseUnderTheLastNodeAdded) {
  Machine m;
  m.log.AddLogLine(true, "A");
  m.log.AddLogLine(false, "b");
  m.log.AddLogLine(false, "c");
  m.log.AddLogLine(true, "C");
  m.log.AddLogLine(false, "d");
  m.log.AddLogLine(false, "e");
  m.log.AddLogLine(false, "f");
  // A top-level line after a deep staircase starts a new root at the end.
  m.log.AddLogLine(true, "G");

  EXPECT_EQ(m.logView.Outline(),
            (Outline{"[A]", "  [b]", "    [c]", "[C]", "  [d]", "    [e]", "      [f]", "[G]"}));
  EXPECT_EQ(m.logView.Items(), (Outline{"A", "b", "c", "C", "d", "e", "f", "G"}));
  EXPECT_EQ(m.log.Lines(), m.logView.Items());
}

TEST(ActivityLogTest, EveryLineReachesBothViewsUnchangedAndTheListShowsTheLast) {
  Machine m;
  m.log.AddLogLine(true, "  heading");
  EXPECT_EQ(m.logView.CurrentItem(), 0);
  m.log.AddLogLine(true, "");
  m.log.AddLogLine(false, "   +-> child");
  EXPECT_EQ(m.logView.CurrentItem(), 2);

  EXPECT_EQ(m.logView.Items(), (Outline{"  heading", "", "   +-> child"}));
  EXPECT_EQ(m.logView.Outline(), (Outline{"[  heading]", "[]", "  [   +-> child]"}));
}

TEST(ActivityLogTest, AChildLineOnAnEmptyLogBecomesARoot) {
  Machine m;
  m.log.AddLogLine(false, "orphan");
  m.log.AddLogLine(false, "next");
  EXPECT_EQ(m.logView.Outline(), (Outline{"[orphan]", "  [next]"}));
}

}  // namespace
}  // namespace dizi::test
