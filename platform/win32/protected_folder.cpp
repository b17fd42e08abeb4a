#include "platform/win32/protected_folder.h"

#include <sddl.h>
#include <shlobj.h>
#include <string.h>

#include "quarantine/location.h"

namespace dizi {

namespace {

// Full access for the built-in Administrators group and the system account,
// passed on to everything inside; nothing inherited from above.
constexpr char kAdministratorsAndSystem[] = "D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)";

// Owns a security descriptor made by ConvertStringSecurityDescriptorToSecurityDescriptorA.
class LocalDescriptor {
 public:
  LocalDescriptor() {
    ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdministratorsAndSystem, SDDL_REVISION_1,
                                                         &descriptor_, nullptr);
  }
  ~LocalDescriptor() {
    if (descriptor_ != nullptr) {
      LocalFree(descriptor_);
    }
  }
  LocalDescriptor(const LocalDescriptor&) = delete;
  LocalDescriptor& operator=(const LocalDescriptor&) = delete;

  PSECURITY_DESCRIPTOR Get() const { return descriptor_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
};

bool IsFolder(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Makes one folder; an existing folder is no failure.
DWORD MakeFolder(const char* path, SECURITY_ATTRIBUTES* security) {
  if (CreateDirectoryA(path, security)) {
    return ERROR_SUCCESS;
  }
  const DWORD error = GetLastError();
  return error == ERROR_ALREADY_EXISTS && IsFolder(path) ? ERROR_SUCCESS : error;
}

}  // namespace

bool FindCommonAppDataFolder(char (&path)[MAX_PATH]) {
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
    return false;
  }
  size_t length = strlen(path);
  if (length > 0 && path[length - 1] == '\\') {
    path[--length] = '\0';
  }
  return length > 0;
}

bool FindQuarantineFolder(char (&path)[MAX_PATH]) {
  if (!FindCommonAppDataFolder(path)) {
    return false;
  }
  const size_t length = strlen(path);
  if (length + sizeof kQuarantineSubfolder > MAX_PATH) {
    return false;
  }
  memcpy(path + length, kQuarantineSubfolder, sizeof kQuarantineSubfolder);
  return true;
}

DWORD MakeProtectedFolder(const char* path) {
  const LocalDescriptor descriptor;
  if (descriptor.Get() == nullptr) {
    return GetLastError();
  }
  char partial[MAX_PATH];
  const size_t length = strlen(path);
  if (length >= MAX_PATH) {
    return ERROR_FILENAME_EXCED_RANGE;
  }
  memcpy(partial, path, length + 1);
  // Each folder above it, from the top: after the drive ("C:\") or the
  // server and share of a network path ("\\server\share\").
  const size_t first = (length > 2 && path[0] == '\\' && path[1] == '\\') ? 2 : 3;
  int separatorsToSkip = first == 2 ? 2 : 0;
  for (size_t i = first; i < length; ++i) {
    if (partial[i] != '\\') {
      continue;
    }
    if (separatorsToSkip > 0) {
      --separatorsToSkip;
      continue;
    }
    partial[i] = '\0';
    const DWORD error = MakeFolder(partial, nullptr);
    partial[i] = '\\';
    if (error != ERROR_SUCCESS) {
      return error;
    }
  }
  SECURITY_ATTRIBUTES security = {sizeof security, descriptor.Get(), FALSE};
  if (CreateDirectoryA(path, &security)) {
    return ERROR_SUCCESS;
  }
  const DWORD error = GetLastError();
  if (error != ERROR_ALREADY_EXISTS || !IsFolder(path)) {
    return error;
  }
  return SetFileSecurityA(path, DACL_SECURITY_INFORMATION, descriptor.Get()) ? ERROR_SUCCESS
                                                                             : GetLastError();
}

}  // namespace dizi
