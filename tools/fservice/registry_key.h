// An open registry key, closed once. Move-only: a copy would close it twice.
#pragma once

#include <windows.h>

#include <utility>

namespace dizi::tools {

class RegistryKey {
 public:
  RegistryKey() = default;
  explicit RegistryKey(HKEY key) : key_(key) {}
  RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
  RegistryKey& operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
      Close();
      key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() { Close(); }

  bool Valid() const { return key_ != nullptr; }
  HKEY Get() const { return key_; }

 private:
  void Close() {
    if (key_ != nullptr) {
      RegCloseKey(key_);
      key_ = nullptr;
    }
  }

  HKEY key_ = nullptr;
};

// Opens `root`\`path` with `access` (which may carry a registry view flag).
// The result is invalid when the key cannot be opened; `error` says why.
inline RegistryKey OpenRegistryKey(HKEY root, const char* path, REGSAM access, LONG& error) {
  HKEY key = nullptr;
  error = RegOpenKeyExA(root, path, 0, access, &key);
  return RegistryKey(error == ERROR_SUCCESS ? key : nullptr);
}

}  // namespace dizi::tools
