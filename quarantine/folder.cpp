#include "quarantine/folder.h"

#include "quarantine/item_format.h"
#include "quarantine/manifest.h"

namespace dizi {

CheckedFolder OpenQuarantine(Platform& platform) {
  return OpenDataFolder(platform, DataFolder::Quarantine);
}

std::string ManifestPath(const std::string& folder) {
  return folder + "\\" + kManifestName;
}

std::string ItemPath(const std::string& folder, std::string_view id) {
  return folder + "\\" + std::string(id) + kItemExtension;
}

ManifestText ReadManifest(Platform& platform, const std::string& folder) {
  const std::string path = ManifestPath(folder);
  ManifestText manifest;
  std::string reason;
  const std::unique_ptr<InputFile> file = platform.OpenToRead(path, reason);
  if (!file) {
    // None yet is no problem; one that is there and cannot be opened is.
    if (platform.FileExists(path)) {
      manifest.problem = reason;
    }
    return manifest;
  }
  std::string chunk;
  for (;;) {
    if (!file->Read(64 * 1024, chunk, reason)) {
      manifest.problem = reason;
      break;
    }
    if (chunk.empty()) {
      return manifest;
    }
    if (chunk.size() > kLargestManifest - manifest.text.size()) {
      manifest.problem = "it is larger than " + std::to_string(kLargestManifest >> 20) + " MB";
      break;
    }
    manifest.text += chunk;
  }
  manifest.text.clear();
  return manifest;
}

Outcome AppendEvent(Platform& platform, const std::string& folder, std::string_view line) {
  return platform.AppendToFile(ManifestPath(folder), line);
}

}  // namespace dizi
