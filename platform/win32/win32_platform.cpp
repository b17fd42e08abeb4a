#include "platform/win32/win32_platform.h"

#include <shellapi.h>

#include <vector>

#include "platform/pending_renames.h"
#include "platform/win32/crypto_sha256.h"
#include "platform/win32/error_text.h"
#include "platform/win32/folder_security.h"
#include "platform/win32/hidden_process.h"
#include "platform/win32/kernel_functions.h"
#include "platform/win32/move_file_over.h"
#include "platform/win32/pending_renames_value.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/token_groups.h"
#include "platform/win32/user_hive.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_input_file.h"
#include "platform/win32/win32_locked_file.h"
#include "platform/win32/win32_output_file.h"

namespace dizi {

namespace {

constexpr DWORD kFirstBufferSize = MAX_PATH;
// The longest path Windows knows, in bytes, with its terminating zero.
constexpr DWORD kLongestPath = 32768;

// Asks a directory query, which returns the length of its text or, when the
// buffer is too small, the size the buffer needs; empty when the query fails.
template <typename Query>
std::string AskDirectory(Query query) {
  std::vector<char> buffer(kFirstBufferSize);
  for (;;) {
    const DWORD length = query(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length == 0) {
      return {};
    }
    if (length < buffer.size()) {
      std::string directory(buffer.data(), length);
      // A directory at the root of a drive ("C:\") is the only one that ends
      // in a backslash; every path is built by appending "\name".
      if (!directory.empty() && directory.back() == '\\') {
        directory.pop_back();
      }
      return directory;
    }
    buffer.resize(length);
  }
}

// Where the file really lies. On 64-bit Windows, a file this 32-bit program
// names in the system folder really is in SysWOW64, and the same name in the
// system folder itself is some other file, most likely Windows' own. So a
// file directly in the system folder is named where it really is; every other
// path the scan builds is its own real name.
std::string RealPathOf(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos || !RunsUnderWow64()) {
    return path;
  }
  const std::string systemDir =
      AskDirectory([](char* buffer, UINT size) { return ::GetSystemDirectoryA(buffer, size); });
  const auto wow64Query = KernelFunction<UINT(WINAPI*)(LPSTR, UINT)>("GetSystemWow64DirectoryA");
  if (systemDir.empty() || wow64Query == nullptr ||
      ::CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, path.data(), static_cast<int>(slash),
                       systemDir.data(), static_cast<int>(systemDir.size())) != CSTR_EQUAL) {
    return path;
  }
  const std::string wow64Dir = AskDirectory(wow64Query);
  return wow64Dir.empty() ? path : wow64Dir + path.substr(slash);
}

}  // namespace

bool Win32Platform::BeginEventLoop() {
  loopRunning_ = true;
  return terminationPending_;
}

bool Win32Platform::StartHidden(const Command& command) {
  // Never waited for: the handle is closed at once.
  return static_cast<bool>(CreateHidden(command));
}

RunResult Win32Platform::RunHidden(const Command& command, unsigned milliseconds,
                                   AtTimeLimit atLimit) {
  const ScopedHandle process = CreateHidden(command);
  if (!process) {
    return RunResult::NotStarted;
  }
  if (Waited(process, milliseconds)) {
    return RunResult::Finished;
  }
  if (atLimit == AtTimeLimit::Leave) {
    return RunResult::StillRunning;
  }
  // The handle names exactly the process started here, so nothing else is
  // ended. It counts as ended only once it is gone: until then it could
  // still have its effect.
  ::TerminateProcess(process.Get(), 1);
  return Waited(process, milliseconds) ? RunResult::Ended : RunResult::StillRunning;
}

bool Win32Platform::Delete(const std::string& path) {
  return ::DeleteFileA(path.c_str()) != 0;
}

Outcome Win32Platform::Copy(const std::string& from, const std::string& to) {
  if (::CopyFileA(from.c_str(), to.c_str(), FALSE)) {
    return Outcome{true, {}};
  }
  return LastErrorOutcome();
}

