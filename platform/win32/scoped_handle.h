// Move-only owners of Win32 handles: each closes its handle exactly once, when
// it goes out of scope or is given another handle. Header-only and free of
// exceptions, so that the companion programs (built without exceptions and
// without the engine) and the test programs share it with DiziTarvix.exe.
#pragma once

#include <windows.h>

#include <utility>

namespace dizi {

// `Traits` names the handle type, the value meaning "none" and how to close it.
template <typename Traits>
class UniqueHandle {
 public:
  using Type = typename Traits::Type;

  UniqueHandle() = default;
  explicit UniqueHandle(Type handle) : handle_(handle) {}
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { Reset(); }

  Type Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Traits::None(); }

  // Gives up ownership without closing.
  Type Release() { return std::exchange(handle_, Traits::None()); }

  // Closes the handle held, if any, and takes `handle`.
  void Reset(Type handle = Traits::None()) {
    const Type old = std::exchange(handle_, handle);
    if (old != Traits::None()) {
      Traits::Close(old);
    }
  }

 private:
  Type handle_ = Traits::None();
};

// Kernel objects whose "none" is null: processes, threads, events.
struct KernelHandleTraits {
  using Type = HANDLE;
  static Type None() { return nullptr; }
  static void Close(Type handle) { ::CloseHandle(handle); }
};

// Files and process snapshots, whose "none" is INVALID_HANDLE_VALUE: CreateFile
// and CreateToolhelp32Snapshot report failure with it, not with null.
struct FileHandleTraits {
  using Type = HANDLE;
  static Type None() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { ::CloseHandle(handle); }
};

// Open registry keys.
struct RegistryKeyTraits {
  using Type = HKEY;
  static Type None() { return nullptr; }
  static void Close(Type key) { ::RegCloseKey(key); }
};

// Searches of FindFirstFile, ended with FindClose.
struct FindHandleTraits {
  using Type = HANDLE;
  static Type None() { return INVALID_HANDLE_VALUE; }
  static void Close(Type handle) { ::FindClose(handle); }
};

using ScopedHandle = UniqueHandle<KernelHandleTraits>;
using ScopedFileHandle = UniqueHandle<FileHandleTraits>;
using ScopedSnapshot = UniqueHandle<FileHandleTraits>;
using ScopedRegistryKey = UniqueHandle<RegistryKeyTraits>;
using ScopedFind = UniqueHandle<FindHandleTraits>;

}  // namespace dizi
