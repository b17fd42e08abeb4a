#include "places/data_tree.h"

#include "places/data_tree_names.h"

namespace dizi {

namespace {

constexpr char kNoCommonFolder[] =
    "Windows does not say where its common application data folder is";
// Past this many folders set aside within one second something else is wrong.
constexpr int kMostAsideNames = 99;

// The names from the data root down to `which`.
std::vector<const char*> NamesDownTo(DataFolder which) {
  std::vector<const char*> names = {kDataRootName};
  switch (which) {
    case DataFolder::Root:
      break;
    case DataFolder::Quarantine:
      names.push_back(kQuarantineName);
      break;
    case DataFolder::Reports:
      names.push_back(kReportsName);
      break;
    case DataFolder::Program:
      names.push_back(kProgramCopiesName);
      break;
  }
  return names;
}

// Why the folder is not trusted; empty when it is.
std::string Distrust(const FolderLook& look, const std::string& trustedOwner) {
  switch (look.kind) {
    case FolderLook::Kind::Missing:
      return "it is missing";
    case FolderLook::Kind::NotAFolder:
      return "it is not a folder";
    case FolderLook::Kind::Unreadable:
      return "it cannot be checked: " + look.reason;
    case FolderLook::Kind::Folder:
      break;
  }
  std::vector<FolderAce> aces;
  aces.reserve(look.entries.size());
  for (const AccessEntry& entry : look.entries) {
    aces.push_back({entry.grants, entry.mask, entry.sid.empty() ? nullptr : entry.sid.c_str()});
  }
  FolderFacts facts;
  facts.reparsePoint = look.reparsePoint;
  facts.owner = look.owner.c_str();
  facts.noAccessList = look.noAccessList;
  facts.aces = aces.data();
  facts.aceCount = aces.size();
  const FolderJudgement judgement =
      JudgeFolder(facts, trustedOwner.empty() ? nullptr : trustedOwner.c_str());
  if (judgement.trust == FolderTrust::Trusted) {
    return {};
  }
  std::string why = DistrustText(judgement.trust);
  if (judgement.who != nullptr) {
    why += " ";
    why += judgement.who;
  }
  return why;
}

}  // namespace

// One walk down the tree, filling a CheckedFolder.
class DataTreeWalk {
 public:
  DataTreeWalk(Platform& platform, CheckedFolder& folder) : platform_(platform), folder_(folder) {}

  // The common application data folder: used as it is (users may make
  // folders in it), but never through a link.
  bool TakeCommon(const std::string& path) {
    FolderLook look = platform_.HoldFolder(path);
    if (look.kind != FolderLook::Kind::Folder) {
      return Fail(path + " cannot be used: " + Distrust(look, {}));
    }
    if (look.reparsePoint) {
      return Fail(path + " is not used: " + DistrustText(FolderTrust::ReparsePoint));
    }
    trustedOwner_ = look.owner;
    folder_.held_.push_back(std::move(look.held));
    return true;
  }

  // A folder of the data tree: made when missing, set aside and made anew
  // when it fails its check.
  bool Take(const std::string& path) {
    // Said of a folder set aside, once it is known whether the new one could
    // be made and trusted.
    std::string setAside;
    for (int attempt = 0; attempt < 2; ++attempt) {
      FolderLook look = platform_.HoldFolder(path);
      if (look.kind == FolderLook::Kind::Missing) {
        const Outcome made = platform_.MakeProtectedFolder(path);
        look = platform_.HoldFolder(path);
        // Made meanwhile by another run, it is judged like any other.
        if (!made && look.kind == FolderLook::Kind::Missing) {
          return Fail(path + " cannot be made: " + made.reason, setAside);
        }
      }
      const std::string why = Distrust(look, trustedOwner_);
      if (why.empty()) {
        folder_.held_.push_back(std::move(look.held));
        if (!setAside.empty()) {
          folder_.setAside_.push_back(setAside + ", and made anew");
        }
        return true;
      }
      if (attempt > 0) {
        return Fail(path + " is not used: even made anew, " + why, setAside);
      }
      // Released first: a folder held cannot be renamed.
      look.held.reset();
      std::string aside;
      const Outcome renamed = SetAside(path, aside);
      if (!renamed) {
        return Fail(path + " is not used: " + why +
                    "; it could not be set aside: " + renamed.reason);
      }
      setAside = path + " was not used: " + why + "; it was set aside as " + aside + ", as it is";
    }
    return false;
  }

 private:
  // `setAside`: what was set aside on the way, said without a new folder.
  bool Fail(std::string problem, const std::string& setAside = {}) {
    if (!setAside.empty()) {
      folder_.setAside_.push_back(setAside);
    }
    folder_.problem_ = std::move(problem);
    folder_.held_.clear();
    return false;
  }

  // Renames the folder to "<name>.set-aside-<UTC time>[-N]" beside it.
  Outcome SetAside(const std::string& path, std::string& aside) {
    const std::string stem = path + ".set-aside-" + TimeStamp(UtcOf(platform_.Now()));
    Outcome renamed;
    for (int number = 1; number <= kMostAsideNames; ++number) {
      aside = number == 1 ? stem : stem + "-" + std::to_string(number);
      renamed = platform_.RenameAside(path, aside);
      if (renamed || (platform_.HoldFolder(aside).kind == FolderLook::Kind::Missing &&
                      !platform_.FileExists(aside))) {
        break;
      }
    }
    return renamed;
  }

  Platform& platform_;
  CheckedFolder& folder_;
  std::string trustedOwner_;
};

CheckedFolder OpenDataFolder(Platform& platform, DataFolder which) {
  CheckedFolder folder;
  std::string path = platform.CommonAppDataDirectory();
  if (path.empty()) {
    folder.problem_ = kNoCommonFolder;
    return folder;
  }
  DataTreeWalk walk(platform, folder);
  if (!walk.TakeCommon(path)) {
    return folder;
  }
  for (const char* name : NamesDownTo(which)) {
    path += "\\";
    path += name;
    if (!walk.Take(path)) {
      return folder;
    }
  }
  folder.path_ = path;
  return folder;
}

std::string DataFolderPath(Platform& platform, DataFolder which) {
  std::string path = platform.CommonAppDataDirectory();
  if (path.empty()) {
    return path;
  }
  for (const char* name : NamesDownTo(which)) {
    path += "\\";
    path += name;
  }
  return path;
}

}  // namespace dizi
