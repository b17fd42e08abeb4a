// Times what holding and checking the shipped files costs at start-up.
//
//   companion_check.exe FOLDER [NAME...]
//
// FOLDER holds kill.exe, fservice.exe and msconfig.exe as the program's folder
// does. Prints, each timed RUNS times (the first run and the median):
//   - the start-up's own call, HoldCompanions, over the three files;
//   - for FOLDER\NAME, each of the names given: the file held and hashed as
//     HoldCompanion does it, with the system's SHA-256 (CryptoAPI), and with
//     the program's own, which systems before Windows XP SP3 get.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/win32/win32_locked_file.h"
#include "platform/win32/win32_platform.h"
#include "places/companions.h"
#include "places/system_paths.h"

namespace {

constexpr int kRuns = 21;

double Now() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// "first F ms, median M ms" of `runs` calls of `work`.
template <typename Work>
std::string Timed(Work work) {
  std::vector<double> times;
  for (int run = 0; run < kRuns; ++run) {
    const double start = Now();
    work();
    times.push_back(Now() - start);
  }
  const double first = times.front();
  std::sort(times.begin(), times.end());
  char text[80];
  std::snprintf(text, sizeof text, "first %7.2f ms, median %7.2f ms", first, times[kRuns / 2]);
  return text;
}

long long SizeOf(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) {
    return -1;
  }
  return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Held and hashed as HoldCompanion does it, with the given SHA-256.
template <typename NewDigest>
bool HoldAndHash(const std::string& path, NewDigest newDigest) {
  const dizi::LockedOpen held = dizi::OpenLockedFile(path);
  if (!held.file) {
    return false;
  }
  const auto digest = newDigest();
  return held.file->ReadInto(*digest).ok && digest->Finish().has_value();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: companion_check.exe FOLDER [NAME...]\n");
    return 2;
  }
  const std::string folder = argv[1];
  dizi::Win32Platform platform;
  dizi::SystemPaths paths;
  paths.KillToolPath = folder + "\\kill.exe";
  // The digests do not matter for the cost: every file is read whole.
  const dizi::RecordedDigests recorded{};

  std::printf("  HoldCompanions (kill.exe, fservice.exe, msconfig.exe): %s\n",
              Timed([&] { dizi::HoldCompanions(platform, paths, recorded); }).c_str());
  for (int i = 2; i < argc; ++i) {
    const std::string path = folder + "\\" + argv[i];
    bool ok = true;
    const std::string system =
        Timed([&] { ok = HoldAndHash(path, [&] { return platform.NewSha256(); }) && ok; });
    const std::string own = Timed([&] {
      ok = HoldAndHash(path, [] { return std::make_unique<dizi::PortableSha256>(); }) && ok;
    });
    std::printf("  %-16s %9lld bytes   system's SHA-256: %s   program's own: %s%s\n", argv[i],
                SizeOf(path), system.c_str(), own.c_str(), ok ? "" : "   (could not be read)");
  }
  std::fflush(stdout);
  return 0;
}
