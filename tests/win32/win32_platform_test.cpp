// The Win32 platform layer on a real (Wine) system: every operation the
// engine relies on, in a scratch folder of its own.
#include <windows.h>

#include <cstdlib>
#include <string>

#include "check.h"
#include "platform/sha256.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_platform.h"
#include "scratch_folder.h"

namespace dizi {
namespace {

TEST_CASE(TheProbeReadsFilesOnlyAsACRuntimeReadWould) {
  Win32Platform platform;
  ScratchFolder folder;
  WriteText(folder / "present.exe", "MZ");
  ::CreateDirectoryA((folder / "folder.exe").c_str(), nullptr);

  CHECK(platform.CanOpenForReading(folder / "present.exe"));
  CHECK(!platform.CanOpenForReading(folder / "absent.exe"));
  CHECK(!platform.CanOpenForReading(folder / "folder.exe"));
  {
    // A running program that writes the file and lets others read it.
    const ScopedFileHandle writer =
        HoldOpen(folder / "present.exe", GENERIC_WRITE, FILE_SHARE_READ);
    CHECK(static_cast<bool>(writer));
    CHECK(platform.CanOpenForReading(folder / "present.exe"));
  }
  {
    // Locked against reading: counts as absent.
    const ScopedFileHandle locker = HoldOpen(folder / "present.exe", GENERIC_READ, 0);
    CHECK(static_cast<bool>(locker));
    CHECK(!platform.CanOpenForReading(folder / "present.exe"));
  }
}

TEST_CASE(FileExistsSeesEveryFileButNoFolder) {
  Win32Platform platform;
  ScratchFolder folder;
  WriteText(folder / "locked.exe", "MZ");
  ::CreateDirectoryA((folder / "folder.exe").c_str(), nullptr);
  const ScopedFileHandle locker = HoldOpen(folder / "locked.exe", GENERIC_READ, 0);

  CHECK(platform.FileExists(folder / "locked.exe"));
  CHECK(!platform.FileExists(folder / "folder.exe"));
  CHECK(!platform.FileExists(folder / "absent.exe"));
}

TEST_CASE(DeleteSaysWhetherTheFileWentAndFailsWhileItIsInUse) {
  Win32Platform platform;
  ScratchFolder folder;
  WriteText(folder / "gone.exe", "MZ");
  WriteText(folder / "busy.exe", "MZ");

  CHECK(platform.Delete(folder / "gone.exe"));
  CHECK(!Exists(folder / "gone.exe"));
  CHECK(!platform.Delete(folder / "gone.exe"));
  {
    const ScopedFileHandle user = HoldOpen(folder / "busy.exe", GENERIC_READ, FILE_SHARE_READ);
    CHECK(!platform.Delete(folder / "busy.exe"));
    CHECK(Exists(folder / "busy.exe"));
  }
  CHECK(platform.Delete(folder / "busy.exe"));
}

TEST_CASE(CopyReplacesAnExistingFile) {
  Win32Platform platform;
  ScratchFolder folder;
  WriteText(folder / "clean.exe", "clean");
  WriteText(folder / "system.exe", "infected copy");

  const Outcome copied = platform.Copy(folder / "clean.exe", folder / "system.exe");
  CHECK(copied.ok);
  CHECK_EQ(copied.reason, std::string());
  CHECK_EQ(ReadText(folder / "system.exe"), std::string("clean"));
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST_CASE(AFailedCopyGivesTheSystemsReason) {
  Win32Platform platform;
  ScratchFolder folder;
  const Outcome missing = platform.Copy(folder / "absent.exe", folder / "other.exe");
  CHECK(!missing);
  CHECK(!Exists(folder / "other.exe"));
  // The system's message, then the number.
  CHECK(EndsWith(missing.reason, " (error 2)"));
  CHECK(missing.reason.size() > std::string(" (error 2)").size());

  WriteText(folder / "clean.exe", "clean");
  WriteText(folder / "held.exe", "in use");
  const ScopedFileHandle user = HoldOpen(folder / "held.exe", GENERIC_READ, 0);
  const Outcome held = platform.Copy(folder / "clean.exe", folder / "held.exe");
  CHECK(!held);
  CHECK(EndsWith(held.reason, " (error 32)"));
}

TEST_CASE(DeletionAtRestartIsRegistered) {
  Win32Platform platform;
  ScratchFolder folder;
  WriteText(folder / "held.exe", "MZ");
  CHECK(platform.DeleteAtRestart(folder / "held.exe"));
  CHECK(Exists(folder / "held.exe"));  // only at the next restart
}

TEST_CASE(ATemporaryFileIsCreatedEmptyInItsFolderAndWrittenWhole) {
  Win32Platform platform;
  ScratchFolder folder;
  std::unique_ptr<OutputFile> file = platform.CreateTemporaryFile(folder.Path());
  CHECK(file != nullptr);
  if (!file) {
    return;
  }
  const std::string path = file->Path();
  CHECK_EQ(path.rfind(folder.Path() + "\\", 0), std::size_t{0});
  WIN32_FILE_ATTRIBUTE_DATA created{};
  CHECK(::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &created));
  CHECK_EQ(created.nFileSizeLow, DWORD{0});

  std::string content;
  for (int line = 0; line < 5000; ++line) {
    content += "  Scanning for Tarvix Server... *Start*\r\n";
  }
  CHECK(file->Write(content));
  CHECK(file->Close());
  CHECK_EQ(ReadText(path), content);
  CHECK(!file->Close());  // closed once
}

TEST_CASE(AnUnclosedTemporaryFileIsClosedWhenDropped) {
  Win32Platform platform;
  ScratchFolder folder;
  std::string path;
  {
    std::unique_ptr<OutputFile> file = platform.CreateTemporaryFile(folder.Path());
    CHECK(file != nullptr);
    if (!file) {
      return;
    }
    path = file->Path();
    file->Write("partial");
  }
  CHECK(::DeleteFileA(path.c_str()) != 0);  // no handle left open
}

TEST_CASE(NoTemporaryFileWhereNoneCanBeMade) {
  Win32Platform platform;
  ScratchFolder folder;
  CHECK(platform.CreateTemporaryFile(folder / "missing") == nullptr);
  CHECK(platform.CreateTemporaryFile(folder.Path() + "\\" + std::string(300, 'x')) == nullptr);
}

TEST_CASE(MoveOverReplacesTheTargetInOneStep) {
  Win32Platform platform;
  ScratchFolder folder;
  WriteText(folder / "new.tmp", "new log");
  WriteText(folder / "DiziTarvix_Log.txt", "old log");

  CHECK(platform.MoveOver(folder / "new.tmp", folder / "DiziTarvix_Log.txt"));
  CHECK_EQ(ReadText(folder / "DiziTarvix_Log.txt"), std::string("new log"));
  CHECK(!Exists(folder / "new.tmp"));

  WriteText(folder / "first.tmp", "first log");
  CHECK(platform.MoveOver(folder / "first.tmp", folder / "fresh.txt"));
  CHECK_EQ(ReadText(folder / "fresh.txt"), std::string("first log"));
}

TEST_CASE(MoveOverLeavesBothFilesWhenTheTargetIsReadOnly) {
  Win32Platform platform;
  ScratchFolder folder;
  WriteText(folder / "new.tmp", "new log");
  WriteText(folder / "DiziTarvix_Log.txt", "old log");
  ::SetFileAttributesA((folder / "DiziTarvix_Log.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  CHECK(::GetFileAttributesA((folder / "DiziTarvix_Log.txt").c_str()) & FILE_ATTRIBUTE_READONLY);

  CHECK(!platform.MoveOver(folder / "new.tmp", folder / "DiziTarvix_Log.txt"));
  CHECK_EQ(ReadText(folder / "DiziTarvix_Log.txt"), std::string("old log"));
  CHECK_EQ(ReadText(folder / "new.tmp"), std::string("new log"));
}

TEST_CASE(TheProgramsPathAndTheSystemFoldersAreWholeAndWithoutTrailingBackslash) {
  Win32Platform platform;
  char expected[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, expected, MAX_PATH);
  CHECK_EQ(platform.ModulePath(), std::string(expected));

  ::GetWindowsDirectoryA(expected, MAX_PATH);
  CHECK_EQ(platform.WindowsDirectory(), std::string(expected));
  ::GetSystemDirectoryA(expected, MAX_PATH);
  CHECK_EQ(platform.SystemDirectory(), std::string(expected));
  CHECK(platform.SystemDirectory().back() != '\\');
}

// The child started by StartHidden writes what it was given to this file.
std::string ReportOfChild(const std::string& marker) {
  for (int waited = 0; waited < 200 && !Exists(marker); ++waited) {
    ::Sleep(50);
  }
  ::Sleep(100);  // let the child finish writing
  return ReadText(marker);
}

TEST_CASE(TheVersionIsReadFromTheSystem) {
  Win32Platform platform;
  const OsVersion version = platform.Version();
  CHECK(version.major >= 5);
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  CHECK(::GetVersionExA(&info));
  CHECK_EQ(version.build, static_cast<unsigned>(info.dwBuildNumber));
  CHECK(version.build > 0);
}

// The test prefix is a 32-bit Windows: nothing is redirected.
TEST_CASE(OnA32BitWindowsEveryFileLiesWhereItIsNamed) {
  Win32Platform platform;
  CHECK(!platform.Is64BitWindows());
  const std::string system = platform.SystemDirectory() + "\\kservice.exe";
  CHECK_EQ(platform.RealPath(system), system);
  CHECK_EQ(platform.RealPath("C:\\x\\y.exe"), std::string("C:\\x\\y.exe"));
}

TEST_CASE(RandomNumbersDiffer) {
  Win32Platform platform;
  const std::uint32_t first = platform.RandomNumber();
  bool differs = false;
  for (int i = 0; i < 8 && !differs; ++i) {
    differs = platform.RandomNumber() != first;
  }
  CHECK(differs);
}

TEST_CASE(RegistryValuesAreWrittenWithTheirKeysAndTypes) {
  Win32Platform platform;
  const std::string key = "Software\\DiziTarvix platform test\\below";
  CHECK(platform.SetRegistryValue(RegistryRoot::CurrentUser, key, "Text",
                                  RegistryValue::Text("2.5")));
  CHECK(platform.SetRegistryValue(RegistryRoot::CurrentUser, key, "Path",
                                  RegistryValue::ExpandableText("C:\\P\\x.exe")));
  CHECK(
      platform.SetRegistryValue(RegistryRoot::CurrentUser, key, "Code", RegistryValue::Number(7)));
  HKEY opened = nullptr;
  CHECK_EQ(::RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened), ERROR_SUCCESS);
  const ScopedRegistryKey held(opened);
  const auto read = [&](const char* name, DWORD& type) {
    char data[64] = {};
    DWORD size = sizeof data;
    ::RegQueryValueExA(held.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    return std::string(data, size);
  };
  DWORD type = 0;
  CHECK_EQ(read("Text", type), std::string("2.5", 4));
  CHECK_EQ(type, static_cast<DWORD>(REG_SZ));
  CHECK_EQ(read("Path", type), std::string("C:\\P\\x.exe", 11));
  CHECK_EQ(type, static_cast<DWORD>(REG_EXPAND_SZ));
  CHECK_EQ(read("Code", type), std::string("\x07\0\0\0", 4));
  CHECK_EQ(type, static_cast<DWORD>(REG_DWORD));
  ::RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
  ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\DiziTarvix platform test");
}

TEST_CASE(AnEventIsWrittenUnderItsSource) {
  Win32Platform platform;
  CHECK(platform.WriteEvent("DiziTarvix platform test", EventKind::Warning, 1002,
                            {"20240517-142301-a1b2c3", "2", "C:\\r.json", ""}));
}

TEST_CASE(StartHiddenRunsTheGivenProgramHiddenWithItsCommandLine) {
  Win32Platform platform;
  ScratchFolder folder;
  const std::string marker = folder / "child report.txt";
  const std::string self = platform.ModulePath();
  const std::string commandLine = "\"" + self + "\" --child \"" + marker + "\"";

  CHECK(platform.StartHidden(Command{self, commandLine}));
  CHECK_EQ(ReportOfChild(marker), commandLine + "\nhidden");
  CHECK(!platform.StartHidden(Command{folder / "absent.exe", "\"absent.exe\""}));
}

// A child of this test program that sleeps until it is ended, writing its
// process id to `marker` first.
Command LingeringChild(Win32Platform& platform, const std::string& marker) {
  const std::string self = platform.ModulePath();
  return Command{self, "\"" + self + "\" --linger \"" + marker + "\""};
}

// The process whose id the lingering child wrote, opened to be waited for.
ScopedHandle ChildProcess(const std::string& marker) {
  const std::string id = ReportOfChild(marker);
  return ScopedHandle{::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE,
                                    static_cast<DWORD>(std::strtoul(id.c_str(), nullptr, 10)))};
}

bool HasEnded(const ScopedHandle& process) {
  return process && ::WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0;
}

TEST_CASE(RunHiddenWaitsForACommandThatFinishes) {
  Win32Platform platform;
  ScratchFolder folder;
  const std::string marker = folder / "child report.txt";
  const std::string self = platform.ModulePath();
  const std::string commandLine = "\"" + self + "\" --child \"" + marker + "\"";
  CHECK(platform.RunHidden(Command{self, commandLine}, 30000, AtTimeLimit::End) ==
        RunResult::Finished);
  // Already written when the call returns, and started hidden.
  CHECK_EQ(ReadText(marker), commandLine + "\nhidden");
  CHECK(platform.RunHidden(Command{folder / "absent.exe", "\"absent.exe\""}, 1000,
                           AtTimeLimit::End) == RunResult::NotStarted);
}

// A command still running when its time is up is ended, and gone when the
// call returns; or it is left to run on.
TEST_CASE(RunHiddenEndsOrLeavesACommandThatOutlastsItsTime) {
  for (const AtTimeLimit atLimit : {AtTimeLimit::End, AtTimeLimit::Leave}) {
    Win32Platform platform;
    ScratchFolder folder;
    const std::string marker = folder / "pid.txt";
    const RunResult result = platform.RunHidden(LingeringChild(platform, marker), 2000, atLimit);
    const ScopedHandle child = ChildProcess(marker);
    if (atLimit == AtTimeLimit::End) {
      CHECK(result == RunResult::Ended);
      CHECK(!child || HasEnded(child));  // gone, or not even there to be opened
    } else {
      CHECK(result == RunResult::StillRunning);
      CHECK(static_cast<bool>(child));
      CHECK(!HasEnded(child));
      ::TerminateProcess(child.Get(), 0);
    }
  }
}

TEST_CASE(ATerminationRequestedBeforeTheLoopWaitsForIt) {
  Win32Platform platform;
  MSG message{};
  platform.RequestTermination();
  // Nothing is posted yet: message boxes shown now still wait for the user.
  CHECK(!::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  CHECK(platform.BeginEventLoop());
}

TEST_CASE(ATerminationRequestedWhileTheLoopRunsEndsItAtOnce) {
  Win32Platform platform;
  MSG message{};
  CHECK(!platform.BeginEventLoop());
  platform.RequestTermination();
  CHECK(::PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// --- Companion programs held for the run --------------------------------------

// Bytes of every value, NULs included, over several of the reads a held file
// is read in.
std::string BinaryContent() {
  std::string content;
  for (int i = 0; i < 300000; ++i) {
    content.push_back(static_cast<char>(i * 13 % 256));
  }
  return content;
}

// The new files a copy may leave behind in `folder`.
int TemporaryFilesIn(const ScratchFolder& folder) {
  int count = 0;
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA((folder / "DTL*.tmp").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      ++count;
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  return count;
}

TEST_CASE(AHeldFileCanBeReadAndStartedButNotChangedRenamedOrDeleted) {
  Win32Platform platform;
  ScratchFolder folder;
  const std::string program = folder / "held companion.exe";
  CHECK(::CopyFileA(platform.ModulePath().c_str(), program.c_str(), FALSE));
  WriteText(folder / "other.exe", "planted");
  {
    const LockedOpen held = platform.OpenLocked(program);
    CHECK(held.file != nullptr);
    CHECK_EQ(held.reason, std::string());

    CHECK(!::DeleteFileA(program.c_str()));
    CHECK(!::MoveFileExA(program.c_str(), (folder / "renamed.exe").c_str(), 0));
    CHECK(!::CopyFileA((folder / "other.exe").c_str(), program.c_str(), FALSE));
    CHECK(!HoldOpen(program, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE));
    CHECK(platform.CanOpenForReading(program));

    const std::string marker = folder / "child report.txt";
    const std::string commandLine = "\"" + program + "\" --child \"" + marker + "\"";
    CHECK(platform.RunHidden(Command{program, commandLine}, 30000, AtTimeLimit::End) ==
          RunResult::Finished);
    CHECK_EQ(ReadText(marker), commandLine + "\nhidden");
  }
  // Let go with its holder.
  CHECK(::DeleteFileA(program.c_str()));
}

TEST_CASE(AFileThatCannotBeHeldGivesTheSystemsReason) {
  Win32Platform platform;
  ScratchFolder folder;
  const LockedOpen missing = platform.OpenLocked(folder / "absent.exe");
  CHECK(missing.file == nullptr);
  CHECK(EndsWith(missing.reason, " (error 2)"));

  WriteText(folder / "written.exe", "MZ");
  {
    // Written by another program that lets others read: readable, not held.
    const ScopedFileHandle writer =
        HoldOpen(folder / "written.exe", GENERIC_WRITE, FILE_SHARE_READ);
    const LockedOpen written = platform.OpenLocked(folder / "written.exe");
    CHECK(written.file == nullptr);
    CHECK(EndsWith(written.reason, " (error 32)"));
  }
  const ScopedFileHandle reader = HoldOpen(folder / "written.exe", GENERIC_READ, FILE_SHARE_READ);
  CHECK(platform.OpenLocked(folder / "written.exe").file != nullptr);
}

// Every read and every copy starts at the beginning, whatever came before.
TEST_CASE(AHeldFileIsReadWholeThroughItsHandle) {
  Win32Platform platform;
  ScratchFolder folder;
  const std::string content = BinaryContent();
  WriteText(folder / "msconfig.exe", content);
  const LockedOpen held = platform.OpenLocked(folder / "msconfig.exe");
  CHECK(held.file != nullptr);
  if (!held.file) {
    return;
  }
  const std::string expected = HexDigest(PortableSha256Of(content));
  for (int round = 0; round < 2; ++round) {
    const std::unique_ptr<Sha256Stream> digest = platform.NewSha256();
    CHECK(held.file->ReadInto(*digest).ok);
    const std::optional<Sha256Digest> found = digest->Finish();
    CHECK_EQ(found ? HexDigest(*found) : std::string("<none>"), expected);
  }

  WriteText(folder / "system msconfig.exe", "the system's own");
  CHECK(held.file->CopyTo(folder / "system msconfig.exe").ok);
  CHECK(held.file->CopyTo(folder / "new copy.exe").ok);
  CHECK(ReadText(folder / "system msconfig.exe") == content);
  CHECK(ReadText(folder / "new copy.exe") == content);
  CHECK_EQ(TemporaryFilesIn(folder), 0);
}

TEST_CASE(ACopyThatCannotBeMadeLeavesTheDestinationAsItWas) {
  Win32Platform platform;
  ScratchFolder folder;
  WriteText(folder / "clean.exe", "clean");
  WriteText(folder / "in use.exe", "in use");
  WriteText(folder / "read-only.exe", "read-only");
  ::SetFileAttributesA((folder / "read-only.exe").c_str(), FILE_ATTRIBUTE_READONLY);
  const LockedOpen held = platform.OpenLocked(folder / "clean.exe");
  CHECK(held.file != nullptr);
  if (!held.file) {
    return;
  }
  {
    const ScopedFileHandle user = HoldOpen(folder / "in use.exe", GENERIC_READ, 0);
    const Outcome inUse = held.file->CopyTo(folder / "in use.exe");
    CHECK(!inUse);
    CHECK(EndsWith(inUse.reason, " (error 32)"));
  }
  CHECK_EQ(ReadText(folder / "in use.exe"), std::string("in use"));

  const Outcome readOnly = held.file->CopyTo(folder / "read-only.exe");
  CHECK(!readOnly);
  CHECK(EndsWith(readOnly.reason, " (error 5)"));
  CHECK_EQ(ReadText(folder / "read-only.exe"), std::string("read-only"));

  const Outcome noFolder = held.file->CopyTo(folder / "missing\\msconfig.exe");
  CHECK(!noFolder);
  CHECK(!noFolder.reason.empty());
  CHECK_EQ(TemporaryFilesIn(folder), 0);
}

// --- Runs without a window ---------------------------------------------------

TEST_CASE(AnsiTextBecomesUtf8ThroughTheSystemsCodePage) {
  Win32Platform platform;
  CHECK_EQ(::GetACP(), 1252u);  // what the expectations below are written for
  CHECK_EQ(platform.AnsiToUtf8(""), "");
  CHECK_EQ(platform.AnsiToUtf8("C:\\T\xE9"
                               "cnico\\\x80 \xFF"),
           "C:\\T\xC3\xA9"
           "cnico\\\xE2\x82\xAC \xC3\xBF");
  CHECK_EQ(platform.AnsiToUtf8(std::string("a\0b", 3)), std::string("a\0b", 3));
}

TEST_CASE(TheStartOfAFileIsReadUpToTheCountGiven) {
  Win32Platform platform;
  ScratchFolder folder;
  WriteText(folder / "report.json", "{\r\n  \"program\"");
  CHECK_EQ(platform.ReadFileStart(folder / "report.json", 3).value_or("<none>"), "{\r\n");
  CHECK_EQ(platform.ReadFileStart(folder / "report.json", 100).value_or("<none>"),
           "{\r\n  \"program\"");
  CHECK(!platform.ReadFileStart(folder / "absent.json", 3));
  // Another program writing it does not keep it from being read.
  const ScopedFileHandle writer =
      HoldOpen(folder / "report.json", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
  CHECK_EQ(platform.ReadFileStart(folder / "report.json", 1).value_or("<none>"), "{");
}

TEST_CASE(TheMachineTheAccountAndItsRightsAreTheSystems) {
  Win32Platform platform;
  char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof computer;
  ::GetComputerNameA(computer, &size);
  char user[257] = {};
  DWORD userSize = sizeof user;
  ::GetUserNameA(user, &userSize);
  // Plain ASCII names on the test system: the same in ANSI and in UTF-8.
  CHECK_EQ(platform.ComputerName(), std::string(computer));
  CHECK_EQ(platform.UserName(), std::string(user));
  CHECK(!platform.UserName().empty());
  // Wine's user is an administrator.
  CHECK(platform.HasAdministratorRights());
}

TEST_CASE(NowIsTheLocalTimeWithTheOffsetInForce) {
  Win32Platform platform;
  SYSTEMTIME before{};
  ::GetLocalTime(&before);
  const LocalTime now = platform.Now();
  TIME_ZONE_INFORMATION zone{};
  const DWORD kind = ::GetTimeZoneInformation(&zone);
  const long bias = zone.Bias + (kind == TIME_ZONE_ID_DAYLIGHT   ? zone.DaylightBias
                                 : kind == TIME_ZONE_ID_STANDARD ? zone.StandardBias
                                                                 : 0);
  CHECK_EQ(now.utcOffsetMinutes, static_cast<int>(-bias));
  // The same clock as the system's local time, read just before.
  SYSTEMTIME fields{};
  fields.wYear = static_cast<WORD>(now.year);
  fields.wMonth = static_cast<WORD>(now.month);
  fields.wDay = static_cast<WORD>(now.day);
  fields.wHour = static_cast<WORD>(now.hour);
  fields.wMinute = static_cast<WORD>(now.minute);
  fields.wSecond = static_cast<WORD>(now.second);
  before.wMilliseconds = 0;
  FILETIME from{};
  FILETIME to{};
  CHECK(::SystemTimeToFileTime(&before, &from) && ::SystemTimeToFileTime(&fields, &to));
  const auto ticks = [](const FILETIME& t) {
    return (static_cast<long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  };
  const long long elapsed = ticks(to) - ticks(from);
  CHECK(elapsed >= 0 && elapsed <= 2 * 10000000LL);
}

// Started by StartHiddenRunsTheGivenProgramHiddenWithItsCommandLine.
int RunAsChild(const char* marker) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoA(&startup);
  const bool hidden =
      (startup.dwFlags & STARTF_USESHOWWINDOW) != 0 && startup.wShowWindow == SW_HIDE;
  WriteText(marker, std::string(::GetCommandLineA()) + (hidden ? "\nhidden" : "\nshown"));
  return 0;
}

// Started by the RunHidden cases: writes its process id and sleeps.
int Linger(const char* marker) {
  WriteText(marker, std::to_string(::GetCurrentProcessId()));
  ::Sleep(INFINITE);
  return 0;
}

}  // namespace
}  // namespace dizi

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--child") {
    return dizi::RunAsChild(argv[2]);
  }
  if (argc == 2 && std::string(argv[1]) == "--say-much") {
    // 2000 lines of 60 bytes: far more than a pipe holds.
    for (int i = 0; i < 2000; ++i) {
      std::printf("%058d\r\n", i);
    }
    return 0;
  }
  if (argc == 2 && std::string(argv[1]) == "--say-and-linger") {
    std::printf("started\n");
    std::fflush(stdout);
    ::Sleep(INFINITE);
  }
  if (argc == 3 && std::string(argv[1]) == "--linger") {
    return dizi::Linger(argv[2]);
  }
  return dizi::check::RunAllTests() == 0 ? 0 : 1;
}
