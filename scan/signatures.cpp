#include "scan/signatures.h"

#include "places/system_paths.h"

namespace dizi {

std::string TargetPath(const SystemPaths& paths, const Signature& signature) {
  const std::string* folder = &paths.WindowsDir;
  switch (signature.folder) {
    case Folder::System:
      folder = &paths.SystemDir;
      break;
    case Folder::LegacySystem:
      folder = &paths.LegacySystemDir;
      break;
    case Folder::Windows:
      break;
  }
  return *folder + std::string(signature.entry);
}

std::string ImageName(const Signature& signature) {
  return std::string(signature.entry.substr(1));
}

}  // namespace dizi
