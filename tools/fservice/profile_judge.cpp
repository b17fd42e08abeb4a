#include "fservice/profile_judge.h"

#include "common/ascii_text.h"
#include "fservice/program_path.h"

namespace dizi::tools {

namespace {

constexpr long kSharingViolation = 32;  // ERROR_SHARING_VIOLATION
constexpr long kAlreadyExists = 183;    // ERROR_ALREADY_EXISTS
constexpr std::string_view kHiveFileName = "\\NTUSER.DAT";

bool IsDigit(WideChar c) {
  return c >= WideChar('0') && c <= WideChar('9');
}

// "X:\" followed by names, none of them "." or "..", none holding a colon
// (which would name a stream): a full local path in its normal form.
bool IsLocalPath(WideView path) {
  if (path.size() < 3 || path[1] != WideChar(':') || path[2] != WideChar('\\') ||
      !((path[0] >= WideChar('A') && path[0] <= WideChar('Z')) ||
        (path[0] >= WideChar('a') && path[0] <= WideChar('z')))) {
    return false;
  }
  WideView rest = From(path, 3);
  while (!rest.empty()) {
    const std::size_t separator = rest.find(WideChar('\\'));
    const WideView name = separator == WideView::npos ? rest : Head(rest, separator);
    const bool dots = name.size() <= 2 && name.find_first_not_of(WideChar('.')) == WideView::npos;
    if (name.empty() || dots || name.find(WideChar(':')) != WideView::npos) {
      return false;
    }
    rest = separator == WideView::npos ? WideView() : From(rest, separator + 1);
  }
  return true;
}

// The normal form of a folder's path, without a separator at its end.
bool AppendFolder(WideView path, WideBuffer& out) {
  if (!AppendNormalPath(path, out)) {
    return false;
  }
  if (out.Length() > 3 && out.View().back() == WideChar('\\')) {
    out.Truncate(out.Length() - 1);
  }
  return true;
}

// True when `path` lies below `folder` (both in their normal form).
bool IsBelow(WideView path, WideView folder) {
  const bool root = !folder.empty() && folder.back() == WideChar('\\');
  return path.size() > folder.size() + (root ? 0 : 1) && StartsWithIgnoringCase(path, folder) &&
         (root || path[folder.size()] == WideChar('\\'));
}

ProfileSkip JudgeOne(WideView path, bool folder, const ProfileMachine& machine) {
  PathFacts facts;
  machine.Look(path, facts);
  if (!facts.exists || facts.folder != folder) {
    return ProfileSkip::kMissing;
  }
  if (facts.reparse_point) {
    return ProfileSkip::kReparsePoint;
  }
  if (folder || facts.links == 1) {
    return ProfileSkip::kNone;
  }
  return facts.links == 0 ? ProfileSkip::kUnexamined : ProfileSkip::kHardLinked;
}

// The hive loaded for the cleaning, unloaded when this goes, whichever way.
class LoadedHive {
 public:
  LoadedHive(ProfileMachine& machine, WideView name, WideView file)
      : machine_(machine), name_(name), error_(machine.LoadHive(name, file)) {}
  LoadedHive(const LoadedHive&) = delete;
  LoadedHive& operator=(const LoadedHive&) = delete;
  ~LoadedHive() { Unload(); }

  long LoadError() const { return error_; }
  // 0 once it is unloaded (or was never loaded).
  long Unload() {
    if (error_ == 0 && !unloaded_) {
      unload_error_ = machine_.UnloadHive(name_);
      unloaded_ = true;
    }
    return unload_error_;
  }

