// Owners of the handle kinds only the test programs hold: hooks, loaded
// modules and windows, on the program's own UniqueHandle. Kernel objects,
// files, snapshots and registry keys use its ScopedHandle, ScopedFileHandle,
// ScopedSnapshot and ScopedRegistryKey.
#pragma once

#include <windows.h>

#include "platform/win32/scoped_handle.h"

namespace e2e {

struct HookTraits {
  using Type = HHOOK;
  static Type None() { return nullptr; }
  static void Close(Type hook) { UnhookWindowsHookEx(hook); }
};

struct ModuleTraits {
  using Type = HMODULE;
  static Type None() { return nullptr; }
  static void Close(Type module) { FreeLibrary(module); }
};

struct WindowTraits {
  using Type = HWND;
  static Type None() { return nullptr; }
  static void Close(Type window) { DestroyWindow(window); }
};

using UniqueHook = dizi::UniqueHandle<HookTraits>;
using UniqueModule = dizi::UniqueHandle<ModuleTraits>;
using UniqueWindow = dizi::UniqueHandle<WindowTraits>;

}  // namespace e2e
