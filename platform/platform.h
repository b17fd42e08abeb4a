// The one seam between the cleaner and the machine it runs on. Every effect the
// scan, the repair, the log file and the start-up checks have on the system goes
// through this interface, so that the logic can run against an in-memory fake in
// tests and against the real Win32 API in the shipped program.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folder_trust.h"
#include "platform/local_time.h"
#include "platform/sha256.h"

namespace dizi {

// A program to start: the full path of the executable, and the whole command
// line handed to it (which begins with that path, quoted).
struct Command {
  std::string application;
  std::string commandLine;
};

// Message box icons; each box has the single OK button.
enum class BoxIcon : unsigned {
  Error = 16,        // MB_ICONERROR
  Warning = 48,      // MB_ICONWARNING
  Information = 64,  // MB_ICONINFORMATION
};

// Whether an operation succeeded and, when it did not, why: the system's own
// words for the failure, fit to be shown to the user.
struct Outcome {
  bool ok = false;
  std::string reason;  // empty on success

  explicit operator bool() const { return ok; }
};

// How a command that was waited for ended.
enum class RunResult {
  NotStarted,    // the process could not be created
  Finished,      // it ended by itself within the time given
  Ended,         // the time was up, so it was ended, and it is gone
  StillRunning,  // the time was up and it still runs (left running, or it could not be ended)
};

// What to do with a waited-for command that is still running when the time is up.
enum class AtTimeLimit {
  End,    // end it, so that it can have no effect afterwards
  Leave,  // let it run on
};

// What a command run for its output gave back.
struct CommandRun {
  RunResult result = RunResult::NotStarted;
  unsigned long exitCode = 0;  // when Finished
  // What it wrote to its standard output and error, in order, up to
  // kMostCommandOutput bytes (anything beyond is read and dropped).
  std::string output;
};

inline constexpr std::size_t kMostCommandOutput = 256 * 1024;

// Major and minor version numbers of the operating system and its build
// number; all zero when the query failed.
struct OsVersion {
  unsigned major = 0;
  unsigned minor = 0;
  unsigned build = 0;
};

// A new file being written. Closing it is part of writing it: data may still be
// buffered until then.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // The full path of the file.
  virtual const std::string& Path() const = 0;
  // True when all bytes were written.
  virtual bool Write(std::string_view bytes) = 0;
  // True when the file was flushed and closed without error. Called once.
  virtual bool Close() = 0;
  // The system's words for why the last Write or Close failed.
  virtual std::string FailureReason() const { return "The file could not be written."; }
};

// A file being read from its start.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // The next bytes, at most `size` of them, in place of what `bytes` held;
  // empty at the end of the file. False, with the system's words in
  // `reason`, when reading failed.
  virtual bool Read(std::size_t size, std::string& bytes, std::string& reason) = 0;
};

// --- Companion programs held for the run ----------------------------------

// A file this program holds open for reading, shared with readers only: while
// it is held, no process can write to it, rename it or delete it, and
// programs can still be started from it. Released when destroyed.
class LockedFile {
 public:
  virtual ~LockedFile() = default;
  // The full path it was opened by.
  virtual const std::string& Path() const = 0;
  // Adds the whole content, read through the held handle from its start, to
  // `digest`.
  virtual Outcome ReadInto(Sha256Stream& digest) = 0;
  // Writes the whole content, read through the held handle from its start,
  // over `destination`, replacing it in one step: when this fails, an
  // existing destination is left as it was.
  virtual Outcome CopyTo(const std::string& destination) = 0;
};

// What OpenLocked gives: the held file, or the system's words for why it could
// not be opened.
struct LockedOpen {
  std::unique_ptr<LockedFile> file;
  std::string reason;  // empty when opened
};

// --- The program's own folders -----------------------------------------------

// A folder this program holds open: while it is held, no process can rename,
// move or delete it, so its path goes on naming the folder that was looked at.
// Released when destroyed.
class HeldFolder {
 public:
  virtual ~HeldFolder() = default;
};

