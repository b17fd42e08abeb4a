// kill.exe: "kill -f <image name>" ends every running process of that image,
// except itself. Exit codes: 0 when it ended at least one process, 1 when none
// matched or none could be ended, 2 for a wrong command line.
#include <windows.h>

#include <tlhelp32.h>

#include <stdio.h>

#include "kill/kill_arguments.h"
#include "kill/process_choice.h"
#include "platform/win32/error_text.h"
#include "platform/win32/scoped_handle.h"

namespace dizi::tools {
namespace {

// How long to wait for an ended process to be gone before moving on, so that
// its image file is no longer in use when kill.exe returns.
constexpr DWORD kExitWaitMs = 3000;

// Opens the process with the right to end it, and the right to wait for it
// where the process grants that too.
ScopedHandle OpenForTermination(DWORD id) {
  ScopedHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
  if (!process && GetLastError() == ERROR_ACCESS_DENIED) {
    process = ScopedHandle(OpenProcess(PROCESS_TERMINATE, FALSE, id));
  }
  return process;
}

enum class Outcome { Ended, AlreadyGone, Failed };

Outcome End(const PROCESSENTRY32& entry) {
  ScopedHandle process = OpenForTermination(entry.th32ProcessID);
  if (!process) {
    const DWORD error = GetLastError();
    // The process ended between the snapshot and the open.
    if (error == ERROR_INVALID_PARAMETER) {
      return Outcome::AlreadyGone;
    }
    fprintf(stderr, "kill: could not end %s (process %lu): %s\n", entry.szExeFile,
            entry.th32ProcessID, DescribeError(error).text);
    return Outcome::Failed;
  }
  if (!TerminateProcess(process.Get(), 1)) {
    fprintf(stderr, "kill: could not end %s (process %lu): %s\n", entry.szExeFile,
            entry.th32ProcessID, DescribeError(GetLastError()).text);
    return Outcome::Failed;
  }
  WaitForSingleObject(process.Get(), kExitWaitMs);
  return Outcome::Ended;
}

int KillAll(std::string_view image_name) {
  const ScopedSnapshot snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) {
    fprintf(stderr, "kill: cannot list the running processes: %s\n",
            DescribeError(GetLastError()).text);
    return 1;
  }
  const DWORD self = GetCurrentProcessId();
  int ended = 0;
  int matched = 0;
  PROCESSENTRY32 entry;
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.Get(), &entry); more;
       more = Process32Next(snapshot.Get(), &entry)) {
    if (!ShouldEnd({entry.th32ProcessID, entry.szExeFile}, image_name, self)) {
      continue;
    }
    ++matched;
    switch (End(entry)) {
      case Outcome::Ended:
        ++ended;
        printf("kill: ended %s (process %lu)\n", entry.szExeFile, entry.th32ProcessID);
        break;
      case Outcome::AlreadyGone:
        printf("kill: %s (process %lu) had already ended\n", entry.szExeFile, entry.th32ProcessID);
        break;
      case Outcome::Failed:
        break;
    }
  }
  if (matched == 0) {
    printf("kill: no process named %.*s is running\n", static_cast<int>(image_name.size()),
           image_name.data());
  }
  return ended > 0 ? 0 : 1;
}

}  // namespace
}  // namespace dizi::tools

int main(int argc, char** argv) {
  const auto image_name = dizi::tools::ParseKillArguments(argc, argv);
  if (!image_name) {
    fprintf(stderr, "%s\n", dizi::tools::kKillUsage);
    return 2;
  }
  return dizi::tools::KillAll(*image_name);
}