bool Win32Platform::CanOpenForReading(const std::string& path) {
  // The sharing a C runtime read asks for. Without FILE_FLAG_BACKUP_SEMANTICS
  // a directory cannot be opened, so it counts as absent.
  ScopedFileHandle file{::CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)};
  return static_cast<bool>(file);
}

bool Win32Platform::FileExists(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32Platform::DeleteAtRestart(const std::string& path) {
  // The system carries the deletion out after the restart with nothing
  // redirected: it must be registered under the file's real name.
  return ::MoveFileExA(RealPathOf(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

Outcome Win32Platform::CancelDeleteAtRestart(const std::string& path) {
  // Under the name DeleteAtRestart gives it, and under the path itself, as
  // another program may have registered it; the system converts the names
  // of MoveFileExA with the ANSI code page.
  std::vector<std::u16string> names;
  for (const std::string& name : {path, RealPathOf(path)}) {
    const int length =
        ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::u16string wide(static_cast<std::size_t>(length > 0 ? length : 0), u'\0');
    if (length <= 0 ||
        ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()),
                              reinterpret_cast<wchar_t*>(wide.data()), length) != length) {
      return LastErrorOutcome();
    }
    for (std::u16string& form : PendingRenameNames(wide)) {
      names.push_back(std::move(form));
    }
  }
  return CancelPendingDeletions(names);
}

std::unique_ptr<OutputFile> Win32Platform::CreateTemporaryFile(const std::string& directory) {
  return CreateTemporaryIn(directory);
}

bool Win32Platform::MoveOver(const std::string& from, const std::string& to) {
  // Windows refuses to replace a read-only file. Not every implementation of
  // the call does, so MoveFileOver refuses too, and a read-only log stays as
  // it is wherever the program runs.
  return MoveFileOver(from, to);
}

Outcome Win32Platform::MoveNew(const std::string& from, const std::string& to, bool& exists) {
  // Without MOVEFILE_REPLACE_EXISTING the move fails when anything is at `to`.
  if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
    exists = false;
    return Outcome{true, {}};
  }
  const DWORD error = ::GetLastError();
  exists = error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
  return Outcome{false, DescribeError(error).text};
}

std::string Win32Platform::ModulePath() {
  // A path that fills the buffer may have been cut short (Windows XP does not
  // even say so): ask again with a larger one.
  std::vector<char> buffer(kFirstBufferSize);
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) {
      return {};
    }
    if (length < buffer.size() || buffer.size() >= kLongestPath) {
      return std::string(buffer.data(), length);
    }
    buffer.resize(buffer.size() * 2);
  }
}

std::string Win32Platform::WindowsDirectory() {
  return AskDirectory([](char* buffer, UINT size) { return ::GetWindowsDirectoryA(buffer, size); });
}

std::string Win32Platform::SystemDirectory() {
  return AskDirectory([](char* buffer, UINT size) { return ::GetSystemDirectoryA(buffer, size); });
}

OsVersion Win32Platform::Version() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  static_assert(sizeof info == 148);
  if (!::GetVersionExA(&info)) {
    return {};
  }
  return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber & 0xFFFF};
}

void Win32Platform::Sleep(unsigned milliseconds) {
  ::Sleep(milliseconds);
}

void Win32Platform::ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) {
  const HWND owner = mainWindow_ && ::IsWindowVisible(mainWindow_) ? mainWindow_ : nullptr;
  ::MessageBoxA(owner, text.c_str(), caption.c_str(), MB_OK | static_cast<UINT>(icon));
}

void Win32Platform::RequestTermination() {
  if (loopRunning_) {
    ::PostQuitMessage(0);
  } else {
    terminationPending_ = true;
  }
}

void Win32Platform::ShellOpen(const std::string& target) {
  ::ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, SW_SHOW);
}

