#include "app/fleet_modes.h"

#include <windows.h>

#include <vector>

#include "app/old_lock_name.h"
#include "app/program_title.h"
#include "app/recorded_digests.h"
#include "app/usage_text.h"
#include "fleet/silent_restore.h"
#include "places/run_lock.h"
#include "platform/win32/token_groups.h"
#include "platform/win32/win32_platform.h"
#include "report/exit_code.h"

namespace dizi {

namespace {

// The path as the starter's current folder sees it; as given when that fails.
std::string FullPath(const std::string& path) {
  const DWORD size = ::GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) {
    return path;
  }
  std::vector<char> buffer(size);
  const DWORD length = ::GetFullPathNameA(path.c_str(), size, buffer.data(), nullptr);
  return length == 0 || length >= size ? path : std::string(buffer.data(), length);
}

// A user logged on at this screen, whose desktop can show a box. A service, a
// start-up script or a remote shell has none: a box there would wait for ever.
bool UserAtTheScreen() {
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  return TokenIsMemberOf(WellKnownGroup::Interactive) &&
         ::GetUserObjectInformationA(::GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags,
                                     &needed) &&
         (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace

bool WriteToStandardOutput(const std::string& text) {
  const HANDLE output = ::GetStdHandle(STD_OUTPUT_HANDLE);
  if (output == nullptr || output == INVALID_HANDLE_VALUE) {
    return false;
  }
  std::string bytes;
  for (const char c : text) {
    if (c == '\n') {
      bytes += '\r';
    }
    bytes += c;
  }
  // A program started from a console without redirection gets handles it
  // cannot write to: the write fails.
  for (std::size_t done = 0; done < bytes.size();) {
    DWORD written = 0;
    if (!::WriteFile(output, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written,
                     nullptr) ||
        written == 0) {
      return false;
    }
    done += written;
  }
  return true;
}

int RunWithoutWindow(const CommandLine& command) {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  Win32Platform platform;
  const RunLock lock(platform);
  if (lock.AnotherRun()) {
    return kExitAnotherRun;
  }
  SilentOptions options = command.silent;
  if (!options.reportPath.empty()) {
    // A folder's path keeps its final backslash.
    options.reportPath = FullPath(options.reportPath);
  }
  // The check after a restart that a user's sign-in started says what it
  // found; nothing else without a window shows anything.
  options.showFinalState = options.afterRestart && !command.silentSwitch && UserAtTheScreen();
  return RunSilently(platform, ShippedDigests(), options, LockNotes(lock.Notes()));
}

int RestoreWithoutWindow(const std::optional<std::string>& id) {
  ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  Win32Platform platform;
  const RunLock lock(platform);
  if (lock.AnotherRun()) {
    WriteToStandardOutput("nothing restored: another run of Diri Tarvix is in progress\n");
    return kExitAnotherRun;
  }
  const RestoreRun run = RestoreSilently(platform, id);
  std::string text;
  for (const std::string& note : LockNotes(lock.Notes())) {
    // Without the log's indent: each line of standard output stands alone.
    text += note.substr(note.find_first_not_of(' ')) + "\n";
  }
  for (const std::string& line : run.lines) {
    text += line + "\n";
  }
  WriteToStandardOutput(text);
  return run.exitCode;
}

int TellUsage(const CommandLine& command) {
  const bool bad = command.mode == StartMode::BadCommandLine;
  const std::string text =
      bad ? "DiziTarvix.exe: " + command.problem + "\n\n" + UsageText() : UsageText();
  if (!WriteToStandardOutput(text) && !command.silentSwitch && UserAtTheScreen()) {
    ::MessageBoxA(nullptr, text.c_str(), kProgramTitle,
                  MB_OK | (bad ? MB_ICONERROR : MB_ICONINFORMATION));
  }
  return kExitBadCommandLine;
}

}  // namespace dizi
