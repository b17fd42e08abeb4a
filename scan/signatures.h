// The file names by which the Tarvix family is recognised, and where each is
// looked for.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace dizi {

struct SystemPaths;

enum class Folder { System, LegacySystem, Windows };

struct Signature {
  std::string_view entry;  // a file name with its leading backslash
  Folder folder;
};

// The server's installed files; the same name may appear in several folders.
inline constexpr std::size_t kServerSignatureCount = 25;
extern const std::array<Signature, kServerSignatureCount> ServerSignatures;

// The stealth downloader's files, all in the system folder.
inline constexpr std::size_t kDownloaderSignatureCount = 6;
extern const std::array<Signature, kDownloaderSignatureCount> DownloaderSignatures;

// The folder's text followed directly by the entry.
std::string TargetPath(const SystemPaths& paths, const Signature& signature);

// The entry without its leading backslash: the name its process runs under.
std::string ImageName(const Signature& signature);

}  // namespace dizi
