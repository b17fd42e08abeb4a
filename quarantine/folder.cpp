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

std::string ReadManifest(Platform& platform, const std::string& folder) {
  std::string reason;
  const std::unique_ptr<InputFile> file = platform.OpenToRead(ManifestPath(folder), reason);
  std::string text;
  std::string chunk;
  while (file && file->Read(64 * 1024, chunk, reason) && !chunk.empty()) {
    text += chunk;
  }
  return text;
}

Outcome AppendEvent(Platform& platform, const std::string& folder, std::string_view line) {
  return platform.AppendToFile(ManifestPath(folder), line);
}

}  // namespace dizi