std::unique_ptr<Sha256Stream> Win32Platform::NewSha256() {
  // Windows before XP SP3 has no SHA-256 of its own.
  if (auto system = OpenCryptoApiSha256()) {
    return system;
  }
  return std::make_unique<PortableSha256>();
}

// --- Companion programs held for the run ------------------------------------

LockedOpen Win32Platform::OpenLocked(const std::string& path) {
  return OpenLockedFile(path);
}

namespace {

std::string Utf8Of(const wchar_t* text, int length) {
  if (length <= 0) {
    return {};
  }
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size <= 0 || ::WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), size, nullptr,
                                         nullptr) != size) {
    return {};
  }
  return utf8;
}

// Text in code page `from` as text in code page `to`, through UTF-16; nothing
// when `from` finds bytes that are not its text or `to` lacks a character.
std::optional<std::string> Convert(std::string_view text, UINT from, DWORD fromFlags, UINT to,
                                   DWORD toFlags, bool strict) {
  if (text.empty()) {
    return std::string();
  }
  const int length = static_cast<int>(text.size());
  const int wideLength = ::MultiByteToWideChar(from, fromFlags, text.data(), length, nullptr, 0);
  if (wideLength == 0) {
    return std::nullopt;
  }
  std::vector<wchar_t> wide(static_cast<std::size_t>(wideLength));
  ::MultiByteToWideChar(from, fromFlags, text.data(), length, wide.data(), wideLength);
  BOOL usedDefault = FALSE;
  BOOL* const usedDefaultQuery = strict ? &usedDefault : nullptr;
  const int outLength = ::WideCharToMultiByte(to, toFlags, wide.data(), wideLength, nullptr, 0,
                                              nullptr, usedDefaultQuery);
  if (outLength == 0) {
    return std::nullopt;
  }
  std::string out(static_cast<std::size_t>(outLength), '\0');
  ::WideCharToMultiByte(to, toFlags, wide.data(), wideLength, out.data(), outLength, nullptr,
                        usedDefaultQuery);
  if (usedDefault) {
    return std::nullopt;
  }
  return out;
}

unsigned long long Ticks(const FILETIME& time) {
  return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

std::string Win32Platform::ComputerName() {
  wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD length = MAX_COMPUTERNAME_LENGTH + 1;
  return ::GetComputerNameW(name, &length) ? Utf8Of(name, static_cast<int>(length)) : std::string();
}

std::string Win32Platform::UserName() {
  // 256 characters (UNLEN) and the terminating zero, which the length counts.
  wchar_t name[257] = {};
  DWORD length = 257;
  return ::GetUserNameW(name, &length) && length > 0 ? Utf8Of(name, static_cast<int>(length - 1))
                                                     : std::string();
}

bool Win32Platform::HasAdministratorRights() {
  return TokenIsMemberOf(WellKnownGroup::Administrators) ||
         TokenIsMemberOf(WellKnownGroup::LocalSystem);
}

LocalTime Win32Platform::Now() {
  // One moment read once, in UTC and in local time (daylight saving time
  // included), so that the offset is the one in force now.
  FILETIME utc{};
  ::GetSystemTimeAsFileTime(&utc);
  FILETIME local{};
  SYSTEMTIME fields{};
  if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &fields)) {
    local = utc;
    ::FileTimeToSystemTime(&utc, &fields);
  }
  constexpr long long kTicksPerMinute = 600000000;
  const long long difference =
      static_cast<long long>(Ticks(local)) - static_cast<long long>(Ticks(utc));
  // Rounded to whole minutes: both readings come from the same moment.
  const long long offset =
      (difference + (difference < 0 ? -1 : 1) * kTicksPerMinute / 2) / kTicksPerMinute;
  return {fields.wYear,   fields.wMonth,           fields.wDay, fields.wHour, fields.wMinute,
          fields.wSecond, static_cast<int>(offset)};
}

