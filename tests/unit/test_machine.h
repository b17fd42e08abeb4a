// A whole machine for engine tests: the fake platform with the program and its
// shipped files in C:\Tools, the views, the path texts and the scan state.
#pragma once

#include <string>
#include <vector>

#include "fake_views.h"
#include "log/activity_log.h"
#include "places/companions.h"
#include "places/system_paths.h"
#include "platform/fake_platform.h"
#include "scan/scan_context.h"

namespace dizi::test {

inline constexpr char kWindows[] = "C:\\WINDOWS";
inline constexpr char kSystem[] = "C:\\WINDOWS\\system32";
inline constexpr char kLegacy[] = "C:\\WINDOWS\\system";
// Where the run starts the verified copies of kill.exe and fservice.exe from.
inline const std::string kProgramCopies =
    "C:\\Documents and Settings\\All Users\\Application Data\\DiziTarvix\\Program";
// The data tree's Reports folder, and the id of a machine's first run.
inline const std::string kReportsFolder =
    "C:\\Documents and Settings\\All Users\\Application Data\\DiziTarvix\\Reports";
inline constexpr char kFirstRunId[] = "20240517-142301-a1b2c3";
inline constexpr char kRestartCommand[] =
    "\"C:\\WINDOWS\\system32\\shutdown.exe\" -r -f -t 10 -c \"Diri Tarvix System Restart -- "
    "Please rescan your computer with Diri Tarvix after the restart.\"";

// The lines of a text file the program wrote, each without its CR LF.
inline std::vector<std::string> FileLines(const std::string& file) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < file.size();) {
    const std::size_t end = file.find("\r\n", at);
    lines.push_back(file.substr(at, end - at));
    at = end == std::string::npos ? file.size() : end + 2;
  }
  return lines;
}

struct Machine {
  explicit Machine(const std::string& programDir = "C:\\Tools") {
    platform.SetModulePath(programDir + "\\DiziTarvix.exe");
    platform.AddDirectory(kLegacy);
    for (const char* name :
         {"DiziTarvix.exe", "kill.exe", "fservice.exe", "msconfig.exe", "ReadMe First.txt"}) {
      platform.AddFile(programDir + "\\" + name, std::string("shipped ") + name);
    }
    for (const char* tool : {"taskkill.exe", "shutdown.exe", "reg.exe", "schtasks.exe"}) {
      platform.AddFile(std::string(kSystem) + "\\" + tool);
    }
    FillSystemPaths(platform, paths);
    journal.Clear();
  }

  // The lines logged, the commands started and the deletions tried, in order.
  std::vector<std::string> Lines() const { return journal.With("line "); }
  std::vector<std::string> Started() const { return journal.With("start "); }
  std::vector<std::string> Deletes() const { return journal.With("delete "); }

  // Holds the shipped files as the start-up does, for the scan to use; the
  // journal is cleared again.
  void HoldCompanions() {
    context.Companions = dizi::HoldCompanions(platform, paths, recorded);
    journal.Clear();
  }

  Journal journal;
  FakePlatform platform{journal};
  FakeLogView logView{journal};
  FakeScanView scanView{journal};
  SystemPaths paths;
  // The digests of the shipped files as the machine has them.
  RecordedDigests recorded{PortableSha256Of("shipped kill.exe"),
                           PortableSha256Of("shipped fservice.exe"),
                           PortableSha256Of("shipped msconfig.exe")};
  ActivityLog log{logView};
  ScanContext context{platform, paths, log};
};

}  // namespace dizi::test
