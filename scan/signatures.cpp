#include "scan/signatures.h"

#include "startup/system_paths.h"

namespace dizi {

const std::array<Signature, kServerSignatureCount> ServerSignatures = {{
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

const std::array<Signature, kDownloaderSignatureCount> DownloaderSignatures = {{
    {"\\wservice.exe", Folder::System},   // 0
    {"\\lservice.exe", Folder::System},   // 1
    {"\\dservice.exe", Folder::System},   // 2
    {"\\d_service.exe", Folder::System},  // 3
    {"\\ffservice.exe", Folder::System},  // 4
    {"\\kservice.exe", Folder::System},   // 5
}};

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
