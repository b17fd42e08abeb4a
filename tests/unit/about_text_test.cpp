#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/about_text.h"
#include "log/publisher.h"

namespace dizi {
namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

TEST(AboutTextTest, HasSevenLinesJoinedByLineFeedsWithoutOneAtTheEnd) {
  const std::string text = AboutText();
  EXPECT_EQ(Lines(text).size(), 7u);
  EXPECT_NE(text.back(), '\n');
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(AboutTextTest, KeepsTheProgramsOwnWordingAndNamesThePublishersPeople) {
  const std::vector<std::string> lines = Lines(AboutText());
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "App-Name: AnriTarvix v2.5");
  EXPECT_EQ(lines[1], "Discription: It removes any version of tarvix server or tarvix downloader.");
  EXPECT_EQ(lines[2], "By: " DIZI_PUBLISHER_NAME ".");
  EXPECT_EQ(lines[3], "Spcial Thanks:");
  // The label shows the doubled ampersand as one.
  EXPECT_EQ(lines[4], "  - " DIZI_TESTER_HANDLE
                      ": For your tarvix test servers && Testing the DiziTarvix in XP machine!");
  EXPECT_EQ(lines[5], "  - " DIZI_CONTRIBUTOR_HANDLE ": For the Fservice.exe FIXs!");
  EXPECT_EQ(lines[6], "  - All DiziTarvix Users: For your suggestions to imporive it.");
}

}  // namespace
}  // namespace dizi
