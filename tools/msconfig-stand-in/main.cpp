// A stand-in for msconfig.exe, built only so that the tests and the demo have
// a file of that name beside the program. It is not the System Configuration
// Utility, is never packaged, and does nothing but say what it is.
#include <windows.h>

namespace {

// Also what the package build looks for to refuse this file as msconfig.exe.
constexpr char kLabel[] =
    "DIZITARVIX TEST STAND-IN: this is not the System Configuration Utility.\n\n"
    "It is a placeholder named msconfig.exe that DiziTarvix's tests and demo use in "
    "place of a clean copy of Windows' own msconfig.exe. It does nothing.";

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  MessageBoxA(nullptr, kLabel, "msconfig.exe stand-in (tests only)", MB_OK | MB_ICONINFORMATION);
  return 0;
}
