// The program entry: without arguments, creates the main window, runs the
// event loop, and shows any exception that escapes them in the program's
// exception box; with switches, a run without a window or the usage text.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "app/command_line.h"
#include "app/event_loop.h"
#include "app/fleet_modes.h"
#include "app/form1.h"
#include "app/old_lock_name.h"
#include "app/program_title.h"
#include "places/run_lock.h"
#include "platform/win32/win32_platform.h"
#include "report/exit_code.h"

namespace dizi {

namespace {

constexpr char kAnotherRunText[] =
    "Diri Tarvix is already running on this computer, in a window or without one (started by "
    "a deployment tool). Wait until that run has finished, then start the program again.";

void RunProgram(HINSTANCE instance, int showCommand, const std::vector<std::string>& notes) {
  // Version 6 of the common controls, as the manifest asks for.
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&controls);

  TForm1 Form1(instance);
  Form1.Create();
  Form1.NoteForTheLog(notes);
  RunEventLoop(Form1, showCommand);
}

void ShowExceptionBox(const char* message) {
  // A quit request still queued (the window posts one as it is destroyed)
  // would close the box at once.
  MSG pending{};
  while (::PeekMessageA(&pending, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  ::MessageBoxA(nullptr, message, kProgramTitle, MB_OK | MB_ICONERROR);
}

int RunWindowProgram(HINSTANCE instance, int showCommand) {
  try {
    // Held until the window is gone: no run without a window scans meanwhile.
    Win32Platform lockPlatform;
    const RunLock lock(lockPlatform);
    if (lock.AnotherRun()) {
      ::MessageBoxA(nullptr, kAnotherRunText, kProgramTitle, MB_OK | MB_ICONWARNING);
      return kExitAnotherRun;
    }
    RunProgram(instance, showCommand, LockNotes(lock.Notes()));
  } catch (const std::exception& failure) {
    ShowExceptionBox(failure.what());
  } catch (...) {
    ShowExceptionBox("");
  }
  return 0;
}

// A failure no run without a window can recover from goes to standard output,
// if any, never to a box; the run counts as one that could not run.
int RunSilentProgram(const CommandLine& command) {
  try {
    return RunWithoutWindow(command);
  } catch (const std::exception& failure) {
    WriteToStandardOutput(std::string("DiziTarvix.exe: ") + failure.what() + "\n");
  } catch (...) {
    WriteToStandardOutput("DiziTarvix.exe: the run failed\n");
  }
  return ExitCodeOf(Verdict::CannotRun);
}

// Like a run without a window: a failure goes to standard output, never to
// a box.
int RunRestoreProgram(const std::optional<std::string>& id) {
  try {
    return RestoreWithoutWindow(id);
  } catch (const std::exception& failure) {
    WriteToStandardOutput(std::string("DiziTarvix.exe: ") + failure.what() + "\n");
  } catch (...) {
    WriteToStandardOutput("DiziTarvix.exe: the restore failed\n");
  }
  return ExitCodeOf(Verdict::CannotRun);
}

}  // namespace

}  // namespace dizi

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  const dizi::CommandLine command =
      dizi::ParseCommandLine(::GetCommandLineA(), dizi::Win32Platform().ModulePath());
  switch (command.mode) {
    case dizi::StartMode::Window:
      return dizi::RunWindowProgram(instance, showCommand);
    case dizi::StartMode::Silent:
      return dizi::RunSilentProgram(command);
    case dizi::StartMode::Restore:
      return dizi::RunRestoreProgram(command.restoreId);
    case dizi::StartMode::Usage:
    case dizi::StartMode::BadCommandLine:
      break;
  }
  return dizi::TellUsage(command);
}
