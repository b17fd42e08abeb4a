// An in-memory machine for tests: a case-insensitive file table with Windows
// semantics, running processes (some holding files open), the system's pending
// restart, and a journal of every call in the order it was made.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace dizi {

// Every call made to the fakes, one entry each, in order.
class Journal {
 public:
  void Add(std::string entry) { entries_.push_back(std::move(entry)); }
  const std::vector<std::string>& Entries() const { return entries_; }
  // The entries that begin with `prefix`, with the prefix removed.
  std::vector<std::string> With(const std::string& prefix) const;
  void Clear() { entries_.clear(); }

 private:
  std::vector<std::string> entries_;
};

class FakePlatform : public Platform {
 public:
  // Deletion attempts that fail before one succeeds; kForever never succeeds.
  static constexpr int kForever = -1;

  explicit FakePlatform(Journal& journal);
  ~FakePlatform() override;

  // --- Setting up the machine -------------------------------------------
  // Each of these also adds the folder it names.
  void SetModulePath(std::string path);
  void SetWindowsDirectory(std::string path);
  void SetSystemDirectory(std::string path);
  void SetVersion(OsVersion version) { version_ = version; }

  // Adds a folder and every folder above it.
  void AddDirectory(const std::string& path);
  // Adds a file (and its folders) with the given content.
  void AddFile(const std::string& path, std::string content = {});
  // The file exists but cannot be opened for reading.
  void MarkUnreadable(const std::string& path);
  // The next `attempts` deletions fail (kForever: every one).
  void FailDeletes(const std::string& path, int attempts);
  // A read-only file can be neither deleted nor replaced; a read-only folder
  // takes no new files.
  void MarkReadOnly(const std::string& path);
  // How a running process meets the kill commands. The kill tool ("kill.exe
  // -f" and a quoted full path, or a bare image name) reaches the processes
  // of that image, the system's task-kill tool those of each "/PID" given (or,
  // with "/IM", of that image name, wherever their file lies).
  enum class Resists {
    Nothing,    // any kill command that reaches it ends it
    KillTool,   // the kill tool cannot end it and says so; task-kill by id can
    EveryKill,  // nothing ends it
  };
  // A process runs from the image file `image`: a full path, or a bare image
  // name when its folder does not matter. Its process id, unique on the
  // machine, comes back.
  unsigned long RunProcess(const std::string& image, Resists resists = Resists::Nothing);
  // Windows marks the process critical: the kill tool leaves it running and
  // says why.
  void MarkCritical(unsigned long processId);
  // A process runs from `image` (as RunProcess) and holds the file open
  // without delete sharing: reading works, deleting fails until the process
  // ends. Unless it survives kills, the kill tool ends it when it selects it.
  unsigned long HoldOpen(const std::string& path, const std::string& image, bool survivesKills);
  unsigned long HoldOpen(const std::string& path, const std::string& image, Resists resists);
  // Programs started from `application` keep running until something ends
  // them: they outlast every wait.
  void KeepRunning(const std::string& application) { keptRunning_.push_back(application); }
  // Programs started from `application` cannot be created, though the file
  // is there (the system refuses, say).
  void FailStarts(const std::string& application) { failedStarts_.push_back(application); }
  // Requests to delete at the next restart fail.
  void FailDeleteAtRestart() { deleteAtRestartFails_ = true; }
  // Withdrawing such requests fails (the program may not change the system's
  // list).
  void FailCancelDeleteAtRestart() { cancelDeleteAtRestartFails_ = true; }
  // Another program's request to delete the file at the next restart.
  void AddPendingRestartDelete(std::string path) { pendingDeletes_.push_back(std::move(path)); }
  // Another process creates the file right after the next FileExists finds
  // nothing there: in the moment between a check and what the check was for.
  void AppearAfterCheck(const std::string& path, std::string content);
  // Every SHA-256 computation fails (it gives no digest).
  void FailHashing() { hashingFails_ = true; }
  // Writing stops once this many more bytes have been written (a full disk).
  void LimitWrites(std::size_t bytes) { writeBudget_ = bytes; }
  // Closing a written file fails.
  void FailCloses() { closeFails_ = true; }
  // Another process writes `content` over the file (the file's content as it
  // was is lost); false, with the file unchanged, while this program holds it
  // locked or it is read-only. A missing file is created.
  bool ReplaceFromOutside(const std::string& path, std::string content);
  // Another process has the file open for writing, sharing reading: it can
  // be read, but this program cannot hold it locked.
  void OpenForWritingElsewhere(const std::string& path);

