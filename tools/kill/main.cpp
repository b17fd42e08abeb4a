// kill.exe: "kill -f <image name>" ends every running process of that image
// name; "kill -f <full path>" ends only the processes whose image is that very
// file, wherever else a file of its name lies. It never ends itself, one of
// Windows' own programs in the system folders, or a process Windows marks
// critical. Each process is opened once; what kill.exe checks, it checks
// through that handle, and it ends the process through the same handle, so
// that a process id reused meanwhile can never make it end another process.
//
// Every process it identified gets one line on standard output (see
// kill/kill_report.h): ended, left running and why, or could not be ended,
// the last followed by the line DiziTarvix reads (scan/kill_tool_output.h).
// Exit codes: 0 when it ended at least one process, 1 when none matched or
// none could be ended, 2 for a wrong command line.
#include <windows.h>

#include <tlhelp32.h>

#include <stdio.h>

#include "common/ascii_text.h"
#include "kill/image_file.h"
#include "kill/kill_arguments.h"
#include "kill/kill_report.h"
#include "kill/process_choice.h"
#include "kill/process_verdict.h"
#include "platform/win32/error_text.h"
#include "platform/win32/kernel_functions.h"
#include "platform/win32/scoped_handle.h"
#include "scan/image_names.h"

namespace dizi::tools {
namespace {

// How long to wait for an ended process to be gone before moving on, so that
// its image file is no longer in use when kill.exe returns.
constexpr DWORD kExitWaitMs = 3000;

// NtQueryInformationProcess's information class for the critical mark.
constexpr ULONG kProcessBreakOnTermination = 29;

void Print(const ReportLine& line) {
  printf("%.*s\n", static_cast<int>(line.View().size()), line.View().data());
  // Out at once, so that nothing written to standard error lands inside a line.
  fflush(stdout);
}

// The folders Windows runs its own programs from, as the system reports the
// image paths of processes: the system folder and, on 64-bit Windows, the
// 32-bit one.
class SystemFolders {
 public:
  SystemFolders() {
    Add(GetSystemDirectoryA(system_.text, kPathCapacity), system_);
    using Get = UINT(WINAPI*)(LPSTR, UINT);
    // Windows XP and later; it fails on 32-bit Windows, which has no other.
    const auto get = KernelFunction<Get>("GetSystemWow64DirectoryA");
    if (get != nullptr) {
      Add(get(wow64_.text, kPathCapacity), wow64_);
    }
  }
  SystemFolders(const SystemFolders&) = delete;
  SystemFolders& operator=(const SystemFolders&) = delete;

  bool HoldWindowsOwn(std::string_view imagePath) const {
    return IsWindowsOwnImage(imagePath, list_, count_);
  }
  std::string_view System() const { return system_.View(); }
  std::string_view Wow64() const { return wow64_.View(); }

 private:
  void Add(UINT length, PathText& folder) {
    if (length == 0 || length >= kPathCapacity) {
      folder.Assign({});
      return;
    }
    folder.length = length;
    list_[count_++] = folder.View();
  }

  PathText system_;
  PathText wow64_;
  std::string_view list_[2];
  std::size_t count_ = 0;
};

// Whether the process is marked critical, and the error when that could not be read.
struct CriticalRead {
  CriticalMark mark;
  DWORD error;
};

CriticalRead ReadCriticalMark(HANDLE process) {
  using Query = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
  using ToError = ULONG(WINAPI*)(LONG);
  const auto query = NtdllFunction<Query>("NtQueryInformationProcess");
  if (query == nullptr) {
    // A system without it has no way to mark a process critical.
    return {CriticalMark::Absent, 0};
  }
  ULONG value = 0;
  const LONG status = query(process, kProcessBreakOnTermination, &value, sizeof value, nullptr);
  const CriticalMark mark = CriticalMarkFrom(status, value);
  if (mark != CriticalMark::Unreadable) {
    return {mark, 0};
  }
  const auto toError = NtdllFunction<ToError>("RtlNtStatusToDosError");
  return {mark, toError != nullptr ? toError(status) : static_cast<DWORD>(ERROR_ACCESS_DENIED)};
}

// A process opened once for everything kill.exe does with it.
struct OpenedProcess {
  ScopedHandle handle;
  bool mayEnd = false;  // the handle carries the right to end it
  bool gone = false;    // it ended between the snapshot and the open
  DWORD error = 0;      // why it could not be opened with the right to end it
};

// Opens the process with the rights to read its image path and critical mark
// (all information where granted, the limited set of Vista and later
// otherwise), to end it and, where granted, to wait for it; without the right
// to end it where that is denied, so that it can still be identified.
OpenedProcess OpenToEnd(DWORD id) {
  constexpr DWORD kEnd = PROCESS_TERMINATE | SYNCHRONIZE;
  constexpr DWORD kTries[] = {PROCESS_QUERY_INFORMATION | kEnd, kQueryLimitedInformation | kEnd,
                              PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE,
                              kQueryLimitedInformation | PROCESS_TERMINATE};
  OpenedProcess opened;
  for (const DWORD access : kTries) {
    opened.handle.Reset(OpenProcess(access, FALSE, id));
    if (opened.handle) {
      opened.mayEnd = true;
      return opened;
    }
    if (opened.error == 0) {
      opened.error = GetLastError();
      // The first try asks only for rights every version knows.
      if (opened.error == ERROR_INVALID_PARAMETER) {
        opened.gone = true;
        return opened;
      }
    }
  }
  opened.handle = OpenToQuery(id);
  return opened;
}

// Every process of one image name.
class ByName {
 public:
  explicit ByName(std::string_view name) : name_(name) {}