// An entry of a folder's access list, as HoldFolder reads it.
struct AccessEntry {
  bool grants = true;  // false for an entry that only denies
  std::uint32_t mask = 0;
  std::string sid;  // empty when the system could not name the account
};

// What HoldFolder found at a path.
struct FolderLook {
  enum class Kind {
    Missing,     // nothing is there
    NotAFolder,  // a file is there
    Folder,      // a folder (or a link to one) is there, and it is held
    Unreadable,  // something is there that could not be opened or read
  };
  Kind kind = Kind::Missing;
  bool reparsePoint = false;  // the folder is a link of some kind
  std::string owner;          // the owner's security identifier; empty when unreadable
  bool noAccessList = false;  // no access list at all: everyone may do everything
  std::vector<AccessEntry> entries;
  std::unique_ptr<HeldFolder> held;  // Folder: held until this is released
  std::string reason;                // Unreadable: the system's words
};

// A file this program holds open alone: while it is held no other process
// can open it. Removed when released (also when the program ends otherwise).
class ExclusiveFile {
 public:
  virtual ~ExclusiveFile() = default;
};

// What OpenExclusive gives: the file, or why not.
struct ExclusiveOpen {
  std::unique_ptr<ExclusiveFile> file;
  bool inUse = false;  // another process holds it
  std::string reason;  // the system's words, when not opened
};

// --- Runs that leave a trace: registry values and the event log -----------

// Where a registry key lies: the machine's keys, or those of the account the
// program runs as.
enum class RegistryRoot {
  LocalMachine,  // HKEY_LOCAL_MACHINE, in the program's own (32-bit) view
  CurrentUser,   // HKEY_CURRENT_USER
};

// A registry value to write: a text (REG_SZ), a text with %variables%
// (REG_EXPAND_SZ), or a number (REG_DWORD). Texts are in the ANSI code page.
struct RegistryValue {
  enum class Type { Text, ExpandableText, Number };
  Type type = Type::Text;
  std::string text;
  std::uint32_t number = 0;

  static RegistryValue Text(std::string value) { return {Type::Text, std::move(value), 0}; }
  static RegistryValue ExpandableText(std::string value) {
    return {Type::ExpandableText, std::move(value), 0};
  }
  static RegistryValue Number(std::uint32_t value) { return {Type::Number, {}, value}; }
  bool operator==(const RegistryValue&) const = default;
};

// The kind of an entry in the event log.
enum class EventKind {
  Information,
  Warning,
  Error,
};

// --- Users' registry hives ------------------------------------------------

// A user's registry hive this program loaded from its file under
// HKEY_USERS; unloaded when destroyed, if it still is.
class LoadedHive {
 public:
  virtual ~LoadedHive() = default;
  // Unloads it now (Windows writes its changes back to its file); the
  // system's words when it stays loaded.
  virtual Outcome Unload() = 0;
};

// What LoadUserHive gives: the loaded hive, or the system's words for why it
// could not be loaded.
struct HiveLoad {
  std::unique_ptr<LoadedHive> hive;
  std::string reason;  // empty when loaded
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Starts the command hidden and does not wait for it. True when the process
  // was created; no search path and no current directory is consulted.
  virtual bool StartHidden(const Command& command) = 0;

  // Starts the command hidden, like StartHidden, and waits up to `milliseconds`
  // for it to finish; `atLimit` says what becomes of it when it is still
  // running then. Ending it ends that one process, never another of its name.
  virtual RunResult RunHidden(const Command& command, unsigned milliseconds,
                              AtTimeLimit atLimit) = 0;

  // True when the file was deleted by this call.
  virtual bool Delete(const std::string& path) = 0;

  // Copies a file over any existing destination.
  virtual Outcome Copy(const std::string& from, const std::string& to) = 0;

  // The existence probe: true when the path can be opened for reading as a
  // file. A directory, a missing file or a file locked against reading is false.
  virtual bool CanOpenForReading(const std::string& path) = 0;

  // True when something that is not a directory exists at the path, whether or
  // not it can be read.
  virtual bool FileExists(const std::string& path) = 0;

