// Move-only owners of Win32 handles: each closes its handle exactly once, with
// the function that handle kind needs.
#pragma once

#include <windows.h>

#include <utility>

namespace e2e {

template <typename Traits>
class Unique {
 public:
  using Handle = typename Traits::Handle;

  Unique() = default;
  explicit Unique(Handle handle) : handle_(handle) {}
  Unique(const Unique&) = delete;
  Unique& operator=(const Unique&) = delete;
  Unique(Unique&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Invalid())) {}
  Unique& operator=(Unique&& other) noexcept {
    if (this != &other) {
      Reset();
      handle_ = std::exchange(other.handle_, Traits::Invalid());
    }
    return *this;
  }
  ~Unique() { Reset(); }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::Invalid(); }

  void Reset() {
    if (handle_ != Traits::Invalid()) {
      Traits::Close(handle_);
      handle_ = Traits::Invalid();
    }
  }

 private:
  Handle handle_ = Traits::Invalid();
};

// Kernel objects whose "no handle" value is null (processes, threads, events).
struct KernelTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { CloseHandle(h); }
};

// Files and snapshots, whose failure value is INVALID_HANDLE_VALUE.
struct FileTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};

struct HookTraits {
  using Handle = HHOOK;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { UnhookWindowsHookEx(h); }
};

struct ModuleTraits {
  using Handle = HMODULE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { FreeLibrary(h); }
};

struct WindowTraits {
  using Handle = HWND;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { DestroyWindow(h); }
};

struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { RegCloseKey(h); }
};

using UniqueHandle = Unique<KernelTraits>;
using UniqueFile = Unique<FileTraits>;
using UniqueHook = Unique<HookTraits>;
using UniqueModule = Unique<ModuleTraits>;
using UniqueWindow = Unique<WindowTraits>;
using UniqueKey = Unique<RegistryKeyTraits>;

}  // namespace e2e
