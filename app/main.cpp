// The program entry: creates the main window, runs the event loop, and shows
// any exception that escapes them in the program's exception box.
#include <windows.h>

#include <commctrl.h>

#include <exception>

#include "app/event_loop.h"
#include "app/form1.h"

namespace dizi {

namespace {

constexpr char kProgramTitle[] = "DiziTarvix";

void RunProgram(HINSTANCE instance, int showCommand) {
  // Version 6 of the common controls, as the manifest asks for.
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  ::InitCommonControlsEx(&controls);

  TForm1 Form1(instance);
  Form1.Create();
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

}  // namespace

}  // namespace dizi

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  try {
    dizi::RunProgram(instance, showCommand);
  } catch (const std::exception& failure) {
    dizi::ShowExceptionBox(failure.what());
  } catch (...) {
    dizi::ShowExceptionBox("");
  }
  return 0;
}
