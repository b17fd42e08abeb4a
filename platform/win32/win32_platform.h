// The platform on the real Win32 API (ANSI functions throughout), as the
// shipped program uses it.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace dizi {

class Win32Platform final : public Platform {
 public:
  // Message boxes are owned by this window while it is shown. Until then they
  // have no owner, so that each box has a taskbar button of its own.
  void SetMainWindow(HWND window) { mainWindow_ = window; }

  // Called once, as the event loop starts. True when termination was requested
  // before (during the start-up checks): the loop is then to end at once.
  // From now on a request posts the quit message straight away.
  bool BeginEventLoop();

  bool StartHidden(const Command& command) override;
  RunResult RunHidden(const Command& command, unsigned milliseconds, AtTimeLimit atLimit) override;
  bool Delete(const std::string& path) override;
  Outcome Copy(const std::string& from, const std::string& to) override;
  bool CanOpenForReading(const std::string& path) override;
  bool FileExists(const std::string& path) override;
  bool DeleteAtRestart(const std::string& path) override;
  Outcome CancelDeleteAtRestart(const std::string& path) override;
  std::unique_ptr<OutputFile> CreateTemporaryFile(const std::string& directory) override;
  bool MoveOver(const std::string& from, const std::string& to) override;
  Outcome MoveNew(const std::string& from, const std::string& to, bool& exists) override;
  std::string ModulePath() override;
  std::string WindowsDirectory() override;
  std::string SystemDirectory() override;
  OsVersion Version() override;
  void Sleep(unsigned milliseconds) override;
  void ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) override;
  void RequestTermination() override;
  void ShellOpen(const std::string& target) override;
  std::unique_ptr<Sha256Stream> NewSha256() override;

  // --- Companion programs held for the run ------------------------------
  LockedOpen OpenLocked(const std::string& path) override;

  // --- Fleet runs ---------------------------------------------------------
  std::string ComputerName() override;
  std::string UserName() override;
  bool HasAdministratorRights() override;
  LocalTime Now() override;
  std::string AnsiToUtf8(std::string_view text) override;
  std::optional<std::string> ReadFileStart(const std::string& path, std::size_t count) override;

  // --- Quarantine ---------------------------------------------------------
  std::string CommonAppDataDirectory() override;
  FolderLook HoldFolder(const std::string& path) override;
  Outcome MakeProtectedFolder(const std::string& path) override;
  ExclusiveOpen OpenExclusive(const std::string& path) override;
  Outcome RenameAside(const std::string& path, const std::string& newPath) override;
  std::unique_ptr<InputFile> OpenToRead(const std::string& path, std::string& reason) override;
  std::unique_ptr<OutputFile> CreateNewFile(const std::string& path, std::string& reason,
                                            bool& exists) override;
  Outcome AppendToFile(const std::string& path, std::string_view bytes) override;
  std::vector<std::string> ListFiles(const std::string& directory) override;
  CommandRun RunHiddenForOutput(const Command& command, unsigned milliseconds,
                                AtTimeLimit atLimit) override;
  std::optional<std::string> Utf8ToAnsi(std::string_view utf8) override;

  // --- Runs that leave a trace ------------------------------------------------
  std::uint32_t RandomNumber() override;
  bool Is64BitWindows() override;
  std::string RealPath(const std::string& path) override;
  Outcome SetRegistryValue(RegistryRoot root, const std::string& key, const std::string& name,
                           const RegistryValue& value) override;
  Outcome WriteEvent(const std::string& source, EventKind kind, unsigned id,
                     const std::vector<std::string>& texts) override;
  bool SignInGetsTheseRights() override;

  // --- Users' registry hives ----------------------------------------------
  bool IsUserHiveLoaded(const std::string& name) override;
  HiveLoad LoadUserHive(const std::string& name, const std::string& file) override;

 private:
  HWND mainWindow_ = nullptr;
  bool loopRunning_ = false;
  // A request made before the loop ran. Posting the quit message then would
  // make every later message box of the start-up checks close at once.
  bool terminationPending_ = false;
};

}  // namespace dizi
