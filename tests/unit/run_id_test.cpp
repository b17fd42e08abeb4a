// Run ids: made from the UTC start and a random number, and recognised
// exactly, whatever a command line or a file name holds.
#include <gtest/gtest.h>

#include "platform/fake_platform.h"
#include "report/run_id.h"

namespace dizi::test {
namespace {

TEST(RunIdTest, AnIdIsTheStartInUtcAndSixHexDigits) {
  Journal journal;
  FakePlatform platform(journal);
  platform.SetRandomNumbers(0xFF00ABCD);
  EXPECT_EQ(MakeRunId(platform, LocalTime{2024, 1, 1, 0, 30, 5, 60}), "20231231-233005-00abcd");
  EXPECT_EQ(MakeRunId(platform, LocalTime{2024, 12, 31, 20, 0, 0, -300}), "20250101-010000-00abce");
}

TEST(RunIdTest, OnlyAnIdAsMadeIsOne) {
  EXPECT_TRUE(IsRunId("20240517-142301-a1b2c3"));
  for (const char* text :
       {"", "20240517-142301", "20240517-142301-a1b2c", "20240517-142301-a1b2c3d",
        "20240517-142301-A1B2C3", "20240517_142301-a1b2c3", "2024051a-142301-a1b2c3",
        "20240517-142301-a1b2g3", "..\\..\\x\\20240517-1", "20240517-142301-a1b2c3 "}) {
    EXPECT_FALSE(IsRunId(text)) << text;
  }
  EXPECT_EQ(RunIdOfFileName("PC-042-20240517-142301-a1b2c3.json", ".json"),
            "20240517-142301-a1b2c3");
  EXPECT_EQ(RunIdOfFileName("a-b-c-20240517-142301-a1b2c3.log", ".log"), "20240517-142301-a1b2c3");
  for (const char* name : {"20240517-142301-a1b2c3.json", "PC-042-20240517-142301-a1b2c3.log",
                           "PC-04220240517-142301-a1b2c3.json", "PC-042-20240517-142301-a1b2c3",
                           ".json", "PC-042-20240517-142301-a1b2c3-2.json"}) {
    EXPECT_EQ(RunIdOfFileName(name, ".json"), "") << name;
  }
}

}  // namespace
}  // namespace dizi::test
