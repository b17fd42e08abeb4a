// Owns a kernel handle (process, snapshot, ...) and closes it once. Move-only:
// a copy would close the same handle twice.
#pragma once

#include <windows.h>

#include <utility>

namespace dizi::tools {

class ScopedHandle {
 public:
  ScopedHandle() = default;
  // Takes ownership of `handle`; null and INVALID_HANDLE_VALUE both mean "none",
  // since Win32 reports failure with either depending on the function.
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ScopedHandle(ScopedHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  ScopedHandle& operator=(ScopedHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { Close(); }

  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  void Close() {
    if (Valid()) {
      CloseHandle(handle_);
    }
    handle_ = nullptr;
  }

  HANDLE handle_ = nullptr;
};

}  // namespace dizi::tools
