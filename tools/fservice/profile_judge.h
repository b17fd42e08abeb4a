// The profiles Windows keeps under ProfileList whose hive is not loaded (their
// users are not signed in), and how fservice.exe loads one to clean it: which
// profiles it may load at all, and the loading and unloading around the
// cleaning. Only the questions put to Windows differ between the program and
// its tests (ProfileMachine).
//
// The program runs with administrator rights or as the system, and loading a
// hive means that Windows reads that file as a registry hive and writes it
// back: a profile entry must never make it load and write some other file. So
// a profile is loaded only from its own NTUSER.DAT, in a folder below the
// profiles folder that Windows names, where neither the folders on the way
// nor the file itself are reparse points (junctions, symbolic links, mount
// points) and the file has no other names (hard links).
#pragma once

#include <cstdint>

#include "fservice/wide_buffer.h"
#include "fservice/wide_text.h"

namespace dizi::tools {

// ProfileList's State flags that matter here.
inline constexpr std::uint32_t kProfileMandatory = 0x0001;
inline constexpr std::uint32_t kProfileTemporary = 0x0800;

// One subkey of ProfileList, as read from the registry.
struct ProfileEntry {
  WideView sid;              // the subkey's name
  WideView image_path;       // ProfileImagePath with its variables expanded; empty when missing
  WideView central_profile;  // CentralProfile: the server's copy of a roaming profile
  std::uint32_t state = 0;   // State; 0 when missing
};

// Why a profile's hive is not loaded and cleaned.
enum class ProfileSkip {
  kNone,
  kNotASid,           // the entry is no user's (e.g. a ".bak" copy Windows keeps)
  kTemporary,         // Windows gave the user a temporary profile
  kMandatory,         // its administrator's copy replaces it at every sign-in
  kRoaming,           // the server's copy replaces it at the next sign-in
  kNoPath,            // the entry names no folder
  kNoProfilesFolder,  // Windows does not say where its profiles folder is
  kNotLocal,          // the folder is not a full local path
  kOutsideProfiles,   // the folder is not below the profiles folder
  kReparsePoint,      // a folder on the way, or the file, is a reparse point
  kMissing,           // the folder or its NTUSER.DAT is missing
  kHardLinked,        // NTUSER.DAT has other names
  kUnexamined,        // NTUSER.DAT cannot be opened to count its names
  kInUse,             // another program holds NTUSER.DAT
  kNotLoadable,       // Windows refused to load it (damaged, or any other reason)
};

// The reason in words, e.g. "it is a roaming profile".
const char* ProfileSkipText(ProfileSkip skip);

// True for a SID's text: "S-1-" followed by numbers separated by dashes.
bool IsSidText(WideView text);

// What is at a path on the disk.
struct PathFacts {
  bool exists = false;
  bool folder = false;
  bool reparse_point = false;
  std::uint32_t links = 1;  // a file's names (hard links); 0 when they cannot be counted
};

// What loading a profile asks of Windows. Errors are Win32 error codes, 0 for
// success.
class ProfileMachine {
 public:
  // Whether a hive is loaded as HKEY_USERS\<name>.
  virtual bool HiveLoaded(WideView name) const;
  // Fills `facts` for the file or folder at `path`, without following a
  // reparse point.
  virtual void Look(WideView path, PathFacts& facts) const;
  // Loads the hive file `file` as HKEY_USERS\<name>.
  virtual long LoadHive(WideView name, WideView file);
  virtual long UnloadHive(WideView name);
  // Removes the empty key HKEY_USERS\<name> a load that failed may leave
  // behind (Wine does, for a file it cannot read; Windows leaves nothing).
  virtual void RemoveLeftover(WideView name);

 protected:
  ~ProfileMachine() = default;
};

// Cleans a hive loaded under a name of the program's own.
class HiveCleaner {
 public:
  // Cleans HKEY_USERS\<loaded_as>, the hive of user `entry.sid` loaded from
  // `file`.
  virtual void Clean(WideView loaded_as, const ProfileEntry& entry, WideView file);

 protected:
  ~HiveCleaner() = default;
};

// Judges the entry by what the registry says: kNone when the profile's hive
// may be loaded from NTUSER.DAT in the folder appended to `folder` (the
// normal form of its path, see AppendNormalPath). `profiles_folder` is
// ProfileList's ProfilesDirectory, expanded.
ProfileSkip JudgeProfileEntry(const ProfileEntry& entry, WideView profiles_folder,
                              WideBuffer& folder);

// Judges what is on the disk: the profiles folder, every folder from there
// down to the profile's folder `folder` (as JudgeProfileEntry gives it), and
// the hive file `file` in it.
ProfileSkip JudgeProfileFiles(WideView profiles_folder, WideView folder, WideView file,
                              const ProfileMachine& machine);

// The name a profile's hive is loaded under: "DiziTarvix-<SID>-<process id>",
// which no user's hive and no other run of the program has.
void AppendLoadName(WideBuffer& out, WideView sid, unsigned long process_id);

// What became of one profile.
struct ProfileVisit {
  enum class Kind {
    kLoadedAlready,  // its hive is loaded: it is cleaned where it is, not here
    kSkipped,
    kCleaned,  // loaded, cleaned, and unloaded again unless `unload_error`
  };
  Kind kind = Kind::kSkipped;
  ProfileSkip skip = ProfileSkip::kNone;  // kSkipped: why
  long error = 0;                         // kSkipped for kInUse, kNotLoadable: the load's error
  long unload_error = 0;                  // kCleaned: 0 once it is unloaded
};

// One profile, from the registry's word to the unloading: judges it, loads its
// hive as `load_name` (see AppendLoadName), has it cleaned, and unloads it,
// on every way out. A load name taken already is never loaded over; what a
// failed load left under that name is removed. `file` receives the hive
// file's path.
ProfileVisit VisitProfile(const ProfileEntry& entry, WideView profiles_folder, WideView load_name,
                          ProfileMachine& machine, HiveCleaner& cleaner, WideBuffer& file);

}  // namespace dizi::tools
