// Reading the quarantine of a test machine: its items' original bytes and its
// manifest's lines.
#pragma once

#include <string>
#include <vector>

#include "platform/fake_platform.h"
#include "quarantine/item_format.h"

namespace dizi::test {

inline const std::string kQuarantine =
    "C:\\Documents and Settings\\All Users\\Application Data\\DiziTarvix\\Quarantine";
inline const std::string kManifest = kQuarantine + "\\manifest.jsonl";

inline std::string ItemFile(const std::string& id) {
  return kQuarantine + "\\" + id + ".dzq";
}

// The original's bytes in an item's content; "not an item" without the header.
inline std::string Recovered(const std::string& item) {
  if (item.compare(0, kItemHeader.size(), kItemHeader) != 0) {
    return "not an item";
  }
  std::string bytes = item.substr(kItemHeader.size());
  ByteMask mask;
  mask.Apply(bytes);
  return bytes;
}

inline std::vector<std::string> ManifestLines(const FakePlatform& platform) {
  std::vector<std::string> lines;
  const std::string text = platform.Content(kManifest);
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

}  // namespace dizi::test
