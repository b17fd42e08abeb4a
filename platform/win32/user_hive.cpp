#include "platform/win32/user_hive.h"

#include <windows.h>

#include "platform/win32/error_text.h"
#include "platform/win32/scoped_handle.h"

namespace dizi {

namespace {

std::string ErrorReason(LONG error) {
  return DescribeError(static_cast<DWORD>(error)).text;
}

// SeBackupPrivilege and SeRestorePrivilege, enabled while this lives and then
// set back to what they were: held around one call each, so that holders
// never overlap out of order.
class HivePrivileges {
 public:
  HivePrivileges() {
    HANDLE opened = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                            &opened)) {
      return;
    }
    token_.Reset(opened);
    Privileges wanted{};
    wanted.count = 2;
    if (!::LookupPrivilegeValueA(nullptr, "SeBackupPrivilege", &wanted.entries[0].Luid) ||
        !::LookupPrivilegeValueA(nullptr, "SeRestorePrivilege", &wanted.entries[1].Luid)) {
      return;
    }
    wanted.entries[0].Attributes = SE_PRIVILEGE_ENABLED;
    wanted.entries[1].Attributes = SE_PRIVILEGE_ENABLED;
    DWORD size = sizeof previous_;
    adjusted_ = ::AdjustTokenPrivileges(token_.Get(), FALSE, wanted.Get(), sizeof previous_,
                                        previous_.Get(), &size) != FALSE;
  }
  HivePrivileges(const HivePrivileges&) = delete;
  HivePrivileges& operator=(const HivePrivileges&) = delete;
  ~HivePrivileges() {
    if (adjusted_) {
      ::AdjustTokenPrivileges(token_.Get(), FALSE, previous_.Get(), 0, nullptr, nullptr);
    }
  }

 private:
  // A TOKEN_PRIVILEGES with room for two entries.
  struct Privileges {
    DWORD count;
    LUID_AND_ATTRIBUTES entries[2];
    TOKEN_PRIVILEGES* Get() { return reinterpret_cast<TOKEN_PRIVILEGES*>(this); }
  };

  ScopedHandle token_;
  Privileges previous_{};
  bool adjusted_ = false;
};

// Unloads only what it loaded itself.
class Win32LoadedHive final : public LoadedHive {
 public:
  explicit Win32LoadedHive(std::string name) : name_(std::move(name)) {}
  LONG Load(const std::string& file) {
    const HivePrivileges privileges;
    const LONG error = ::RegLoadKeyA(HKEY_USERS, name_.c_str(), file.c_str());
    loaded_ = error == ERROR_SUCCESS;
    return error;
  }
  ~Win32LoadedHive() override {
    if (loaded_) {
      Unload();
    }
  }

  Outcome Unload() override {
    const HivePrivileges privileges;
    const LONG error = ::RegUnLoadKeyA(HKEY_USERS, name_.c_str());
    loaded_ = error != ERROR_SUCCESS;
    return error == ERROR_SUCCESS ? Outcome{true, {}} : Outcome{false, ErrorReason(error)};
  }

 private:
  std::string name_;
  bool loaded_ = false;
};

}  // namespace

bool UserHiveLoaded(const std::string& name) {
  HKEY opened = nullptr;
  if (name.empty() ||
      ::RegOpenKeyExA(HKEY_USERS, name.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) {
    return false;
  }
  ScopedRegistryKey key(opened);
  return true;
}

HiveLoad LoadHiveFile(const std::string& name, const std::string& file) {
  HiveLoad load;
  if (UserHiveLoaded(name)) {
    load.reason = ErrorReason(ERROR_ALREADY_EXISTS);
    return load;
  }
  auto hive = std::make_unique<Win32LoadedHive>(name);
  const LONG error = hive->Load(file);
  if (error != ERROR_SUCCESS) {
    // Wine leaves an empty key of that name behind a file it cannot read
    // (Windows leaves nothing); it was not there before.
    if (UserHiveLoaded(name)) {
      ::RegDeleteKeyA(HKEY_USERS, name.c_str());
    }
    load.reason = ErrorReason(error);
    return load;
  }
  load.hive = std::move(hive);
  return load;
}

}  // namespace dizi
