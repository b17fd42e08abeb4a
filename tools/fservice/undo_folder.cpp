#include "fservice/undo_folder.h"

#include <string.h>

#include "fservice/debug_report.h"
#include "places/data_tree_names.h"

namespace dizi::tools {

namespace {

bool Append(char (&path)[MAX_PATH], const char* name) {
  const size_t length = strlen(path);
  const size_t added = strlen(name);
  if (length + 1 + added + 1 > MAX_PATH) {
    return false;
  }
  path[length] = '\\';
  memcpy(path + length + 1, name, added + 1);
  return true;
}

DWORD Refuse(const char* path, const char* why, const char* who) {
  ReportLine line;
  line.Add("the folder ").Add(path).Add(" is not used: ").Add(why);
  if (who != nullptr) {
    line.Add(" ").Add(who);
  }
  Report(line.Add(" (Diri Tarvix sets it aside and makes it anew when it runs)"));
  return ERROR_ACCESS_DENIED;
}

bool IsLink(const char* path) {
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace

DWORD UndoFolder::Open() {
  if (!tried_) {
    tried_ = true;
    result_ = OpenOnce();
  }
  return result_;
}

DWORD UndoFolder::OpenOnce() {
  if (!FindCommonAppDataFolder(path_)) {
    return ERROR_PATH_NOT_FOUND;
  }
  held_[0] = OpenFolderToHold(path_);
  if (!held_[0]) {
    return GetLastError();
  }
  if (IsLink(path_)) {
    return Refuse(path_, DistrustText(FolderTrust::ReparsePoint), nullptr);
  }
  // Its owner is trusted with the folders in it; it is no failure when it
  // cannot be read (the rules then trust the usual accounts only).
  common_.Read(held_[0].Get());
  const char* trusted_owner = common_.Facts(false).owner;
  if (!Append(path_, kDataRootName)) {
    return ERROR_FILENAME_EXCED_RANGE;
  }
  if (const DWORD error = Take(held_[1], trusted_owner); error != ERROR_SUCCESS) {
    return error;
  }
  if (!Append(path_, kQuarantineName)) {
    return ERROR_FILENAME_EXCED_RANGE;
  }
  return Take(held_[2], trusted_owner);
}

DWORD UndoFolder::Take(ScopedFileHandle& held, const char* trusted_owner) {
  if (GetFileAttributesA(path_) == INVALID_FILE_ATTRIBUTES) {
    const DWORD made = MakeProtectedFolder(path_);
    // Made meanwhile by another run: it is judged like any other.
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS) {
      return made;
    }
  }
  held = OpenFolderToHold(path_);
  if (!held) {
    return GetLastError();
  }
  const DWORD attributes = GetFileAttributesA(path_);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return Refuse(path_, "it is not a folder", nullptr);
  }
  FolderSecurity security;
  if (const DWORD error = security.Read(held.Get()); error != ERROR_SUCCESS) {
    return Refuse(path_, DistrustText(FolderTrust::UnknownOwner), nullptr);
  }
  const FolderJudgement judgement =
      JudgeFolder(security.Facts((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0), trusted_owner);
  if (judgement.trust != FolderTrust::Trusted) {
    return Refuse(path_, DistrustText(judgement.trust), judgement.who);
  }
  return ERROR_SUCCESS;
}

}  // namespace dizi::tools
