#include "fservice/registry_place.h"

namespace dizi::tools {

namespace {

// IsWow64Process exists from Windows XP SP2 on, so it is looked up rather than
// imported: without it the system is not 64-bit Windows.
bool RunsUnderWow64() {
  using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  if (kernel == nullptr) {
    return false;
  }
  const auto is_wow64_process = reinterpret_cast<IsWow64ProcessFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(kernel, "IsWow64Process")));
  BOOL wow64 = FALSE;
  return is_wow64_process != nullptr && is_wow64_process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace

int MachinePlaces(RegistryPlace (&places)[2]) {
  int count = 0;
  places[count++] = {HKEY_LOCAL_MACHINE, "HKLM", 0};
  if (RunsUnderWow64()) {
    places[count++] = {HKEY_LOCAL_MACHINE, "HKLM", KEY_WOW64_64KEY};
  }
  return count;
}

}  // namespace dizi::tools
