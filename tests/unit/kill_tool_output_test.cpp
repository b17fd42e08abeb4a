#include <gtest/gtest.h>

#include <string>

#include "scan/kill_tool_output.h"

namespace dizi {
namespace {

using Ids = std::vector<unsigned long>;

TEST(KillToolOutput, ReadsTheIdOfEveryNotEndedLine) {
  // What kill.exe writes: each line ends with CR LF on Windows.
  const std::string output =
      "kill: ended dservice.exe (process 1200)\r\n"
      "kill: could not end dservice.exe (process 1204): Access is denied. (error 5)\r\n"
      "kill: not ended: process 1204\r\n"
      "kill: left services.exe (process 56) running: C:\\WINDOWS\\system32\\services.exe is "
      "one of Windows' own programs\r\n"
      "kill: not ended: process 4294967295\n";
  EXPECT_EQ(NotEndedProcesses(output), (Ids{1204, 4294967295ul}));
}

TEST(KillToolOutput, NothingElseCounts) {
  EXPECT_EQ(NotEndedProcesses(""), Ids{});
  EXPECT_EQ(NotEndedProcesses("kill: no running process has the image C:\\x.exe\r\n"), Ids{});
  for (const char* line : {
           "kill: not ended: process \r\n",            // no id
           "kill: not ended: process 0\r\n",           // no process has id 0
           "kill: not ended: process 4294967296\r\n",  // beyond 32 bits
           "kill: not ended: process 99999999999999999999999\r\n",
           "kill: not ended: process -12\r\n", "kill: not ended: process +12\r\n",
           "kill: not ended: process 12 \r\n", "kill: not ended: process  12\r\n",
           "kill: not ended: process 12x\r\n", "kill: not ended: process 0x12\r\n",
           " kill: not ended: process 12\r\n", "KILL: NOT ENDED: PROCESS 12\r\n",
           "kill: not ended: process 12\r\r\n",
           "kill: ended x.exe (process 12): kill: not ended: process 12\r\n",
           "kill: not ended: process 12",  // cut off before its end
       }) {
    EXPECT_EQ(NotEndedProcesses(line), Ids{}) << line;
  }
}

TEST(KillToolOutput, EachIdOnceInTheOrderFirstGiven) {
  EXPECT_EQ(NotEndedProcesses("kill: not ended: process 8\nkill: not ended: process 4\n"
                              "kill: not ended: process 8\nkill: not ended: process 012\n"),
            (Ids{8, 4, 12}));
}

}  // namespace
}  // namespace dizi