  // --- Reading the outcome ----------------------------------------------
  bool HasFile(const std::string& path) const;
  // The content of an existing file; empty when absent.
  std::string Content(const std::string& path) const;
  // Files in a folder (direct children), by their names as created.
  std::vector<std::string> FilesIn(const std::string& directory) const;
  const std::vector<std::string>& PendingRestartDeletes() const { return pendingDeletes_; }
  bool TerminationRequested() const { return terminationRequested_; }
  // True when a process runs from the image file `image` (a full path).
  bool IsRunning(const std::string& image) const;
  // True while the process with that id runs.
  bool IsProcessRunning(unsigned long processId) const;
  // True while this program holds the file locked (OpenLocked).
  bool IsLocked(const std::string& path) const;
  // True when the system surely has a restart pending: one was requested
  // after every abort took effect. An abort nobody waited for may take effect
  // at any later moment, so it is taken to come after everything else.
  bool RestartSurelyPending() const { return restartAfterAborts_ && !abortInFlight_; }

  // --- Platform ---------------------------------------------------------
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
  // The machine's name, the account, its rights, and the clock, which starts
  // at `start` and moves on by the time each Sleep asks for.
  void SetComputerName(std::string name) { computerName_ = std::move(name); }
  void SetUserName(std::string name) { userName_ = std::move(name); }
  void SetAdministratorRights(bool has) { administratorRights_ = has; }
  void SetClock(LocalTime start);

  std::string ComputerName() override { return computerName_; }
  std::string UserName() override { return userName_; }
  bool HasAdministratorRights() override { return administratorRights_; }
  LocalTime Now() override;
  // The code page is Windows-1252, as on a Western European system.
  std::string AnsiToUtf8(std::string_view text) override;
  std::optional<std::string> ReadFileStart(const std::string& path, std::size_t count) override;

  // --- Quarantine ---------------------------------------------------------
  // Setting up: the common application data folder ("" when the system does
  // not say) and a program's exit code (0 unless set).
  void SetCommonAppDataDirectory(std::string path);
  void SetExitCode(const std::string& application, unsigned long code);
  // What a program writes to its standard output when it runs. The kill
  // tool writes what the real one does (a line for each process it selects)
  // unless an output is set for it here.
  void SetOutput(const std::string& application, std::string output);
  // Another process has locked the file's bytes: it opens, but reading it
  // fails.
  void LockAgainstReading(const std::string& path);
  // Reading the outcome: whether the folder was made for administrators and
  // the system only.
  bool IsProtectedDirectory(const std::string& path) const;

  // --- The program's own folders -------------------------------------------
  // A folder the test adds is owned by the system, which with administrators
  // may change it; the users group may read it. These change that.
  void SetFolderOwner(const std::string& path, std::string owner);
  void SetFolderAccess(const std::string& path, std::vector<AccessEntry> entries);
  // The folder is a link (a junction or symbolic link) to another place.
  void MarkReparsePoint(const std::string& path);
  // The folder's owner and access list cannot be read.
  void MarkSecurityUnreadable(const std::string& path);
  // Renaming it fails (another process has something in it open, say).
  void FailRenames(const std::string& path);
  // Another process makes the folder right after the next HoldFolder finds
  // nothing there, in the moment before this program makes it: another run
  // of the program, or a user racing it. It is owned by `owner`, with
  // `entries` as its access list.
  void MakeFolderAfterLook(const std::string& path, std::string owner,
                           std::vector<AccessEntry> entries);
  // True while this program holds the folder.
  bool IsHeldFolder(const std::string& path) const;
  // MakeProtectedFolder fails from now on (a full disk, say).
  void FailFolderMakes() { folderMakesFail_ = true; }
  // Another process holds the file open alone (it is made when missing).
  void HoldExclusivelyElsewhere(const std::string& path);
  // The owner and access list a folder made by MakeProtectedFolder gets.
  static std::vector<AccessEntry> ProtectedAccess();

