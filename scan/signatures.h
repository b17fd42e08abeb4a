// The file names by which the Tarvix family is recognised, and where each is
// looked for. The tables live in this header so that the small companion
// programs can use them without linking the engine.
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
inline constexpr std::array<Signature, kServerSignatureCount> ServerSignatures = {{
    {"\\fservice.exe", Folder::System},        // 0
    {"\\wininv.dll", Folder::System},          // 1
    {"\\winkey.dll", Folder::System},          // 2
    {"\\reginv.dll", Folder::System},          // 3
    {"\\sservice.exe", Folder::LegacySystem},  // 4
    {"\\wininv.dll", Folder::LegacySystem},    // 5
    {"\\mps.atm", Folder::Windows},            // 6
    {"\\services.exe", Folder::Windows},       // 7
    {"\\PpluginCd.dll", Folder::Windows},      // 8
    {"\\reginv.dll", Folder::Windows},         // 9
    {"\\Pplugin1.dll", Folder::Windows},       // 10
    {"\\Pplugin2.dll", Folder::Windows},       // 11
    {"\\Pplugin3.dll", Folder::Windows},       // 12
    {"\\Pplugin4.exe", Folder::Windows},       // 13
    {"\\Pplugin4.dat", Folder::Windows},       // 14
    {"\\krt32.exe", Folder::Windows},          // 15
    {"\\kdd32.atm", Folder::Windows},          // 16
    {"\\kt.atm", Folder::Windows},             // 17
    {"\\ktd32.atm", Folder::Windows},          // 18
    {"\\Pplugin8.exe", Folder::Windows},       // 19
    {"\\Pplugin8.dat", Folder::Windows},       // 20
    {"\\winp9.exe", Folder::Windows},          // 21
    {"\\Pplugin9.dat", Folder::Windows},       // 22
    {"\\Pplugin10xa.exe", Folder::Windows},    // 23
    {"\\winkey.dll", Folder::Windows},         // 24
}};

// The stealth downloader's files, all in the system folder.
inline constexpr std::size_t kDownloaderSignatureCount = 6;
inline constexpr std::array<Signature, kDownloaderSignatureCount> DownloaderSignatures = {{
    {"\\wservice.exe", Folder::System},   // 0
    {"\\lservice.exe", Folder::System},   // 1
    {"\\dservice.exe", Folder::System},   // 2
    {"\\d_service.exe", Folder::System},  // 3
    {"\\ffservice.exe", Folder::System},  // 4
    {"\\kservice.exe", Folder::System},   // 5
}};

// The folder's text followed directly by the entry.
std::string TargetPath(const SystemPaths& paths, const Signature& signature);

// The entry without its leading backslash: the name its process runs under.
std::string ImageName(const Signature& signature);

}  // namespace dizi