  bool MayBe(const PROCESSENTRY32& entry, DWORD self) const {
    return ShouldEnd({entry.th32ProcessID, entry.szExeFile}, name_, self);
  }
  // The image path is for the check against Windows' own programs; empty
  // where it cannot be read.
  bool Identifies(HANDLE process, PathText& image) const {
    if (ReadImagePath(process, image)) {
      ExpandShortNames(image);
    }
    return true;
  }
  // Chosen by its name, it is identified even when it cannot be opened: true.
  bool ReportUnopened(const PROCESSENTRY32& entry, const OpenedProcess& opened) const {
    if (opened.gone) {
      Print(AlreadyEndedLine(entry.szExeFile, entry.th32ProcessID));
    } else {
      Print(NotCheckedLine(entry.szExeFile, entry.th32ProcessID, DescribeError(opened.error).text));
    }
    return true;
  }
  void ReportNoMatch() const {
    printf("kill: no process named %.*s is running\n", static_cast<int>(name_.size()),
           name_.data());
  }

 private:
  std::string_view name_;
};

// The processes whose image is one file. A process whose image path cannot
// be read is not identified, and left alone.
class ByFile {
 public:
  // `path` is null-terminated (a command-line argument).
  ByFile(std::string_view path, const SystemFolders& folders) : given_(path) {
    if (path_.Assign(path)) {
      ExpandShortNames(path_);
    }
    // As this program sees the path: under WOW64 its "system32" is the
    // 32-bit system folder, where a 32-bit program's files lie.
    identity_ = IdentityOf(path_.text, false);
    ambiguous_ = RunsUnderWow64() && !FindReportedPath(folders);
  }

  bool MayBe(const PROCESSENTRY32& entry, DWORD self) const { return entry.th32ProcessID != self; }
  bool Identifies(HANDLE process, PathText& image) const {
    if (!ReadImagePath(process, image)) {
      return false;
    }
    // The system reports the real path of the image, never a redirected one.
    const FileIdentity identity = IdentityOf(image.text, true);
    if (!identity.known || identity.links > 1 || identity_.links > 1) {
      ExpandShortNames(image);
    }
    return IsSameFile({identity_, path_.View()}, {identity, image.View()}, ambiguous_);
  }
  // Unopened, it cannot be identified: false.
  bool ReportUnopened(const PROCESSENTRY32&, const OpenedProcess&) const { return false; }
  void ReportNoMatch() const {
    printf("kill: no running process has the image %.*s\n", static_cast<int>(given_.size()),
           given_.data());
  }

 private:
  // Under WOW64, makes the path the one the system reports for processes of
  // the file this program sees: the same text where it names that file in
  // both views, its SysWOW64 form where the text lies in the redirected
  // system folder. False when neither names it, or the file is unknown.
  bool FindReportedPath(const SystemFolders& folders) {
    if (!identity_.known) {
      return false;
    }
    if (SameIdentity(IdentityOf(path_.text, true), identity_)) {
      return true;
    }
    PathText real;
    if (MoveToFolder(path_.View(), folders.System(), folders.Wow64(), real) &&
        SameIdentity(IdentityOf(real.text, true), identity_)) {
      path_ = real;
      return true;
    }
    return false;
  }

  std::string_view given_;
  PathText path_;
  FileIdentity identity_;
  bool ambiguous_ = true;
};

// Ends the identified process through its handle, or says why not. True when
// it was ended.
bool EndOrLeave(const PROCESSENTRY32& entry, const OpenedProcess& opened, const PathText& image,
                const SystemFolders& folders) {
  const char* name = entry.szExeFile;
  const DWORD id = entry.th32ProcessID;
  // Without its path, a process of a name Windows uses is taken for Windows' own.
  const bool windowsOwn = image.length > 0
                              ? folders.HoldWindowsOwn(image.View())
                              : IsWindowsProcessName(FileNamePart(std::string_view(name)));
  const CriticalRead critical = ReadCriticalMark(opened.handle.Get());
  const Verdict verdict = Judge({windowsOwn, critical.mark, opened.mayEnd});
  DWORD error = opened.error;
  switch (verdict) {
    case Verdict::End:
      if (TerminateProcess(opened.handle.Get(), 1)) {
        WaitForSingleObject(opened.handle.Get(), kExitWaitMs);
        Print(EndedLine(name, id));
        return true;
      }
      error = GetLastError();
      [[fallthrough]];
    case Verdict::CannotEnd:
      Print(CouldNotEndLine(name, id, DescribeError(error).text));
      Print(NotEndedLine(id));
      return false;
    case Verdict::LeaveWindowsOwn:
      Print(LeftRunningLine(name, id, verdict, image.length > 0 ? image.View() : name));
      return false;
    case Verdict::LeaveCritical:
      Print(LeftRunningLine(name, id, verdict, {}));
      return false;
    case Verdict::LeaveCriticalUnreadable:
      Print(LeftRunningLine(name, id, verdict, DescribeError(critical.error).text));
      return false;
  }
  return false;
}

template <typename Choice>
int EndEvery(const Choice& choice, const SystemFolders& folders) {
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
    if (!choice.MayBe(entry, self)) {
      continue;
    }
    const OpenedProcess opened = OpenToEnd(entry.th32ProcessID);
    PathText image;
    if (!opened.handle) {
      if (choice.ReportUnopened(entry, opened)) {
        ++matched;
      }
      continue;
    }
    if (!choice.Identifies(opened.handle.Get(), image)) {
      continue;
    }
    ++matched;
    if (EndOrLeave(entry, opened, image, folders)) {
      ++ended;
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
  const SystemFolders folders;
  if (target->form == KillTarget::Form::ImagePath) {
    return EndEvery(ByFile(target->text, folders), folders);
  }
  return EndEvery(ByName(target->text), folders);
}
