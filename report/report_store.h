// The computer's own record of its runs: every run's report
// "<computer>-<run id>.json" and its log "<computer>-<run id>.log" in the
// data tree's Reports folder, which only administrators may change
// (places/data_tree.h). The newest kKeptRuns runs are kept; of older runs
// only files named as the program names them are deleted, nothing else.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "places/data_tree.h"
#include "platform/platform.h"

namespace dizi {

inline constexpr std::size_t kKeptRuns = 100;
inline constexpr char kReportExtension[] = ".json";
inline constexpr char kLogExtension[] = ".log";

class ReportStore {
 public:
  // Checks (and makes, where missing) the Reports folder and holds it.
  explicit ReportStore(Platform& platform);

  // Where the folder is; empty when it cannot be used, and then Problem()
  // says why and SetAside() names what was set aside on the way.
  const std::string& Path() const { return folder_.Path(); }
  const std::string& Problem() const { return folder_.Problem(); }
  const std::vector<std::string>& SetAside() const { return folder_.SetAside(); }

  // Writes the file `name` in the folder: a new file the first time, and a
  // later time (the same run writing it again) over the one it wrote, in one
  // step.
  Outcome Keep(const std::string& name, std::string_view text);

  // Deletes the files of every run but the newest kKeptRuns and `current`.
  void Prune(const std::string& current);

 private:
  Platform& platform_;
  CheckedFolder folder_;
  std::set<std::string> written_;  // names written by this run
};

}  // namespace dizi
