// Times keeping a found file in the quarantine, through the shipped engine and
// Win32 platform: reading it, hashing it (the system's SHA-256), masking and
// writing the item, and appending its manifest line. A plain CopyFileA of the
// same file is timed beside it for comparison. The items made are deleted
// again.
//
//   keep_timer.exe [BYTES] [RUNS]   a file of BYTES (default 1 MiB), RUNS times
//     (default 9); prints one line of NAME=VALUE pairs:
//     bytes, runs, keep_ms (median), keep_min_ms, copy_ms (median), hash_ms
//     (median: the SHA-256 alone, over the bytes in memory)
//   Exit code 1 when a file cannot be written or kept.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "quarantine/keep.h"
#include "quarantine/restore.h"

namespace {

double Now() {
  LARGE_INTEGER frequency;
  LARGE_INTEGER counter;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  const bool ok =
      file != INVALID_HANDLE_VALUE &&
      ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size();
  if (file != INVALID_HANDLE_VALUE) {
    ::CloseHandle(file);
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t size = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1u << 20;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 9;
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const std::string path = std::string(temp) + "keep-timer-sample.exe";
  const std::string copy = std::string(temp) + "keep-timer-copy.exe";
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) {
    bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
  }
  if (runs < 1 || !WriteFileBytes(path, bytes)) {
    std::printf("error: cannot write %s\n", path.c_str());
    return 1;
  }

  dizi::Win32Platform platform;
  std::vector<double> keeps;
  std::vector<double> copies;
  std::vector<double> hashes;
  std::vector<std::string> ids;
  for (int run = 0; run < runs; ++run) {
    double start = Now();
    const dizi::KeptFile kept = dizi::KeepFile(platform, path, "server");
    keeps.push_back(Now() - start);
    if (!kept.kept) {
      std::printf("error: not kept: %s\n", kept.reason.c_str());
      return 1;
    }
    ids.push_back(kept.id);
    start = Now();
    ::CopyFileA(path.c_str(), copy.c_str(), FALSE);
    copies.push_back(Now() - start);
    start = Now();
    const auto hash = platform.NewSha256();
    hash->Add(bytes);
    hash->Finish();
    hashes.push_back(Now() - start);
  }
  for (const dizi::QuarantineItem& item : dizi::QuarantineItems(platform)) {
    if (std::find(ids.begin(), ids.end(), item.record.id) != ids.end()) {
      dizi::DeleteItem(platform, item);
    }
  }
  ::DeleteFileA(path.c_str());
  ::DeleteFileA(copy.c_str());
  std::printf("bytes=%lu runs=%d keep_ms=%.2f keep_min_ms=%.2f copy_ms=%.2f hash_ms=%.2f\n",
              static_cast<unsigned long>(size), runs, Median(keeps),
              *std::min_element(keeps.begin(), keeps.end()), Median(copies), Median(hashes));
  return 0;
}