  std::string CommonAppDataDirectory() override;
  // A drive letter and its colon alone ("C:") name whatever folder is
  // current on that drive, not its root: the fake takes such a path for a
  // fault of the caller and throws.
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
  // The inverse of AnsiToUtf8 (Windows-1252).
  std::optional<std::string> Utf8ToAnsi(std::string_view utf8) override;

  // --- Runs that leave a trace ------------------------------------------------
  // One entry the program wrote to the event log.
  struct Event {
    std::string source;
    EventKind kind;
    unsigned id;
    std::vector<std::string> texts;
  };
  // Setting up: a 64-bit Windows, whose folder for 32-bit programs is
  // "<Windows>\SysWOW64"; writes to the registry or the event log that fail;
  // whether a program started at the next sign-in gets the program's rights
  // (it does unless told otherwise). RandomNumber gives `first`, then each
  // next number one more.
  void SetWow64(bool wow64) { wow64_ = wow64; }
  void FailRegistryWrites() { registryFails_ = true; }
  void FailEvents() { eventsFail_ = true; }
  void SetSignInGetsTheseRights(bool gets) { signInGetsRights_ = gets; }
  void SetRandomNumbers(std::uint32_t first) { nextRandom_ = first; }
  // Reading the outcome: a value written (nothing when none was), and the
  // event log's entries in order.
  std::optional<RegistryValue> RegistryValueOf(RegistryRoot root, const std::string& key,
                                               const std::string& name) const;
  const std::vector<Event>& Events() const { return events_; }

  std::uint32_t RandomNumber() override;
  bool Is64BitWindows() override { return wow64_; }
  std::string RealPath(const std::string& path) override;
  Outcome SetRegistryValue(RegistryRoot root, const std::string& key, const std::string& name,
                           const RegistryValue& value) override;
  Outcome WriteEvent(const std::string& source, EventKind kind, unsigned id,
                     const std::vector<std::string>& texts) override;
  bool SignInGetsTheseRights() override { return signInGetsRights_; }

  // --- Users' registry hives ------------------------------------------------
  // Setting up: a hive loaded already (a signed-in user's); a hive file that
  // cannot be loaded, and why; a loaded hive that cannot be unloaded.
  void AddLoadedHive(const std::string& name);
  void RefuseHiveLoad(const std::string& file, std::string reason);
  void FailHiveUnload(const std::string& name);
  // Reading the outcome: the hives loaded now, by their folded names.
  const std::set<std::string>& LoadedHives() const { return loadedHives_; }

  bool IsUserHiveLoaded(const std::string& name) override;
  HiveLoad LoadUserHive(const std::string& name, const std::string& file) override;

 private:
  class FakeOutputFile;
  class FakeLockedFile;
  class FakeInputFile;
  class FakeHeldFolder;
  class FakeExclusiveFile;
  // What the fake knows of a folder beyond its existence.
  struct FolderState {
    std::string owner = kLocalSystemSid;
    std::vector<AccessEntry> entries;
    bool reparsePoint = false;
    bool securityUnreadable = false;
    bool renameFails = false;
    int holds = 0;
  };
  FolderState& StateOf(const std::string& path);
  class FakeLoadedHive;
  struct File {
    std::string name;  // as created
    std::string content;
    bool unreadable = false;
    bool readLocked = false;
    bool readOnly = false;
    int failingDeletes = 0;
    unsigned long holder = 0;  // id of the process holding it open; 0: none
    int locks = 0;             // handles of this program's OpenLocked on it
    bool writtenElsewhere = false;
    bool exclusive = false;  // open by one process alone
  };