std::string Win32Platform::AnsiToUtf8(std::string_view text) {
  return Convert(text, CP_ACP, 0, CP_UTF8, 0, false).value_or(std::string());
}

std::optional<std::string> Win32Platform::ReadFileStart(const std::string& path,
                                                        std::size_t count) {
  const ScopedFileHandle file{::CreateFileA(path.c_str(), GENERIC_READ,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (!file) {
    return std::nullopt;
  }
  std::string bytes(count, '\0');
  std::size_t filled = 0;
  while (filled < count) {
    DWORD read = 0;
    if (!::ReadFile(file.Get(), bytes.data() + filled, static_cast<DWORD>(count - filled), &read,
                    nullptr)) {
      return std::nullopt;
    }
    if (read == 0) {
      break;
    }
    filled += read;
  }
  bytes.resize(filled);
  return bytes;
}

// --- Quarantine -----------------------------------------------------------

std::string Win32Platform::CommonAppDataDirectory() {
  char path[MAX_PATH] = {};
  return FindCommonAppDataFolder(path) ? std::string(path) : std::string();
}

namespace {

class Win32HeldFolder final : public HeldFolder {
 public:
  explicit Win32HeldFolder(ScopedFileHandle handle) : handle_(std::move(handle)) {}

 private:
  ScopedFileHandle handle_;
};

bool IsMissing(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace

FolderLook Win32Platform::HoldFolder(const std::string& path) {
  FolderLook look;
  if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    if (!IsMissing(error)) {
      look.kind = FolderLook::Kind::Unreadable;
      look.reason = DescribeError(error).text;
    }
    return look;
  }
  ScopedFileHandle handle = OpenFolderToHold(path.c_str());
  if (!handle) {
    const DWORD error = ::GetLastError();
    look.kind = IsMissing(error) ? FolderLook::Kind::Missing : FolderLook::Kind::Unreadable;
    look.reason = DescribeError(error).text;
    return look;
  }
  // Held now, so the path names what the handle holds: its attributes say
  // whether it is a folder and a link (the handle's own do not show a link).
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    look.kind = attributes == INVALID_FILE_ATTRIBUTES ? FolderLook::Kind::Unreadable
                                                      : FolderLook::Kind::NotAFolder;
    look.reason = DescribeError(::GetLastError()).text;
    return look;
  }
  look.reparsePoint = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  FolderSecurity security;
  if (const DWORD error = security.Read(handle.Get()); error != ERROR_SUCCESS) {
    look.kind = FolderLook::Kind::Unreadable;
    look.reason = DescribeError(error).text;
    return look;
  }
  const FolderFacts facts = security.Facts(look.reparsePoint);
  look.kind = FolderLook::Kind::Folder;
  look.owner = facts.owner != nullptr ? facts.owner : "";
  look.noAccessList = facts.noAccessList;
  for (std::size_t i = 0; i < facts.aceCount; ++i) {
    const FolderAce& ace = facts.aces[i];
    look.entries.push_back({ace.grants, ace.mask, ace.sid != nullptr ? ace.sid : ""});
  }
  look.held = std::make_unique<Win32HeldFolder>(std::move(handle));
  return look;
}

Outcome Win32Platform::MakeProtectedFolder(const std::string& path) {
  const DWORD error = dizi::MakeProtectedFolder(path.c_str());
  if (error != ERROR_SUCCESS) {
    return Outcome{false, DescribeError(error).text};
  }
  return Outcome{true, {}};
}

namespace {

class Win32ExclusiveFile final : public ExclusiveFile {
 public:
  explicit Win32ExclusiveFile(ScopedFileHandle handle) : handle_(std::move(handle)) {}

 private:
  ScopedFileHandle handle_;
};

}  // namespace

ExclusiveOpen Win32Platform::OpenExclusive(const std::string& path) {
  ExclusiveOpen opened;
  // Shared with nobody, and deleted when the last handle closes, however the
  // program ends.
  ScopedFileHandle file{::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0,
                                      nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr)};
  if (!file) {
    const DWORD error = ::GetLastError();
    opened.inUse = error == ERROR_SHARING_VIOLATION;
    opened.reason = DescribeError(error).text;
    return opened;
  }
  opened.file = std::make_unique<Win32ExclusiveFile>(std::move(file));
  return opened;
}

namespace {

// False when `path` names a link that the system, asked to open the link
// itself, opens what it leads to instead: Wine shows a Unix symbolic link as
// a reparse point, but a handle opened on it holds the folder it leads to,
// and renaming it moves that folder and leaves the link. Windows opens (and
// renames) the link itself. True when it cannot be told: the rename then
// says what is wrong.
bool OpensLinkItself(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return true;
  }
  const ScopedFileHandle link{::CreateFileA(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)};
  BY_HANDLE_FILE_INFORMATION opened{};
  return !link || !::GetFileInformationByHandle(link.Get(), &opened) ||
         (opened.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace

Outcome Win32Platform::RenameAside(const std::string& path, const std::string& newPath) {
  // A link is renamed itself or not at all: what it leads to (perhaps a
  // user's own folder) is never moved.
  if (!OpensLinkItself(path)) {
    return Outcome{false, "this system would move the folder the link leads to, not the link"};
  }
  // Without MOVEFILE_REPLACE_EXISTING: nothing at the new name is replaced.
  if (::MoveFileExA(path.c_str(), newPath.c_str(), 0)) {
    return Outcome{true, {}};
  }
  return LastErrorOutcome();
}

std::unique_ptr<InputFile> Win32Platform::OpenToRead(const std::string& path, std::string& reason) {
  // The probe's sharing: whatever the probe could open can be read.
  ScopedFileHandle file{::CreateFileA(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr)};
  if (!file) {
    reason = DescribeError(::GetLastError()).text;
    return nullptr;
  }
  return std::make_unique<Win32InputFile>(std::move(file));
}

std::unique_ptr<OutputFile> Win32Platform::CreateNewFile(const std::string& path,
                                                         std::string& reason, bool& exists) {
  ScopedFileHandle file{::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (!file) {
    const DWORD error = ::GetLastError();
    exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    reason = DescribeError(error).text;
    return nullptr;
  }
  exists = false;
  return std::make_unique<Win32OutputFile>(path, std::move(file));
}

Outcome Win32Platform::AppendToFile(const std::string& path, std::string_view bytes) {
  // Appending access only: each write lands at the end, whoever else appends.
  ScopedFileHandle file{::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
  if (!file) {
    return LastErrorOutcome();
  }
  Win32OutputFile output(path, std::move(file));
  if (!output.Write(bytes) || !output.Close()) {
    return Outcome{false, output.FailureReason()};
  }
  return Outcome{true, {}};
}

std::vector<std::string> Win32Platform::ListFiles(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found{};
  const ScopedFind search{::FindFirstFileA((directory + "\\*").c_str(), &found)};
  if (!search) {
    return names;
  }
  do {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      names.emplace_back(found.cFileName);
    }
  } while (::FindNextFileA(search.Get(), &found));
  return names;
}

CommandRun Win32Platform::RunHiddenForOutput(const Command& command, unsigned milliseconds,
                                             AtTimeLimit atLimit) {
  return RunForOutput(command, milliseconds, atLimit);
}

std::optional<std::string> Win32Platform::Utf8ToAnsi(std::string_view utf8) {
  return Convert(utf8, CP_UTF8, MB_ERR_INVALID_CHARS, CP_ACP, WC_NO_BEST_FIT_CHARS, true);
}

// --- Runs that leave a trace ------------------------------------------------

namespace {

// RtlGenRandom, exported by ADVAPI32 under this name from Windows XP on.
using GenRandom = BOOLEAN(WINAPI*)(PVOID, ULONG);

}  // namespace

std::uint32_t Win32Platform::RandomNumber() {
  std::uint32_t number = 0;
  const auto generate = LoadedFunction<GenRandom>("advapi32.dll", "SystemFunction036");
  if (generate != nullptr && generate(&number, sizeof number)) {
    return number;
  }
  // Without the system's generator: what differs between two runs started at
  // the same moment.
  LARGE_INTEGER counter{};
  ::QueryPerformanceCounter(&counter);
  return static_cast<std::uint32_t>(counter.QuadPart) ^ (::GetCurrentProcessId() << 16) ^
         ::GetTickCount();
}

bool Win32Platform::Is64BitWindows() {
  return RunsUnderWow64();
}

std::string Win32Platform::RealPath(const std::string& path) {
  return RealPathOf(path);
}

Outcome Win32Platform::SetRegistryValue(RegistryRoot root, const std::string& key,
                                        const std::string& name, const RegistryValue& value) {
  HKEY opened = nullptr;
  const LONG created = ::RegCreateKeyExA(
      root == RegistryRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, key.c_str(), 0,
      nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &opened, nullptr);
  if (created != ERROR_SUCCESS) {
    return Outcome{false, DescribeError(static_cast<DWORD>(created)).text};
  }
  const ScopedRegistryKey held(opened);
  LONG written = ERROR_SUCCESS;
  if (value.type == RegistryValue::Type::Number) {
    const DWORD number = value.number;
    written = ::RegSetValueExA(held.Get(), name.c_str(), 0, REG_DWORD,
                               reinterpret_cast<const BYTE*>(&number), sizeof number);
  } else {
    // The terminating zero is part of the value's data.
    written =
        ::RegSetValueExA(held.Get(), name.c_str(), 0,
                         value.type == RegistryValue::Type::ExpandableText ? REG_EXPAND_SZ : REG_SZ,
                         reinterpret_cast<const BYTE*>(value.text.c_str()),
                         static_cast<DWORD>(value.text.size() + 1));
  }
  if (written != ERROR_SUCCESS) {
    return Outcome{false, DescribeError(static_cast<DWORD>(written)).text};
  }
  return Outcome{true, {}};
}

namespace {

// Closes an event source handle.
struct EventSourceTraits {
  using Type = HANDLE;
  static Type None() { return nullptr; }
  static void Close(Type source) { ::DeregisterEventSource(source); }
};

}  // namespace

Outcome Win32Platform::WriteEvent(const std::string& source, EventKind kind, unsigned id,
                                  const std::vector<std::string>& texts) {
  const UniqueHandle<EventSourceTraits> log(::RegisterEventSourceA(nullptr, source.c_str()));
  if (!log) {
    return LastErrorOutcome();
  }
  std::vector<const char*> strings;
  strings.reserve(texts.size());
  for (const std::string& text : texts) {
    strings.push_back(text.c_str());
  }
  const WORD type = kind == EventKind::Error     ? EVENTLOG_ERROR_TYPE
                    : kind == EventKind::Warning ? EVENTLOG_WARNING_TYPE
                                                 : EVENTLOG_INFORMATION_TYPE;
  if (!::ReportEventA(log.Get(), type, 0, id, nullptr, static_cast<WORD>(strings.size()), 0,
                      strings.data(), nullptr)) {
    return LastErrorOutcome();
  }
  return Outcome{true, {}};
}

bool Win32Platform::SignInGetsTheseRights() {
  return !TokenIsMemberOf(WellKnownGroup::LocalSystem) && !TokenWasElevatedByConsent();
}

bool Win32Platform::IsUserHiveLoaded(const std::string& name) {
  return UserHiveLoaded(name);
}

HiveLoad Win32Platform::LoadUserHive(const std::string& name, const std::string& file) {
  return LoadHiveFile(name, file);
}

}  // namespace dizi
