#include "scan/scan_result.h"

namespace dizi {

void ScanResult::Record(const std::string& path, TargetKind kind, FileOutcome outcome) {
  // The passes build each path from the same texts, so a file found again has
  // exactly the same path.
  for (FoundFile& file : found) {
    if (file.path == path) {
      file.outcome = outcome;
      return;
    }
  }
  found.push_back({path, kind, outcome});
}

}  // namespace dizi