  File* Find(const std::string& path);
  const File* Find(const std::string& path) const;
  bool IsDirectory(const std::string& path) const;
  bool IsWritableDirectory(const std::string& path) const;
  struct Process {
    unsigned long id;
    std::string image;
    Resists resists;
    bool critical = false;
  };
  // What starting a program did.
  struct Launched {
    bool started = false;
    unsigned long keptRunning = 0;  // id of its process when it outlasts waits
    std::string output;             // what a kill tool wrote
    bool wroteOutput = false;
    unsigned long exitCode = 0;  // a kill tool's, when it wrote output
  };
  // Starts the program: not started when its file is missing. A
  // kept-running program stays among the processes; a kill tool ends what it
  // selects.
  Launched Launch(const Command& command);
  // How the wait for a launched program ends (journaled).
  RunResult Wait(const Command& command, const Launched& launched, unsigned milliseconds,
                 AtTimeLimit atLimit);
  // The kill tool's and the system task-kill tool's effect; what the kill
  // tool writes.
  void RunKillTool(const std::string& arguments, Launched& launched);
  void RunTaskKill(const std::string& arguments);
  // Ends the process (journaled, with the tool that ended it).
  void EndProcess(unsigned long processId, const std::string& tool);
  // True while a running process holds the file open.
  bool IsHeld(const File& file) const;
  // The effect of a shutdown command on the pending restart.
  void NoteShutdown(const Command& command, bool waitedFor);
  // Appends up to the write budget; false when not everything fit.
  bool Append(const std::string& path, std::string_view bytes);
  bool FinishClose(const std::string& path);
  // Writes `content` over `to` as a copy does; the reason when that fails.
  Outcome WriteOver(const std::string& to, const std::string& content);

  Journal& journal_;
  std::map<std::string, File> files_;        // keyed by the folded path
  std::map<std::string, bool> directories_;  // folded path -> read-only
  std::vector<std::string> pendingDeletes_;
  std::vector<Process> processes_;         // the running processes
  unsigned long nextProcessId_ = 1000;     // as Windows does, multiples of 4
  std::vector<std::string> keptRunning_;   // programs that outlast every wait
  std::vector<std::string> failedStarts_;  // programs that cannot be created
  bool restartAfterAborts_ = false;
  bool abortInFlight_ = false;
  std::string modulePath_ = "C:\\Tools\\DiziTarvix.exe";
  std::string windowsDir_ = "C:\\WINDOWS";
  std::string systemDir_ = "C:\\WINDOWS\\system32";
  OsVersion version_{5, 1};
  bool deleteAtRestartFails_ = false;
  bool cancelDeleteAtRestartFails_ = false;
  bool hashingFails_ = false;
  std::map<std::string, std::string> appearing_;  // folded path -> content
  bool closeFails_ = false;
  bool terminationRequested_ = false;
  std::size_t writeBudget_ = static_cast<std::size_t>(-1);
  int temporaryCount_ = 0;
  std::string computerName_ = "PC-042";
  std::string userName_ = "Administrator";
  bool administratorRights_ = true;
  LocalTime clockStart_{2024, 5, 17, 16, 23, 1, 120};
  unsigned long long sleptMs_ = 0;  // since the clock's start
  std::string commonAppData_ = "C:\\Documents and Settings\\All Users\\Application Data";
  std::set<std::string> protectedDirectories_;           // folded paths
  std::map<std::string, FolderState> folderStates_;      // folded paths
  std::map<std::string, FolderState> foldersAppearing_;  // folded paths
  bool folderMakesFail_ = false;
  std::map<std::string, unsigned long> exitCodes_;  // folded application paths
  std::map<std::string, std::string> outputs_;      // folded application paths
  bool wow64_ = false;
  bool registryFails_ = false;
  bool eventsFail_ = false;
  bool signInGetsRights_ = true;
  std::uint32_t nextRandom_ = 0x00a1b2c3;
  std::map<std::string, RegistryValue> registry_;  // folded "root\key\name"
  std::vector<Event> events_;
  std::set<std::string> loadedHives_;                // folded names
  std::map<std::string, std::string> hiveRefusals_;  // folded file -> why
  std::set<std::string> unloadFailures_;             // folded names
};

}  // namespace dizi
