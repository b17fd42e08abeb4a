#include "scan/scan_result.h"

namespace dizi {

FoundFile& ScanResult::Record(const std::string& path, TargetKind kind, FileOutcome outcome) {
  for (FoundFile& file : found) {
    if (file.path == path) {
      file.outcome = outcome;
      return file;
    }
  }
  FoundFile& file = found.emplace_back();
  file.path = path;
  file.kind = kind;
  file.outcome = outcome;
  return file;
}

const FoundFile* ScanResult::Find(const std::string& path) const {
  // The passes build each path from the same texts, so a file found again has
  // exactly the same path.
  for (const FoundFile& file : found) {
    if (file.path == path) {
      return &file;
    }
  }
  return nullptr;
}

}  // namespace dizi
