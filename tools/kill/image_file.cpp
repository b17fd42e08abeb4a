#include "kill/image_file.h"

#include "platform/win32/kernel_functions.h"
#include "platform/win32/scoped_handle.h"

namespace dizi::tools {

namespace {

// The devices mapped to the drive letters in use, as "\Device\..." texts.
class DriveDevices {
 public:
  DriveDevices() {
    const DWORD drives = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
      if ((drives & (1u << i)) == 0) {
        continue;
      }
      const char name[] = {static_cast<char>('A' + i), ':', '\0'};
      char* device = names_[count_];
      // QueryDosDeviceA gives a list of texts; the first is the current mapping.
      if (QueryDosDeviceA(name, device, kDeviceCapacity) != 0) {
        list_[count_] = {name[0], device};
        ++count_;
      }
    }
  }
  const DriveDevice* List() const { return list_; }
  int Count() const { return count_; }

 private:
  static constexpr DWORD kDeviceCapacity = 256;
  char names_[26][kDeviceCapacity] = {};
  DriveDevice list_[26] = {};
  int count_ = 0;
};

// While it lives, this thread's file functions see the real system folder,
// not the 32-bit one a program under WOW64 is redirected to.
class RedirectionOff {
 public:
  RedirectionOff() {
    using Disable = BOOL(WINAPI*)(PVOID*);
    const auto disable = KernelFunction<Disable>("Wow64DisableWow64FsRedirection");
    off_ = disable != nullptr && disable(&old_);
  }
  ~RedirectionOff() {
    using Revert = BOOL(WINAPI*)(PVOID);
    if (off_) {
      KernelFunction<Revert>("Wow64RevertWow64FsRedirection")(old_);
    }
  }
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;

 private:
  PVOID old_ = nullptr;
  bool off_ = false;
};

ScopedFileHandle OpenForAttributes(const char* path) {
  return ScopedFileHandle(CreateFileA(path, FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
}

}  // namespace

bool ReadImagePathByName(HANDLE process, PathText& out) {
  using Query = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
  const auto query = KernelFunction<Query>("QueryFullProcessImageNameA");
  DWORD size = kPathCapacity;
  if (query == nullptr || !query(process, 0, out.text, &size) || size >= kPathCapacity) {
    out.Assign({});
    return false;
  }
  out.length = size;
  return true;
}

bool ReadImagePathByDevice(HANDLE process, PathText& out) {
  using Query = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD);
  // psapi.dll is part of Windows XP and later; it stays loaded once loaded.
  const HMODULE psapi = LoadLibraryA("psapi.dll");
  const auto query = psapi == nullptr ? nullptr
                                      : reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
                                            GetProcAddress(psapi, "GetProcessImageFileNameA")));
  PathText device;
  const DWORD length = query == nullptr ? 0 : query(process, device.text, kPathCapacity);
  if (length == 0 || length >= kPathCapacity) {
    out.Assign({});
    return false;
  }
  device.length = length;
  const DriveDevices drives;
  return ToWin32Path(device.View(), drives.List(), static_cast<std::size_t>(drives.Count()), out);
}

bool ReadImagePath(HANDLE process, PathText& out) {
  return ReadImagePathByName(process, out) || ReadImagePathByDevice(process, out);
}

ScopedHandle OpenToQuery(DWORD id) {
  ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, id));
  if (!process) {
    process.Reset(OpenProcess(kQueryLimitedInformation, FALSE, id));
  }
  return process;
}

FileIdentity IdentityOf(const char* path, bool asReported) {
  ScopedFileHandle file;
  if (asReported) {
    const RedirectionOff off;
    file = OpenForAttributes(path);
  } else {
    file = OpenForAttributes(path);
  }
  BY_HANDLE_FILE_INFORMATION information;
  FileIdentity identity;
  if (file && GetFileInformationByHandle(file.Get(), &information) &&
      (information.nFileIndexHigh != 0 || information.nFileIndexLow != 0)) {
    identity.known = true;
    identity.volume = information.dwVolumeSerialNumber;
    identity.indexHigh = information.nFileIndexHigh;
    identity.indexLow = information.nFileIndexLow;
    identity.links = information.nNumberOfLinks;
  }
  return identity;
}

void ExpandShortNames(PathText& path) {
  PathText longer;
  const DWORD length = GetLongPathNameA(path.text, longer.text, kPathCapacity);
  if (length != 0 && length < kPathCapacity) {
    longer.length = length;
    path = longer;
  }
}

}  // namespace dizi::tools
