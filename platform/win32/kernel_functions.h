// Functions of the system's DLLs that not every Windows the programs run on
// has, or that no import library names: looked up when run, never imported,
// so that the programs still load where a function is missing. Header-only,
// for the companion programs too.
#pragma once

#include <windows.h>

namespace dizi {

// The function `name` of the loaded DLL `module` as a `Function` pointer;
// null where the DLL is not loaded or has no such function.
template <typename Function>
Function LoadedFunction(const char* module, const char* name) {
  const HMODULE loaded = GetModuleHandleA(module);
  return loaded == nullptr ? nullptr
                           : reinterpret_cast<Function>(
                                 reinterpret_cast<void (*)()>(GetProcAddress(loaded, name)));
}

// The function `name` of KERNEL32; null where missing.
template <typename Function>
Function KernelFunction(const char* name) {
  return LoadedFunction<Function>("kernel32.dll", name);
}

// The function `name` of NTDLL (loaded in every process, never imported by
// the shipped programs); null where missing.
template <typename Function>
Function NtdllFunction(const char* name) {
  return LoadedFunction<Function>("ntdll.dll", name);
}

// True for a 32-bit program on 64-bit Windows. IsWow64Process exists from
// Windows XP SP2 on: without it the system is not 64-bit Windows.
inline bool RunsUnderWow64() {
  const auto is_wow64_process = KernelFunction<BOOL(WINAPI*)(HANDLE, PBOOL)>("IsWow64Process");
  BOOL wow64 = FALSE;
  return is_wow64_process != nullptr && is_wow64_process(GetCurrentProcess(), &wow64) && wow64;
}

}  // namespace dizi
