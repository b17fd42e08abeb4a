// kill.exe: "kill -f <image name>" ends every running process of that image
// name; "kill -f <full path>" ends only the processes whose image is that very
// file, wherever else a file of its name lies. It never ends itself. Exit
// codes: 0 when it ended at least one process, 1 when none matched or none
// could be ended, 2 for a wrong command line.
#include <windows.h>

#include <tlhelp32.h>

#include <stdio.h>

#include "kill/image_file.h"
#include "kill/kill_arguments.h"
#include "kill/process_choice.h"
#include "platform/win32/error_text.h"
#include "platform/win32/kernel_functions.h"
#include "platform/win32/scoped_handle.h"

namespace dizi::tools {
namespace {

// How long to wait for an ended process to be gone before moving on, so that
// its image file is no longer in use when kill.exe returns.
constexpr DWORD kExitWaitMs = 3000;

// Every process of one image name.
class ByName {
 public:
  explicit ByName(std::string_view name) : name_(name) {}
  bool Selects(const PROCESSENTRY32& entry, DWORD self) const {
    return ShouldEnd({entry.th32ProcessID, entry.szExeFile}, name_, self);
  }
  void ReportNoMatch() const {
    printf("kill: no process named %.*s is running\n", static_cast<int>(name_.size()),
           name_.data());
  }

 private:
  std::string_view name_;
};

// The processes whose image is one file. A process whose image path cannot
// be read is left alone.
class ByFile {
 public:
  // `path` is null-terminated (a command-line argument).
  explicit ByFile(std::string_view path)
      : ambiguous_(RunsUnderWow64()),
        // As this program sees the path: under WOW64 its "system32" is the
        // 32-bit system folder, where a 32-bit program's files lie.
        identity_(IdentityOf(path.data(), false)) {
    if (path_.Assign(path)) {
      ExpandShortNames(path_);
    }
  }

  bool Selects(const PROCESSENTRY32& entry, DWORD self) const {
    if (entry.th32ProcessID == self) {
      return false;
    }
    const ScopedHandle process = OpenToQuery(entry.th32ProcessID);
    PathText image;
    if (!process || !ReadImagePath(process.Get(), image)) {
      return false;
    }
    // The system reports the real path of the image, never a redirected one.
    const FileIdentity identity = IdentityOf(image.text, true);
    if (!identity.known) {
      ExpandShortNames(image);
    }
    return IsSameFile({identity_, path_.View()}, {identity, image.View()}, ambiguous_);
  }

  void ReportNoMatch() const { printf("kill: no running process has the image %s\n", path_.text); }

 private:
  bool ambiguous_;
  FileIdentity identity_;
  PathText path_;
};

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

template <typename Choice>
int EndEvery(const Choice& choice) {
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
    if (!choice.Selects(entry, self)) {
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
    choice.ReportNoMatch();
  }
  return ended > 0 ? 0 : 1;
}

}  // namespace
}  // namespace dizi::tools

int main(int argc, char** argv) {
  using namespace dizi::tools;
  const auto target = ParseKillArguments(argc, argv);
  if (!target) {
    fprintf(stderr, "%s\n", kKillUsage);
    return 2;
  }
  if (target->form == KillTarget::Form::ImagePath) {
    return EndEvery(ByFile(target->text));
  }
  return EndEvery(ByName(target->text));
}
