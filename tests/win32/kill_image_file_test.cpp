// kill.exe's reading of process image paths and file identities on a real
// (Wine) system.
#include <windows.h>

#include <string>

#include "check.h"
#include "kill/image_file.h"
#include "platform/win32/scoped_handle.h"

namespace dizi::tools {
namespace {

std::string OwnPath() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

bool Same(const FileIdentity& a, const FileIdentity& b) {
  return a.known && b.known && a.volume == b.volume && a.indexHigh == b.indexHigh &&
         a.indexLow == b.indexLow;
}

TEST_CASE(BothWaysOfReadingAnImagePathGiveTheProgramsOwnPath) {
  const ScopedHandle self = OpenToQuery(::GetCurrentProcessId());
  CHECK(static_cast<bool>(self));
  PathText byName;
  PathText byDevice;
  CHECK(ReadImagePathByName(self.Get(), byName));
  // The Windows XP way: a device path turned back into one on a drive letter.
  CHECK(ReadImagePathByDevice(self.Get(), byDevice));
  CHECK_EQ(std::string(byName.View()), OwnPath());
  CHECK_EQ(std::string(byDevice.View()), OwnPath());
}

TEST_CASE(TheImagePathOfAnotherProcessIsRead) {
  // The system's own services.exe runs in every prefix.
  char system[MAX_PATH] = {};
  ::GetSystemDirectoryA(system, MAX_PATH);
  const std::string services = std::string(system) + "\\services.exe";
  const FileIdentity wanted = IdentityOf(services.c_str(), true);
  bool found = false;
  for (DWORD id = 4; id < 4096 && !found; id += 4) {
    const ScopedHandle process = OpenToQuery(id);
    PathText image;
    found = process && ReadImagePath(process.Get(), image) &&
            Same(IdentityOf(image.text, true), wanted);
  }
  CHECK(found);
}

TEST_CASE(IdentitiesFollowTheFileNotItsName) {
  const std::string own = OwnPath();
  const FileIdentity identity = IdentityOf(own.c_str(), false);
  CHECK(identity.known);
  CHECK(Same(IdentityOf(own.c_str(), true), identity));

  // Its 8.3 name, another case and the "\\?\" form lead to the same file.
  char shortName[MAX_PATH] = {};
  CHECK(::GetShortPathNameA(own.c_str(), shortName, MAX_PATH) != 0);
  CHECK(Same(IdentityOf(shortName, false), identity));
  std::string upper = own;
  for (char& c : upper) {
    c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  CHECK(Same(IdentityOf(upper.c_str(), false), identity));
  CHECK(Same(IdentityOf(("\\\\?\\" + own).c_str(), false), identity));

  // Another file of the same name is another file.
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const std::string copy = std::string(temp) + own.substr(own.rfind('\\') + 1);
  CHECK(::CopyFileA(own.c_str(), copy.c_str(), FALSE) != 0);
  {
    // Identified even while another program holds it open sharing nothing.
    const ScopedFileHandle locked{::CreateFileA(copy.c_str(), GENERIC_READ, 0, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    CHECK(static_cast<bool>(locked));
    const FileIdentity other = IdentityOf(copy.c_str(), false);
    CHECK(other.known);
    CHECK(!Same(other, identity));
  }
  ::DeleteFileA(copy.c_str());

  CHECK(!IdentityOf(copy.c_str(), false).known);
  CHECK(!IdentityOf(temp, false).known);  // a folder is no image
}

TEST_CASE(ShortNamesAreExpanded) {
  const std::string own = OwnPath();
  char shortName[MAX_PATH] = {};
  ::GetShortPathNameA(own.c_str(), shortName, MAX_PATH);
  PathText path;
  CHECK(path.Assign(shortName));
  ExpandShortNames(path);
  CHECK_EQ(std::string(path.View()), own);

  CHECK(path.Assign("C:\\no such folder\\x.exe"));
  ExpandShortNames(path);
  CHECK_EQ(std::string(path.View()), std::string("C:\\no such folder\\x.exe"));
}

}  // namespace
}  // namespace dizi::tools
