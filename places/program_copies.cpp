#include "places/program_copies.h"

#include "places/companions.h"
#include "places/data_tree.h"
#include "places/outside_tools.h"
#include "places/system_paths.h"

namespace dizi {

namespace {

constexpr char kLinkText[] = "a link (a junction or a symbolic link)";

// The folders from the top of `dir` down to it: "C:\", "C:\Tools", ... or
// "\\server\share", "\\server\share\tools", ...
std::vector<std::string> FoldersDownTo(const std::string& dir) {
  std::vector<std::string> folders;
  std::size_t start = 0;
  if (dir.size() >= 2 && dir[1] == ':') {
    folders.push_back(dir.substr(0, 2) + "\\");
    start = 3;
  } else if (dir.compare(0, 2, "\\\\") == 0) {
    // The share itself: "\\server\share".
    const std::size_t server = dir.find('\\', 2);
    const std::size_t share = server == std::string::npos ? server : dir.find('\\', server + 1);
    if (share == std::string::npos) {
      folders.push_back(dir);
      return folders;
    }
    folders.push_back(dir.substr(0, share));
    start = share + 1;
  }
  for (std::size_t slash = dir.find('\\', start); start < dir.size();
       slash = dir.find('\\', start)) {
    const std::size_t end = slash == std::string::npos ? dir.size() : slash;
    if (end > start) {
      folders.push_back(dir.substr(0, end));
    }
    start = end + 1;
  }
  return folders;
}

struct Shipped {
  const char* name;
  HeldCompanion HeldCompanions::*held;
  HeldCompanion HeldCompanions::*copy;
  Sha256Digest RecordedDigests::*recorded;
  std::string SystemPaths::*startPath;
};

constexpr Shipped kStarted[] = {
    {"kill.exe", &HeldCompanions::killTool, &HeldCompanions::killToolCopy,
     &RecordedDigests::killTool, &SystemPaths::KillToolCopy},
    {kRepairProgramName, &HeldCompanions::repairProgram, &HeldCompanions::repairProgramCopy,
     &RecordedDigests::repairProgram, &SystemPaths::RepairProgramCopy},
};

// The program's own files a copy of the program needs beside it to pass its
// start-up checks, and the clean msconfig.exe it copies.
struct OwnFile {
  const char* name;
  HeldCompanion HeldCompanions::*held;
  HeldCompanion HeldCompanions::*copy;
  bool required;
};

constexpr OwnFile kOwnFiles[] = {
    {kProgramFileName, &HeldCompanions::self, &HeldCompanions::selfCopy, true},
    {kReadMeFileName, &HeldCompanions::readMe, &HeldCompanions::readMeCopy, true},
    {kMsconfigName, &HeldCompanions::msconfig, &HeldCompanions::msconfigCopy, false},
};

// The copy at `copyPath` of the held file `original`, made through the held
// handle unless a copy holding the same is there, and held; `why` says why
// there is none.
HeldCompanion CopyOf(Platform& platform, const HeldCompanion& original, const std::string& copyPath,
                     std::string& why) {
  HeldCompanion copy = HoldCompanion(platform, copyPath, original.digest);
  if (!copy.Verified()) {
    copy = {};
    const Outcome copied = original.file->CopyTo(copyPath);
    if (copied) {
      copy = HoldCompanion(platform, copyPath, original.digest);
    }
    why = copied ? "it is not the file copied" : copied.reason;
  }
  return copy;
}

// Puts the program's own copy, with the files it needs, beside the copies
// of the shipped programs; notes it in `paths` when it is complete.
void CopyTheProgram(Platform& platform, SystemPaths& paths, HeldCompanions& held) {
  const std::string folder = held.copies.Path();
  for (const OwnFile& own : kOwnFiles) {
    const HeldCompanion& original = held.*own.held;
    if (!original.Verified()) {
      if (own.required) {
        held.notes.push_back(std::string("  No copy of the program can be made to scan again "
                                         "after a restart: ") +
                             own.name + " could not be read.");
        return;
      }
      continue;
    }
    std::string why;
    HeldCompanion copy = CopyOf(platform, original, folder + "\\" + own.name, why);
    if (!copy.Verified()) {
      held.notes.push_back(std::string("  No copy of the program can be made to scan again "
                                       "after a restart: its copy of ") +
                           own.name + " could not be made: " + why);
      return;
    }
    held.*own.copy = std::move(copy);
  }
  paths.ProgramCopy = folder + "\\" + kProgramFileName;
}

}  // namespace

void HoldProgramFolder(Platform& platform, SystemPaths& paths, HeldCompanions& held) {
  const std::string programDir = ProgramDir(paths);
  std::string link;
  for (const std::string& folder : FoldersDownTo(programDir)) {
    FolderLook look = platform.HoldFolder(folder);
    if (look.kind != FolderLook::Kind::Folder) {
      continue;
    }
    if (look.reparsePoint && link.empty()) {
      link = folder;
    }
    held.programFolder.push_back(std::move(look.held));
  }
  if (link.empty()) {
    return;
  }
  held.notes.push_back(link == programDir ? "  The program's folder " + programDir + " is " +
                                                kLinkText + " to another place."
                                          : "  The program's folder " + programDir +
                                                " lies under " + kLinkText + ": " + link + ".");
  held.logFolder = OpenDataFolder(platform, DataFolder::Reports);
  for (const std::string& line : held.logFolder.SetAside()) {
    held.notes.push_back("  " + line + ".");
  }
  if (held.logFolder) {
    paths.LogFolder = held.logFolder.Path();
    held.notes.push_back("  So the log is saved in " + paths.LogFolder +
                         ", where no link can lead it elsewhere.");
  } else {
    held.notes.push_back("  The log is saved beside the program all the same: " +
                         held.logFolder.Problem());
  }
}

void StartFromCopies(Platform& platform, SystemPaths& paths, const RecordedDigests& recorded,
                     HeldCompanions& held) {
  if (!held.killTool.Verified() || !held.repairProgram.Verified()) {
    return;
  }
  held.copies = OpenDataFolder(platform, DataFolder::Program);
  for (const std::string& line : held.copies.SetAside()) {
    held.notes.push_back("  " + line + ".");
  }
  if (!held.copies) {
    held.notes.push_back(
        "  kill.exe and fservice.exe are started from the program's folder: they cannot be "
        "copied to where only administrators may change them: " +
        held.copies.Problem());
    return;
  }
  bool everyCopy = true;
  for (const Shipped& shipped : kStarted) {
    const std::string copyPath = held.copies.Path() + "\\" + shipped.name;
    std::string why;
    HeldCompanion copy = CopyOf(platform, held.*shipped.held, copyPath, why);
    if (copy.Verified() && copy.digest == recorded.*shipped.recorded) {
      held.*shipped.copy = std::move(copy);
      paths.*shipped.startPath = copyPath;
    } else {
      everyCopy = false;
      held.notes.push_back(std::string("  ") + shipped.name +
                           " is started from the program's folder: its copy " + copyPath +
                           " could not be made: " + why);
    }
  }
  if (everyCopy) {
    CopyTheProgram(platform, paths, held);
  }
}

}  // namespace dizi