 private:
  ProfileMachine& machine_;
  WideView name_;
  long error_;
  bool unloaded_ = false;
  long unload_error_ = 0;
};

}  // namespace

// Neither is pure virtual: that would bring the C++ runtime's handler for a
// call of a pure function along, and with it the exception machinery.
bool ProfileMachine::HiveLoaded(WideView) const {
  return false;
}

void ProfileMachine::Look(WideView, PathFacts& facts) const {
  facts = PathFacts();
}

long ProfileMachine::LoadHive(WideView, WideView) {
  return 1;  // ERROR_INVALID_FUNCTION
}

long ProfileMachine::UnloadHive(WideView) {
  return 1;
}

void ProfileMachine::RemoveLeftover(WideView) {}

void HiveCleaner::Clean(WideView, const ProfileEntry&, WideView) {}

const char* ProfileSkipText(ProfileSkip skip) {
  switch (skip) {
    case ProfileSkip::kNone:
      return "";
    case ProfileSkip::kNotASid:
      return "the entry names no user (it is a copy Windows keeps)";
    case ProfileSkip::kTemporary:
      return "it is a temporary profile";
    case ProfileSkip::kMandatory:
      return "it is a mandatory profile, which its administrator's copy replaces at every sign-in";
    case ProfileSkip::kRoaming:
      return "it is a roaming profile, which the server's copy replaces at the next sign-in";
    case ProfileSkip::kNoPath:
      return "its entry names no folder";
    case ProfileSkip::kNoProfilesFolder:
      return "Windows does not say where its profiles folder is";
    case ProfileSkip::kNotLocal:
      return "its folder is not a full local path";
    case ProfileSkip::kOutsideProfiles:
      return "its folder is not in the profiles folder";
    case ProfileSkip::kReparsePoint:
      return "its folder, a folder above it or its NTUSER.DAT is a link (reparse point)";
    case ProfileSkip::kMissing:
      return "its folder or its NTUSER.DAT is missing";
    case ProfileSkip::kHardLinked:
      return "its NTUSER.DAT has other names (hard links)";
    case ProfileSkip::kUnexamined:
      return "its NTUSER.DAT cannot be examined";
    case ProfileSkip::kInUse:
      return "its NTUSER.DAT is in use";
    case ProfileSkip::kNotLoadable:
      break;
  }
  return "its NTUSER.DAT could not be loaded";
}

bool IsSidText(WideView text) {
  if (!StartsWithIgnoringCase(text, std::string_view("S-1-")) || text.size() < 5) {
    return false;
  }
  bool digit_before = false;
  for (const WideChar c : From(text, 4)) {
    if (IsDigit(c)) {
      digit_before = true;
    } else if (c == WideChar('-') && digit_before) {
      digit_before = false;
    } else {
      return false;
    }
  }
  return digit_before;
}

ProfileSkip JudgeProfileEntry(const ProfileEntry& entry, WideView profiles_folder,
                              WideBuffer& folder) {
  if (!IsSidText(entry.sid)) {
    return ProfileSkip::kNotASid;
  }
  if ((entry.state & kProfileTemporary) != 0) {
    return ProfileSkip::kTemporary;
  }
  if ((entry.state & kProfileMandatory) != 0) {
    return ProfileSkip::kMandatory;
  }
  if (!TrimBlanks(entry.central_profile).empty()) {
    return ProfileSkip::kRoaming;
  }
  if (TrimBlanks(entry.image_path).empty()) {
    return ProfileSkip::kNoPath;
  }
  WideBuffer profiles;
  if (TrimBlanks(profiles_folder).empty() || !AppendFolder(profiles_folder, profiles) ||
      !IsLocalPath(profiles.View())) {
    return ProfileSkip::kNoProfilesFolder;
  }
  if (!AppendFolder(entry.image_path, folder) || !IsLocalPath(folder.View())) {
    return ProfileSkip::kNotLocal;
  }
  return IsBelow(folder.View(), profiles.View()) ? ProfileSkip::kNone
                                                 : ProfileSkip::kOutsideProfiles;
}

ProfileSkip JudgeProfileFiles(WideView profiles_folder, WideView folder, WideView file,
                              const ProfileMachine& machine) {
  WideBuffer profiles;
  if (!AppendFolder(profiles_folder, profiles)) {
    return ProfileSkip::kNoProfilesFolder;
  }
  // The profiles folder, then each folder below it down to the profile's.
  std::size_t end = profiles.Length();
  while (true) {
    const ProfileSkip skip = JudgeOne(Head(folder, end), true, machine);
    if (skip != ProfileSkip::kNone) {
      return skip;
    }
    if (end >= folder.size()) {
      break;
    }
    const std::size_t next = folder.find(WideChar('\\'), end + 1);
    end = next == WideView::npos ? folder.size() : next;
  }
  return JudgeOne(file, false, machine);
}

void AppendLoadName(WideBuffer& out, WideView sid, unsigned long process_id) {
  out.AppendAscii("DiziTarvix-").Append(sid).Append(WideChar('-'));
  WideChar digits[kMostDecimalDigits];
  out.Append(WideView(digits, DecimalDigits(process_id, digits)));
}

ProfileVisit VisitProfile(const ProfileEntry& entry, WideView profiles_folder, WideView load_name,
                          ProfileMachine& machine, HiveCleaner& cleaner, WideBuffer& file) {
  ProfileVisit visit;
  if (IsSidText(entry.sid) && machine.HiveLoaded(entry.sid)) {
    visit.kind = ProfileVisit::Kind::kLoadedAlready;
    return visit;
  }
  WideBuffer folder;
  visit.skip = JudgeProfileEntry(entry, profiles_folder, folder);
  if (visit.skip != ProfileSkip::kNone) {
    return visit;
  }
  if (file.Append(folder.View()).AppendAscii(kHiveFileName).Failed()) {
    visit.skip = ProfileSkip::kNotLoadable;
    visit.error = 8;  // ERROR_NOT_ENOUGH_MEMORY
    return visit;
  }
  visit.skip = JudgeProfileFiles(profiles_folder, folder.View(), file.View(), machine);
  if (visit.skip != ProfileSkip::kNone) {
    return visit;
  }
  if (machine.HiveLoaded(load_name)) {
    visit.skip = ProfileSkip::kNotLoadable;
    visit.error = kAlreadyExists;
    return visit;
  }
  LoadedHive hive(machine, load_name, file.View());
  if (hive.LoadError() != 0) {
    machine.RemoveLeftover(load_name);
    visit.error = hive.LoadError();
    visit.skip = visit.error == kSharingViolation ? ProfileSkip::kInUse : ProfileSkip::kNotLoadable;
    return visit;
  }
  cleaner.Clean(load_name, entry, file.View());
  visit.kind = ProfileVisit::Kind::kCleaned;
  visit.unload_error = hive.Unload();
  return visit;
}

}  // namespace dizi::tools
