// Functions of KERNEL32 that not every Windows the programs run on has: looked
// up when run, never imported, so that the programs still load where a
// function is missing. Header-only, for the companion programs too.
#pragma once

#include <windows.h>

namespace dizi {

// The function `name` of KERNEL32 as a `Function` pointer; null where missing.
template <typename Function>
Function KernelFunction(const char* name) {
  const HMODULE kernel = GetModuleHandleA("kernel32.dll");
  return kernel == nullptr ? nullptr
                           : reinterpret_cast<Function>(
                                 reinterpret_cast<void (*)()>(GetProcAddress(kernel, name)));
}

// True for a 32-bit program on 64-bit Windows. IsWow64Process exists from
// Windows XP SP2 on: without it the system is not 64-bit Windows.
inline bool RunsUnderWow64() {
  const auto is_wow64_process = KernelFunction<BOOL(WINAPI*)(HANDLE, PBOOL)>("IsWow64Process");
  BOOL wow64 = FALSE;
  return is_wow64_process != nullptr && is_wow64_process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace dizi