  // Asks the system to delete the file at the next restart. True when the
  // request was registered.
  virtual bool DeleteAtRestart(const std::string& path) = 0;

  // Withdraws every request to delete the file at `path` at the next restart,
  // whoever made it and under whichever name the system has for the file;
  // every other request stays exactly as it is. Succeeds when there was none.
  virtual Outcome CancelDeleteAtRestart(const std::string& path) = 0;

  // Creates a new, empty file with a unique name in the directory and opens it
  // for writing. Null when that is impossible (a missing or read-only folder).
  virtual std::unique_ptr<OutputFile> CreateTemporaryFile(const std::string& directory) = 0;

  // Moves `from` over `to` in one step, replacing an existing `to`. False, with
  // both files unchanged, when that is impossible (for example a read-only `to`).
  virtual bool MoveOver(const std::string& from, const std::string& to) = 0;

  // Moves `from` to `to` in one step where nothing is at `to`; never replaces
  // anything. On failure both stay as they were, with the system's words, and
  // `exists` says whether something is at `to` (it may have appeared since
  // it was looked for).
  virtual Outcome MoveNew(const std::string& from, const std::string& to, bool& exists) = 0;

  // The full path of the running program, however long.
  virtual std::string ModulePath() = 0;
  // The Windows and system directories, without a trailing backslash.
  virtual std::string WindowsDirectory() = 0;
  virtual std::string SystemDirectory() = 0;

  // The operating system's version; zeros when the query failed.
  virtual OsVersion Version() = 0;

  // Blocks the calling thread for the given time.
  virtual void Sleep(unsigned milliseconds) = 0;

