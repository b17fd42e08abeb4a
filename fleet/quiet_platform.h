// The platform of a run without a window: every effect goes to the machine's
// platform, but nothing is shown or opened. A message box's text goes to the
// log instead (and, for an error, to the run's errors); a termination request
// is only noted; documents and web pages are not opened.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace dizi {

class ActivityLog;

// A box's caption and text as one line: "Caption: text", every line break
// of the text (with the blanks around it) a single space.
std::string BoxAsLine(const std::string& text, const std::string& caption);

class QuietPlatform final : public Platform {
 public:
  QuietPlatform(Platform& machine, ActivityLog& log) : machine_(machine), log_(log) {}

  // Logs the line as a top-level line and notes it among the run's errors.
  void NoteError(const std::string& line);
  // The lines of the errors noted and the error boxes not shown, in order.
  const std::vector<std::string>& Errors() const { return errors_; }
  // True once something asked the program to end.
  bool TerminationRequested() const { return terminationRequested_; }

  // Not shown: logged as a top-level line, and noted among the errors when
  // the box is an error box.
  void ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) override;
  void RequestTermination() override { terminationRequested_ = true; }
  void ShellOpen(const std::string&) override {}

  // Everything else, as the machine does it.
  bool StartHidden(const Command& command) override { return machine_.StartHidden(command); }
  RunResult RunHidden(const Command& command, unsigned milliseconds, AtTimeLimit atLimit) override {
    return machine_.RunHidden(command, milliseconds, atLimit);
  }
  bool Delete(const std::string& path) override { return machine_.Delete(path); }
  Outcome Copy(const std::string& from, const std::string& to) override {
    return machine_.Copy(from, to);
  }
  bool CanOpenForReading(const std::string& path) override {
    return machine_.CanOpenForReading(path);
  }
  bool FileExists(const std::string& path) override { return machine_.FileExists(path); }
  bool DeleteAtRestart(const std::string& path) override { return machine_.DeleteAtRestart(path); }
  Outcome CancelDeleteAtRestart(const std::string& path) override {
    return machine_.CancelDeleteAtRestart(path);
  }
  std::unique_ptr<OutputFile> CreateTemporaryFile(const std::string& directory) override {
    return machine_.CreateTemporaryFile(directory);
  }
  bool MoveOver(const std::string& from, const std::string& to) override {
    return machine_.MoveOver(from, to);
  }
  Outcome MoveNew(const std::string& from, const std::string& to, bool& exists) override {
    return machine_.MoveNew(from, to, exists);
  }
  std::string ModulePath() override { return machine_.ModulePath(); }
  std::string WindowsDirectory() override { return machine_.WindowsDirectory(); }
  std::string SystemDirectory() override { return machine_.SystemDirectory(); }
  OsVersion Version() override { return machine_.Version(); }
  void Sleep(unsigned milliseconds) override { machine_.Sleep(milliseconds); }
  std::unique_ptr<Sha256Stream> NewSha256() override { return machine_.NewSha256(); }
  LockedOpen OpenLocked(const std::string& path) override { return machine_.OpenLocked(path); }
  std::string ComputerName() override { return machine_.ComputerName(); }
  std::string UserName() override { return machine_.UserName(); }
  bool HasAdministratorRights() override { return machine_.HasAdministratorRights(); }
  LocalTime Now() override { return machine_.Now(); }
  std::string AnsiToUtf8(std::string_view text) override { return machine_.AnsiToUtf8(text); }
  std::optional<std::string> ReadFileStart(const std::string& path, std::size_t count) override {
    return machine_.ReadFileStart(path, count);
  }
  std::string CommonAppDataDirectory() override { return machine_.CommonAppDataDirectory(); }
  FolderLook HoldFolder(const std::string& path) override { return machine_.HoldFolder(path); }
  Outcome MakeProtectedFolder(const std::string& path) override {
    return machine_.MakeProtectedFolder(path);
  }
  ExclusiveOpen OpenExclusive(const std::string& path) override {
    return machine_.OpenExclusive(path);
  }
  Outcome RenameAside(const std::string& path, const std::string& newPath) override {
    return machine_.RenameAside(path, newPath);
  }
  std::unique_ptr<InputFile> OpenToRead(const std::string& path, std::string& reason) override {
    return machine_.OpenToRead(path, reason);
  }
  std::unique_ptr<OutputFile> CreateNewFile(const std::string& path, std::string& reason,
                                            bool& exists) override {
    return machine_.CreateNewFile(path, reason, exists);
  }
  Outcome AppendToFile(const std::string& path, std::string_view bytes) override {
    return machine_.AppendToFile(path, bytes);
  }
  std::vector<std::string> ListFiles(const std::string& directory) override {
    return machine_.ListFiles(directory);
  }
  CommandRun RunHiddenForOutput(const Command& command, unsigned milliseconds,
                                AtTimeLimit atLimit) override {
    return machine_.RunHiddenForOutput(command, milliseconds, atLimit);
  }
  std::optional<std::string> Utf8ToAnsi(std::string_view utf8) override {
    return machine_.Utf8ToAnsi(utf8);
  }
  std::uint32_t RandomNumber() override { return machine_.RandomNumber(); }
  bool Is64BitWindows() override { return machine_.Is64BitWindows(); }
  std::string RealPath(const std::string& path) override { return machine_.RealPath(path); }
  Outcome SetRegistryValue(RegistryRoot root, const std::string& key, const std::string& name,
                           const RegistryValue& value) override {
    return machine_.SetRegistryValue(root, key, name, value);
  }
  Outcome WriteEvent(const std::string& source, EventKind kind, unsigned id,
                     const std::vector<std::string>& texts) override {
    return machine_.WriteEvent(source, kind, id, texts);
  }
  bool SignInGetsTheseRights() override { return machine_.SignInGetsTheseRights(); }
  bool IsUserHiveLoaded(const std::string& name) override {
    return machine_.IsUserHiveLoaded(name);
  }
  HiveLoad LoadUserHive(const std::string& name, const std::string& file) override {
    return machine_.LoadUserHive(name, file);
  }

 private:
  Platform& machine_;
  ActivityLog& log_;
  std::vector<std::string> errors_;
  bool terminationRequested_ = false;
};

}  // namespace dizi
