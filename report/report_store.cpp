#include "report/report_store.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "platform/file_in_one_step.h"
#include "report/run_id.h"
#include "report/run_report.h"

namespace dizi {

ReportStore::ReportStore(Platform& platform)
    : platform_(platform), folder_(OpenDataFolder(platform, DataFolder::Reports)) {}

Outcome ReportStore::Keep(const std::string& name, std::string_view text) {
  if (!folder_) {
    return {false, folder_.Problem()};
  }
  const std::string path = folder_.Path() + "\\" + name;
  if (written_.count(name) != 0) {
    return ReplaceInOneStep(platform_, folder_.Path(), path, text);
  }
  const Outcome written = WriteNewFile(platform_, path, text);
  if (written) {
    written_.insert(name);
  }
  return written;
}

void ReportStore::Prune(const std::string& current) {
  if (!folder_) {
    return;
  }
  const std::vector<std::string> names = platform_.ListFiles(folder_.Path());
  // Every run the folder holds a file of, the newest first.
  std::vector<std::string> runs;
  for (const std::string& name : names) {
    for (const char* extension : {kReportExtension, kLogExtension}) {
      const std::string id = RunIdOfFileName(name, extension);
      if (!id.empty() && id != current && std::find(runs.begin(), runs.end(), id) == runs.end()) {
        runs.push_back(id);
      }
    }
  }
  std::sort(runs.begin(), runs.end(), std::greater<>());
  // The current run is one of those kept.
  if (runs.size() < kKeptRuns) {
    return;
  }
  const std::vector<std::string> old(runs.begin() + (kKeptRuns - 1), runs.end());
  for (const std::string& name : names) {
    for (const char* extension : {kReportExtension, kLogExtension}) {
      const std::string id = RunIdOfFileName(name, extension);
      if (!id.empty() && std::binary_search(old.begin(), old.end(), id, std::greater<>())) {
        platform_.Delete(folder_.Path() + "\\" + name);
      }
    }
  }
}

}  // namespace dizi