  // Shows a modal message box over the main window and returns when it is closed.
  virtual void ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) = 0;

  // Asks the event loop to end the program once it takes the request; returns
  // at once. The main window's close handler does not run.
  virtual void RequestTermination() = 0;

  // Opens a document or web address with the shell's "open" verb; does not wait.
  virtual void ShellOpen(const std::string& target) = 0;

  // A new SHA-256 computation: the system's own implementation where it has
  // one, the program's otherwise. Never null.
  virtual std::unique_ptr<Sha256Stream> NewSha256() = 0;

  // --- Companion programs held for the run --------------------------------

  // Opens the file for reading and holds it against every change (see
  // LockedFile). Fails, among other reasons, while another program has the
  // file open for writing.
  virtual LockedOpen OpenLocked(const std::string& path) = 0;

  // --- Fleet runs: a run without a window, its report and exit code -----
  // The computer's name, as UTF-8.
  virtual std::string ComputerName() = 0;

  // The name of the account the program runs as, as UTF-8: "SYSTEM" when it
  // runs as the system itself.
  virtual std::string UserName() = 0;

  // True when the program has the rights cleaning needs: it runs as a member
  // of the Administrators group with those rights in force (elevated, where
  // Windows holds them back), or as the system.
  virtual bool HasAdministratorRights() = 0;

  // The local time now.
  virtual LocalTime Now() = 0;

  // A text in the system's ANSI code page (every path and line the engine
  // handles) as UTF-8. Characters the code page cannot hold were lost before
  // the text got here.
  virtual std::string AnsiToUtf8(std::string_view text) = 0;

  // Up to `count` bytes from the start of a file; nothing when it cannot be
  // opened for reading.
  virtual std::optional<std::string> ReadFileStart(const std::string& path, std::size_t count) = 0;

  // --- Quarantine: keeping removed files, putting them back ---------------

  // The folder Windows keeps application data of all users in (C:\ProgramData,
  // or "All Users\Application Data" on Windows XP), without a trailing
  // backslash; empty when the system does not say.
  virtual std::string CommonAppDataDirectory() = 0;

  // Looks at what is at `path` without following a link there, and holds it
  // when it is a folder (see HeldFolder): whether it is a link, its owner and
  // its access list.
  virtual FolderLook HoldFolder(const std::string& path) = 0;

  // Makes a new folder at `path` (its parent must exist), owned by the
  // Administrators group and usable by administrators and the system only,
  // which applies to everything made inside too. Fails, touching nothing,
  // when anything is at `path` already.
  virtual Outcome MakeProtectedFolder(const std::string& path) = 0;

  // Opens the file at `path` (made when missing) for this program alone.
  virtual ExclusiveOpen OpenExclusive(const std::string& path) = 0;

  // Renames the file or folder at `path` to `newPath` in the same folder; a
  // link is renamed itself, never what it leads to. Fails when anything is at
  // `newPath`, or while any process holds `path`.
  virtual Outcome RenameAside(const std::string& path, const std::string& newPath) = 0;

  // Opens an existing file to read it from its start, sharing it as the
  // probe does. Null, with the system's words in `reason`, when it cannot be
  // opened.
  virtual std::unique_ptr<InputFile> OpenToRead(const std::string& path, std::string& reason) = 0;

  // Creates a new, empty file at `path` and opens it for writing; never
  // touches an existing file. Null, with the system's words in `reason`,
  // when that is impossible; `exists` then says whether it failed because
  // something is there already.
  virtual std::unique_ptr<OutputFile> CreateNewFile(const std::string& path, std::string& reason,
                                                    bool& exists) = 0;

  // Appends the bytes to the file, which is created when missing, and
  // flushes them to disk.
  virtual Outcome AppendToFile(const std::string& path, std::string_view bytes) = 0;

  // The names of the files (not the folders) in a folder; empty when there
  // are none or it cannot be read.
  virtual std::vector<std::string> ListFiles(const std::string& directory) = 0;

  // Starts the command hidden, like RunHidden, with a pipe as its standard
  // output and error, and waits up to `milliseconds` for it to end: how it
  // ended, its exit code when it finished, and what it wrote meanwhile.
  virtual CommandRun RunHiddenForOutput(const Command& command, unsigned milliseconds,
                                        AtTimeLimit atLimit) = 0;

  // UTF-8 text in the system's ANSI code page, as AnsiToUtf8 in reverse;
  // nothing when the text has a character the code page lacks.
  virtual std::optional<std::string> Utf8ToAnsi(std::string_view utf8) = 0;

  // --- Runs that leave a trace ----------------------------------------------

  // A number no one can foresee, for names that must not collide.
  virtual std::uint32_t RandomNumber() = 0;

  // True when Windows is a 64-bit Windows (this 32-bit program then runs
  // under WOW64).
  virtual bool Is64BitWindows() = 0;

  // Where the file this program names `path` (a full path) really lies: on
  // 64-bit Windows a file the program names in the system folder is in the
  // folder for 32-bit programs (SysWOW64). Every other path is its own.
  virtual std::string RealPath(const std::string& path) = 0;

  // Writes one value, making the key (a path below the root, without a
  // leading backslash) and every key above it where missing.
  virtual Outcome SetRegistryValue(RegistryRoot root, const std::string& key,
                                   const std::string& name, const RegistryValue& value) = 0;

  // Adds one entry to the Application event log under the source `source`
  // with the event id `id` and the texts the source's messages insert (ANSI).
  virtual Outcome WriteEvent(const std::string& source, EventKind kind, unsigned id,
                             const std::vector<std::string>& texts) = 0;

  // True when a program started at this account's next sign-in (from its
  // RunOnce key) gets the rights this program has: on Windows before Vista,
  // or where User Account Control did not split the account's rights. False
  // for rights that came from an elevation the user agreed to (Windows does
  // not start a program that asks for them at sign-in) and for the system's
  // own account, which never signs in.
  virtual bool SignInGetsTheseRights() = 0;

  // --- Users' registry hives ----------------------------------------------

  // True when a hive is loaded as HKEY_USERS\<name> (a signed-in user's, by
  // the user's SID).
  virtual bool IsUserHiveLoaded(const std::string& name) = 0;

  // Loads the registry hive file `file` (a full path) as HKEY_USERS\<name>,
  // with the privileges that takes, for as long as the result holds it.
  virtual HiveLoad LoadUserHive(const std::string& name, const std::string& file) = 0;
};

}  // namespace dizi
