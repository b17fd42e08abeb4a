#include "platform/fake_platform.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "platform/utf8.h"

namespace dizi {

namespace {

// Windows compares file names without regard to (ASCII) case.
std::string Fold(std::string_view path) {
  std::string folded(path);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return folded;
}

// The folded key of a folder: a drive's root is named "C:\" by the system and
// kept as "C:" here.
std::string FolderKey(const std::string& path) {
  const bool root = path.size() == 3 && path[1] == ':' && path[2] == '\\';
  return Fold(root ? path.substr(0, 2) : path);
}

std::string Parent(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

const char* Result(bool ok) {
  return ok ? " -> ok" : " -> fail";
}

// The system's words for the failures the fake models.
constexpr char kNotFound[] = "The system cannot find the file specified. (error 2)";
constexpr char kPathNotFound[] = "The system cannot find the path specified. (error 3)";
constexpr char kAccessDenied[] = "Access is denied. (error 5)";
constexpr char kInUse[] =
    "The process cannot access the file because it is being used by another process. "
    "(error 32)";
constexpr char kFileExists[] = "The file exists. (error 80)";
constexpr char kAlreadyExists[] = "Cannot create a file when that file already exists. (error 183)";
constexpr char kDiskFull[] = "There is not enough space on the disk. (error 112)";
constexpr char kCloseFailed[] =
    "The request could not be performed because of an I/O device error. (error 1117)";

}  // namespace

std::vector<std::string> Journal::With(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const std::string& entry : entries_) {
    if (entry.compare(0, prefix.size(), prefix) == 0) {
      found.push_back(entry.substr(prefix.size()));
    }
  }
  return found;
}

// Writes into the fake's file table; the file exists from its creation on.
class FakePlatform::FakeOutputFile : public OutputFile {
 public:
  FakeOutputFile(FakePlatform& owner, std::string path) : owner_(owner), path_(std::move(path)) {}
  const std::string& Path() const override { return path_; }
  bool Write(std::string_view bytes) override {
    const bool ok = owner_.Append(path_, bytes);
    owner_.journal_.Add("write " + path_ + " " + std::to_string(bytes.size()) + " bytes" +
                        Result(ok));
    if (!ok) {
      failure_ = kDiskFull;
    }
    return ok;
  }
  bool Close() override {
    if (closed_) {
      throw std::logic_error("output file closed twice: " + path_);
    }
    closed_ = true;
    const bool ok = owner_.FinishClose(path_);
    owner_.journal_.Add("close " + path_ + Result(ok));
    if (!ok) {
      failure_ = kCloseFailed;
    }
    return ok;
  }
  std::string FailureReason() const override { return failure_; }

 private:
  FakePlatform& owner_;
  std::string path_;
  bool closed_ = false;
  std::string failure_;
};

// Reads the content the file had when it was opened.
class FakePlatform::FakeInputFile : public InputFile {
 public:
  FakeInputFile(std::string content, bool locked) : content_(std::move(content)), locked_(locked) {}
  bool Read(std::size_t size, std::string& bytes, std::string& reason) override {
    if (locked_) {
      reason =
          "The process cannot access the file because another process has locked a portion of "
          "the file. (error 33)";
      return false;
    }
    bytes = content_.substr(std::min(offset_, content_.size()), size);
    offset_ += bytes.size();
    return true;
  }

 private:
  std::string content_;
  bool locked_;
  std::size_t offset_ = 0;
};

FakePlatform::FakePlatform(Journal& journal) : journal_(journal) {
  AddDirectory(windowsDir_);
  AddDirectory(systemDir_);
  AddDirectory(Parent(modulePath_));
  AddDirectory(commonAppData_);
}

FakePlatform::~FakePlatform() = default;

void FakePlatform::SetCommonAppDataDirectory(std::string path) {
  commonAppData_ = std::move(path);
  if (!commonAppData_.empty()) {
    AddDirectory(commonAppData_);
  }
}

void FakePlatform::SetModulePath(std::string path) {
  modulePath_ = std::move(path);
  AddDirectory(Parent(modulePath_));
}

void FakePlatform::SetWindowsDirectory(std::string path) {
  windowsDir_ = std::move(path);
  AddDirectory(windowsDir_);
}

void FakePlatform::SetSystemDirectory(std::string path) {
  systemDir_ = std::move(path);
  AddDirectory(systemDir_);
}

void FakePlatform::AddDirectory(const std::string& path) {
  for (std::string dir = path; !dir.empty(); dir = Parent(dir)) {
    directories_.emplace(Fold(dir), false);
  }
}

void FakePlatform::AddFile(const std::string& path, std::string content) {
  if (IsLocked(path)) {
    throw std::logic_error("a locked fake file is replaced only from outside: " + path);
  }
  AddDirectory(Parent(path));
  File& file = files_[Fold(path)];
  file = File{};
  file.name = path;
  file.content = std::move(content);
}

FakePlatform::File* FakePlatform::Find(const std::string& path) {
  const auto it = files_.find(Fold(path));
  return it == files_.end() ? nullptr : &it->second;
}

const FakePlatform::File* FakePlatform::Find(const std::string& path) const {
  const auto it = files_.find(Fold(path));
  return it == files_.end() ? nullptr : &it->second;
}

// The setters below fail loudly on a path the test never added: a typo there
// would otherwise make the test pass for the wrong reason.
void FakePlatform::MarkUnreadable(const std::string& path) {
  File* file = Find(path);
  if (!file) {
    throw std::invalid_argument("no such fake file: " + path);
  }
  file->unreadable = true;
}

void FakePlatform::FailDeletes(const std::string& path, int attempts) {
  File* file = Find(path);
  if (!file) {
    throw std::invalid_argument("no such fake file: " + path);
  }
  file->failingDeletes = attempts;
}

void FakePlatform::MarkReadOnly(const std::string& path) {
  if (File* file = Find(path)) {
    file->readOnly = true;
    return;
  }
  const auto dir = directories_.find(Fold(path));
  if (dir == directories_.end()) {
    throw std::invalid_argument("no such fake file or folder: " + path);
  }
  dir->second = true;
}

unsigned long FakePlatform::RunProcess(const std::string& image, Resists resists) {
  const unsigned long id = nextProcessId_;
  nextProcessId_ += 4;
  processes_.push_back(Process{id, image, resists});
  return id;
}

void FakePlatform::MarkCritical(unsigned long processId) {
  for (Process& process : processes_) {
    if (process.id == processId) {
      process.critical = true;
      return;
    }
  }
  throw std::invalid_argument("no such fake process: " + std::to_string(processId));
}

unsigned long FakePlatform::HoldOpen(const std::string& path, const std::string& image,
                                     bool survivesKills) {
  return HoldOpen(path, image, survivesKills ? Resists::EveryKill : Resists::Nothing);
}

unsigned long FakePlatform::HoldOpen(const std::string& path, const std::string& image,
                                     Resists resists) {
  File* file = Find(path);
  if (!file) {
    throw std::invalid_argument("no such fake file: " + path);
  }
  file->holder = RunProcess(image, resists);
  return file->holder;
}

bool FakePlatform::IsHeld(const File& file) const {
  return file.holder != 0 && IsProcessRunning(file.holder);
}

bool FakePlatform::HasFile(const std::string& path) const {
  return Find(path) != nullptr;
}

std::string FakePlatform::Content(const std::string& path) const {
  const File* file = Find(path);
  return file ? file->content : std::string();
}

std::vector<std::string> FakePlatform::FilesIn(const std::string& directory) const {
  std::vector<std::string> names;
  const std::string folded = Fold(directory);
  for (const auto& [key, file] : files_) {
    if (Fold(Parent(file.name)) == folded) {
      names.push_back(BaseName(file.name));
    }
  }
  return names;
}

bool FakePlatform::IsDirectory(const std::string& path) const {
  return directories_.count(FolderKey(path)) != 0;
}

bool FakePlatform::IsWritableDirectory(const std::string& path) const {
  const auto dir = directories_.find(Fold(path));
  return dir != directories_.end() && !dir->second;
}

namespace {

// The arguments after the quoted program path, without the leading space.
std::string ArgumentsOf(const Command& command) {
  const std::size_t after = command.application.size() + 2;
  return command.commandLine.size() > after ? command.commandLine.substr(after + 1) : std::string();
}

// True when a process running `image` (a full path, or a bare name) is one
// that `wanted` selects: a full path in double quotes selects that file, a
// bare name every image of that name.
bool Selects(const std::string& wanted, const std::string& image) {
  if (wanted.size() >= 2 && wanted.front() == '"' && wanted.back() == '"') {
    return image.find('\\') != std::string::npos &&
           Fold(image) == Fold(wanted.substr(1, wanted.size() - 2));
  }
  return Fold(BaseName(image)) == Fold(wanted);
}

}  // namespace

bool FakePlatform::IsRunning(const std::string& image) const {
  return std::any_of(processes_.begin(), processes_.end(),
                     [&](const Process& process) { return Fold(process.image) == Fold(image); });
}

bool FakePlatform::IsProcessRunning(unsigned long processId) const {
  return std::any_of(processes_.begin(), processes_.end(),
                     [&](const Process& process) { return process.id == processId; });
}

void FakePlatform::EndProcess(unsigned long processId, const std::string& tool) {
  const auto process = std::find_if(processes_.begin(), processes_.end(),
                                    [&](const Process& p) { return p.id == processId; });
  if (process == processes_.end()) {
    return;
  }
  journal_.Add("ended " + std::to_string(processId) + " " + process->image + " by " + tool);
  processes_.erase(process);
}

// kill.exe -f, with a quoted full path or a bare name: it ends each process
// it selects and writes what the real tool writes: a line for each, and for
// one it could not end the line the scan reads. Windows' own programs are not
// modelled; a critical process is left running.
void FakePlatform::RunKillTool(const std::string& arguments, Launched& launched) {
  if (arguments.compare(0, 3, "-f ") != 0) {
    launched.wroteOutput = true;
    launched.output = "usage: kill -f <image name> | kill -f \"<full path>\"\r\n";
    launched.exitCode = 2;
    return;
  }
  const std::string wanted = arguments.substr(3);
  std::vector<Process> selected;
  std::copy_if(processes_.begin(), processes_.end(), std::back_inserter(selected),
               [&](const Process& process) { return Selects(wanted, process.image); });
  std::string& out = launched.output;
  int ended = 0;
  for (const Process& process : selected) {
    const std::string named =
        BaseName(process.image) + " (process " + std::to_string(process.id) + ")";
    if (process.critical) {
      out += "kill: left " + named +
             " running: Windows marks it critical, and ending it would stop the system\r\n";
    } else if (process.resists != Resists::Nothing) {
      out += "kill: could not end " + named + ": " + kAccessDenied + "\r\n";
      out += "kill: not ended: process " + std::to_string(process.id) + "\r\n";
    } else {
      EndProcess(process.id, "kill.exe");
      out += "kill: ended " + named + "\r\n";
      ++ended;
    }
  }
  if (selected.empty()) {
    out += wanted.front() == '"' ? "kill: no running process has the image " +
                                       wanted.substr(1, wanted.size() - 2) + "\r\n"
                                 : "kill: no process named " + wanted + " is running\r\n";
  }
  launched.wroteOutput = true;
  launched.exitCode = ended > 0 ? 0 : 1;
}

// taskkill.exe: "/PID <id>" ends that process, "/IM <name>" every process of
// that image name; a process that resists every kill survives.
void FakePlatform::RunTaskKill(const std::string& arguments) {
  std::vector<std::string> words;
  for (std::size_t at = 0; at < arguments.size();) {
    const std::size_t end = std::min(arguments.find(' ', at), arguments.size());
    if (end > at) {
      words.push_back(arguments.substr(at, end - at));
    }
    at = end + 1;
  }
  std::vector<unsigned long> chosen;
  for (std::size_t i = 0; i + 1 < words.size(); ++i) {
    const std::string option = Fold(words[i]);
    for (const Process& process : processes_) {
      if ((option == "/pid" && std::to_string(process.id) == words[i + 1]) ||
          (option == "/im" && Fold(BaseName(process.image)) == Fold(words[i + 1]))) {
        chosen.push_back(process.id);
      }
    }
  }
  for (const unsigned long id : chosen) {
    const auto process = std::find_if(processes_.begin(), processes_.end(),
                                      [&](const Process& p) { return p.id == id; });
    if (process != processes_.end() && process->resists != Resists::EveryKill) {
      EndProcess(id, "taskkill.exe");
    }
  }
}

void FakePlatform::NoteShutdown(const Command& command, bool waitedFor) {
  if (Fold(BaseName(command.application)) != "shutdown.exe") {
    return;
  }
  const std::string arguments = ArgumentsOf(command);
  if (arguments == "-a") {
    if (waitedFor) {
      restartAfterAborts_ = false;
    } else {
      abortInFlight_ = true;
    }
  } else if (arguments.compare(0, 3, "-r ") == 0) {
    restartAfterAborts_ = true;
  }
}

FakePlatform::Launched FakePlatform::Launch(const Command& command) {
  // The command line must begin with the program's path, quoted, so that the
  // path alone decides what runs.
  const std::string quoted = "\"" + command.application + "\"";
  if (command.commandLine.compare(0, quoted.size(), quoted) != 0) {
    throw std::logic_error("command line does not start with its quoted program: " +
                           command.commandLine);
  }
  journal_.Add("start " + command.commandLine);
  Launched launched;
  if (!Find(command.application) ||
      std::any_of(failedStarts_.begin(), failedStarts_.end(), [&](const std::string& failed) {
        return Fold(failed) == Fold(command.application);
      })) {
    return launched;
  }
  launched.started = true;
  const std::string tool = Fold(BaseName(command.application));
  if (tool == "kill.exe") {
    RunKillTool(ArgumentsOf(command), launched);
  } else if (tool == "taskkill.exe") {
    RunTaskKill(ArgumentsOf(command));
  }
  const bool kept = std::any_of(keptRunning_.begin(), keptRunning_.end(), [&](auto& application) {
    return Fold(application) == Fold(command.application);
  });
  if (kept) {
    launched.keptRunning = RunProcess(command.application);
  }
  return launched;
}

bool FakePlatform::StartHidden(const Command& command) {
  if (!Launch(command).started) {
    return false;
  }
  NoteShutdown(command, /*waitedFor=*/false);
  return true;
}

RunResult FakePlatform::Wait(const Command& command, const Launched& launched,
                             unsigned milliseconds, AtTimeLimit atLimit) {
  RunResult result = RunResult::NotStarted;
  if (launched.started) {
    if (launched.keptRunning == 0 || !IsProcessRunning(launched.keptRunning)) {
      result = RunResult::Finished;
    } else if (atLimit == AtTimeLimit::End) {
      std::erase_if(processes_,
                    [&](const Process& process) { return process.id == launched.keptRunning; });
      result = RunResult::Ended;
    } else {
      result = RunResult::StillRunning;
    }
    NoteShutdown(command, /*waitedFor=*/result != RunResult::StillRunning);
  }
  static constexpr const char* kResults[] = {"not started", "finished", "ended", "still running"};
  journal_.Add("wait " + std::to_string(milliseconds) + " ms -> " +
               kResults[static_cast<int>(result)]);
  return result;
}

RunResult FakePlatform::RunHidden(const Command& command, unsigned milliseconds,
                                  AtTimeLimit atLimit) {
  return Wait(command, Launch(command), milliseconds, atLimit);
}

bool FakePlatform::Delete(const std::string& path) {
  File* file = Find(path);
  bool deleted = false;
  if (file && !IsHeld(*file) && file->locks == 0 && !file->readOnly) {
    if (file->failingDeletes == 0) {
      files_.erase(Fold(path));
      deleted = true;
    } else if (file->failingDeletes > 0) {
      --file->failingDeletes;
    }
  }
  journal_.Add("delete " + path + Result(deleted));
  return deleted;
}

Outcome FakePlatform::Copy(const std::string& from, const std::string& to) {
  const File* source = Find(from);
  Outcome outcome;
  if (!source) {
    outcome.reason = kNotFound;
  } else if (source->unreadable) {
    outcome.reason = kInUse;
  } else {
    outcome = WriteOver(to, source->content);
  }
  journal_.Add("copy " + from + " => " + to + Result(outcome.ok));
  return outcome;
}

Outcome FakePlatform::WriteOver(const std::string& to, const std::string& content) {
  const File* existing = Find(to);
  if (existing && (IsHeld(*existing) || existing->locks > 0)) {
    return Outcome{false, kInUse};
  }
  if (!IsWritableDirectory(Parent(to)) || IsDirectory(to) || (existing && existing->readOnly)) {
    return Outcome{false, kAccessDenied};
  }
  AddFile(to, content);
  return Outcome{true, {}};
}

bool FakePlatform::CanOpenForReading(const std::string& path) {
  const File* file = Find(path);
  const bool readable = file && !file->unreadable;
  journal_.Add("probe " + path + (readable ? " -> yes" : " -> no"));
  return readable;
}

bool FakePlatform::FileExists(const std::string& path) {
  const bool exists = Find(path) != nullptr;
  journal_.Add("exists " + path + (exists ? " -> yes" : " -> no"));
  if (const auto appearing = appearing_.find(Fold(path));
      !exists && appearing != appearing_.end()) {
    AddFile(path, appearing->second);
    appearing_.erase(appearing);
  }
  return exists;
}

void FakePlatform::AppearAfterCheck(const std::string& path, std::string content) {
  appearing_[Fold(path)] = std::move(content);
}

bool FakePlatform::DeleteAtRestart(const std::string& path) {
  const bool ok = !deleteAtRestartFails_ && Find(path) != nullptr;
  if (ok) {
    pendingDeletes_.push_back(path);
  }
  journal_.Add("delete-at-restart " + path + Result(ok));
  return ok;
}

Outcome FakePlatform::CancelDeleteAtRestart(const std::string& path) {
  Outcome outcome;
  if (cancelDeleteAtRestartFails_) {
    outcome.reason = kAccessDenied;
  } else {
    std::erase_if(pendingDeletes_,
                  [&](const std::string& pending) { return Fold(pending) == Fold(path); });
    outcome.ok = true;
  }
  journal_.Add("cancel-delete-at-restart " + path + Result(outcome.ok));
  return outcome;
}

std::unique_ptr<OutputFile> FakePlatform::CreateTemporaryFile(const std::string& given) {
  // A drive's root is named with its backslash ("C:\").
  const std::string directory =
      !given.empty() && given.back() == '\\' ? given.substr(0, given.size() - 1) : given;
  if (!IsWritableDirectory(directory)) {
    journal_.Add("create-temporary " + given + " -> fail");
    return nullptr;
  }
  std::string path;
  do {
    path = directory + "\\DTL" + std::to_string(++temporaryCount_) + ".tmp";
  } while (Find(path) || IsDirectory(path));
  AddFile(path);
  journal_.Add("create-temporary " + given + " -> " + path);
  return std::make_unique<FakeOutputFile>(*this, path);
}

bool FakePlatform::Append(const std::string& path, std::string_view bytes) {
  File* file = Find(path);
  if (!file) {
    return false;
  }
  const std::size_t fits = std::min(bytes.size(), writeBudget_);
  file->content.append(bytes.substr(0, fits));
  writeBudget_ -= fits;
  return fits == bytes.size();
}

bool FakePlatform::FinishClose(const std::string& path) {
  return !closeFails_ && Find(path) != nullptr;
}

bool FakePlatform::MoveOver(const std::string& from, const std::string& to) {
  const File* source = Find(from);
  const File* target = Find(to);
  const bool ok = source && source->locks == 0 && IsWritableDirectory(Parent(to)) &&
                  !IsDirectory(to) &&
                  !(target && (target->readOnly || IsHeld(*target) || target->locks > 0));
  if (ok) {
    File moved = *source;
    moved.name = to;
    files_.erase(Fold(from));
    files_[Fold(to)] = std::move(moved);
  }
  journal_.Add("replace " + from + " => " + to + Result(ok));
  return ok;
}

Outcome FakePlatform::MoveNew(const std::string& from, const std::string& to, bool& exists) {
  const File* source = Find(from);
  exists = Find(to) != nullptr || IsDirectory(to);
  Outcome outcome;
  if (!source) {
    outcome.reason = kNotFound;
  } else if (exists) {
    outcome.reason = kAlreadyExists;
  } else if (source->locks > 0 || source->holder != 0) {
    outcome.reason = kInUse;
  } else if (!IsWritableDirectory(Parent(to))) {
    outcome.reason = IsDirectory(Parent(to)) ? kAccessDenied : kPathNotFound;
  } else {
    File moved = *source;
    moved.name = to;
    files_.erase(Fold(from));
    files_[Fold(to)] = std::move(moved);
    outcome.ok = true;
  }
  journal_.Add("move-new " + from + " => " + to + Result(outcome.ok));
  return outcome;
}

std::string FakePlatform::ModulePath() {
  return modulePath_;
}
std::string FakePlatform::WindowsDirectory() {
  return windowsDir_;
}
std::string FakePlatform::SystemDirectory() {
  return systemDir_;
}
OsVersion FakePlatform::Version() {
  return version_;
}

void FakePlatform::Sleep(unsigned milliseconds) {
  sleptMs_ += milliseconds;
  journal_.Add("sleep " + std::to_string(milliseconds));
}

void FakePlatform::ShowMessage(const std::string& text, const std::string& caption, BoxIcon icon) {
  journal_.Add("box " + caption + " [" + std::to_string(static_cast<unsigned>(icon)) + "] " + text);
}

void FakePlatform::RequestTermination() {
  terminationRequested_ = true;
  journal_.Add("terminate");
}

void FakePlatform::ShellOpen(const std::string& target) {
  journal_.Add("open " + target);
}

namespace {

// A computation that fails on the way, as the system's may.
class FailingSha256 final : public Sha256Stream {
 public:
  void Add(std::string_view) override {}
  std::optional<Sha256Digest> Finish() override { return std::nullopt; }
};

}  // namespace

std::unique_ptr<Sha256Stream> FakePlatform::NewSha256() {
  if (hashingFails_) {
    return std::make_unique<FailingSha256>();
  }
  return std::make_unique<PortableSha256>();
}

// --- Companion programs held for the run ------------------------------------

// Reads the fake's file table under a lock the file keeps until this goes.
class FakePlatform::FakeLockedFile : public LockedFile {
 public:
  FakeLockedFile(FakePlatform& owner, std::string path) : owner_(owner), path_(std::move(path)) {
    ++owner_.Find(path_)->locks;
  }
  ~FakeLockedFile() override {
    --owner_.Find(path_)->locks;
    owner_.journal_.Add("unlock " + path_);
  }
  FakeLockedFile(const FakeLockedFile&) = delete;
  FakeLockedFile& operator=(const FakeLockedFile&) = delete;

  const std::string& Path() const override { return path_; }

  Outcome ReadInto(Sha256Stream& digest) override {
    const File& file = *owner_.Find(path_);
    Outcome outcome{!file.unreadable, file.unreadable ? kInUse : ""};
    if (outcome) {
      digest.Add(file.content);
    }
    owner_.journal_.Add("read " + path_ + Result(outcome.ok));
    return outcome;
  }

  Outcome CopyTo(const std::string& destination) override {
    const Outcome outcome = owner_.WriteOver(destination, owner_.Find(path_)->content);
    owner_.journal_.Add("copy held " + path_ + " => " + destination + Result(outcome.ok));
    return outcome;
  }

 private:
  FakePlatform& owner_;
  std::string path_;
};

LockedOpen FakePlatform::OpenLocked(const std::string& path) {
  const File* file = Find(path);
  LockedOpen opened;
  if (!file) {
    opened.reason = kNotFound;
  } else if (file->unreadable || file->writtenElsewhere) {
    opened.reason = kInUse;
  } else {
    opened.file = std::make_unique<FakeLockedFile>(*this, path);
  }
  journal_.Add("lock " + path + Result(opened.file != nullptr));
  return opened;
}

void FakePlatform::OpenForWritingElsewhere(const std::string& path) {
  File* file = Find(path);
  if (!file) {
    throw std::invalid_argument("no such fake file: " + path);
  }
  file->writtenElsewhere = true;
}

bool FakePlatform::IsLocked(const std::string& path) const {
  const File* file = Find(path);
  return file && file->locks > 0;
}

bool FakePlatform::ReplaceFromOutside(const std::string& path, std::string content) {
  const File* file = Find(path);
  if (file && (file->locks > 0 || file->readOnly)) {
    return false;
  }
  AddFile(path, std::move(content));
  return true;
}

namespace {

// Windows-1252's characters for the bytes 0x80 to 0x9F; the five it leaves
// undefined map to the code point of the same value, as Windows maps them.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

void FakePlatform::SetClock(LocalTime start) {
  clockStart_ = start;
  sleptMs_ = 0;
}

LocalTime FakePlatform::Now() {
  return Later(clockStart_, static_cast<long long>(sleptMs_ / 1000));
}

std::string FakePlatform::AnsiToUtf8(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? kWindows1252High[byte - 0x80] : byte);
  }
  return out;
}

std::optional<std::string> FakePlatform::ReadFileStart(const std::string& path, std::size_t count) {
  const File* file = Find(path);
  const bool readable = file && !file->unreadable;
  journal_.Add("read " + path + (readable ? " -> ok" : " -> fail"));
  if (!readable) {
    return std::nullopt;
  }
  return file->content.substr(0, count);
}

// --- Quarantine -----------------------------------------------------------

void FakePlatform::SetExitCode(const std::string& application, unsigned long code) {
  exitCodes_[Fold(application)] = code;
}

void FakePlatform::SetOutput(const std::string& application, std::string output) {
  outputs_[Fold(application)] = std::move(output);
}

void FakePlatform::LockAgainstReading(const std::string& path) {
  File* file = Find(path);
  if (!file) {
    throw std::invalid_argument("no such fake file: " + path);
  }
  file->readLocked = true;
}

bool FakePlatform::IsProtectedDirectory(const std::string& path) const {
  return protectedDirectories_.count(Fold(path)) != 0;
}

std::string FakePlatform::CommonAppDataDirectory() {
  return commonAppData_;
}

namespace {

constexpr std::uint32_t kFullAccess = 0x1F01FF;
constexpr std::uint32_t kReadAndExecute = 0x1200A9;
constexpr char kUsersSid[] = "S-1-5-32-545";

// True when `path` is `folder` or lies inside it (both folded).
bool IsWithin(const std::string& path, const std::string& folder) {
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          path[folder.size()] == '\\');
}

// `path` (inside `from`, both folded or not alike) with `from` replaced by `to`.
std::string Moved(const std::string& path, const std::string& from, const std::string& to) {
  return to + path.substr(from.size());
}

}  // namespace

// Holding a folder keeps it from being renamed until the hold ends.
class FakePlatform::FakeHeldFolder : public HeldFolder {
 public:
  FakeHeldFolder(FakePlatform& owner, std::string path) : owner_(owner), path_(std::move(path)) {
    ++owner_.StateOf(path_).holds;
  }
  ~FakeHeldFolder() override {
    const auto state = owner_.folderStates_.find(FolderKey(path_));
    if (state != owner_.folderStates_.end()) {
      --state->second.holds;
    }
  }

 private:
  FakePlatform& owner_;
  std::string path_;
};

std::vector<AccessEntry> FakePlatform::ProtectedAccess() {
  return {{true, kFullAccess, kAdministratorsSid}, {true, kFullAccess, kLocalSystemSid}};
}

FakePlatform::FolderState& FakePlatform::StateOf(const std::string& path) {
  const auto [state, added] = folderStates_.try_emplace(FolderKey(path));
  if (added) {
    state->second.entries = {{true, kFullAccess, kLocalSystemSid},
                             {true, kFullAccess, kAdministratorsSid},
                             {true, kReadAndExecute, kUsersSid}};
  }
  return state->second;
}

void FakePlatform::SetFolderOwner(const std::string& path, std::string owner) {
  if (!IsDirectory(path)) {
    throw std::invalid_argument("no such fake folder: " + path);
  }
  StateOf(path).owner = std::move(owner);
}

void FakePlatform::SetFolderAccess(const std::string& path, std::vector<AccessEntry> entries) {
  if (!IsDirectory(path)) {
    throw std::invalid_argument("no such fake folder: " + path);
  }
  StateOf(path).entries = std::move(entries);
}

void FakePlatform::MarkReparsePoint(const std::string& path) {
  if (!IsDirectory(path)) {
    throw std::invalid_argument("no such fake folder: " + path);
  }
  StateOf(path).reparsePoint = true;
}

void FakePlatform::MarkSecurityUnreadable(const std::string& path) {
  if (!IsDirectory(path)) {
    throw std::invalid_argument("no such fake folder: " + path);
  }
  StateOf(path).securityUnreadable = true;
}

void FakePlatform::FailRenames(const std::string& path) {
  if (!IsDirectory(path) && !Find(path)) {
    throw std::invalid_argument("no such fake file or folder: " + path);
  }
  StateOf(path).renameFails = true;
}

bool FakePlatform::IsHeldFolder(const std::string& path) const {
  const auto state = folderStates_.find(FolderKey(path));
  return state != folderStates_.end() && state->second.holds > 0;
}

FolderLook FakePlatform::HoldFolder(const std::string& path) {
  if (path.size() == 2 && path[1] == ':') {
    // Not the drive's root: whatever folder is current on that drive.
    throw std::logic_error("a drive-relative path names no fixed folder: " + path);
  }
  FolderLook look;
  if (Find(path)) {
    look.kind = FolderLook::Kind::NotAFolder;
  } else if (IsDirectory(path)) {
    const FolderState& state = StateOf(path);
    look.kind = FolderLook::Kind::Folder;
    look.reparsePoint = state.reparsePoint;
    if (state.securityUnreadable) {
      look.kind = FolderLook::Kind::Unreadable;
      look.reason = kAccessDenied;
    } else {
      look.owner = state.owner;
      look.entries = state.entries;
      look.held = std::make_unique<FakeHeldFolder>(*this, path);
    }
  }
  static constexpr const char* kKinds[] = {"missing", "file", "folder", "unreadable"};
  journal_.Add("hold-folder " + path + " -> " + kKinds[static_cast<int>(look.kind)] +
               (look.reparsePoint ? " (link)" : ""));
  if (const auto appearing = foldersAppearing_.find(Fold(path));
      look.kind == FolderLook::Kind::Missing && appearing != foldersAppearing_.end()) {
    AddDirectory(path);
    StateOf(path) = appearing->second;
    foldersAppearing_.erase(appearing);
  }
  return look;
}

void FakePlatform::MakeFolderAfterLook(const std::string& path, std::string owner,
                                       std::vector<AccessEntry> entries) {
  FolderState& state = foldersAppearing_[Fold(path)];
  state.owner = std::move(owner);
  state.entries = std::move(entries);
}

Outcome FakePlatform::MakeProtectedFolder(const std::string& path) {
  Outcome outcome;
  if (Find(path) || IsDirectory(path)) {
    outcome.reason = "Cannot create a file when that file already exists. (error 183)";
  } else if (folderMakesFail_) {
    outcome.reason = kDiskFull;
  } else if (!IsDirectory(Parent(path))) {
    outcome.reason = kPathNotFound;
  } else if (!IsWritableDirectory(Parent(path))) {
    outcome.reason = kAccessDenied;
  } else {
    AddDirectory(path);
    FolderState& state = StateOf(path);
    state.owner = kAdministratorsSid;
    state.entries = ProtectedAccess();
    protectedDirectories_.insert(Fold(path));
    outcome.ok = true;
  }
  journal_.Add("make-protected-folder " + path + Result(outcome.ok));
  return outcome;
}

// Deleted when released, as a file opened to be deleted on closing.
class FakePlatform::FakeExclusiveFile : public ExclusiveFile {
 public:
  FakeExclusiveFile(FakePlatform& owner, std::string path) : owner_(owner), path_(std::move(path)) {
    owner_.Find(path_)->exclusive = true;
  }
  ~FakeExclusiveFile() override {
    owner_.files_.erase(Fold(path_));
    owner_.journal_.Add("release " + path_);
  }

 private:
  FakePlatform& owner_;
  std::string path_;
};

void FakePlatform::HoldExclusivelyElsewhere(const std::string& path) {
  if (!Find(path)) {
    AddFile(path);
  }
  Find(path)->exclusive = true;
}

ExclusiveOpen FakePlatform::OpenExclusive(const std::string& path) {
  ExclusiveOpen opened;
  const File* file = Find(path);
  if (file && (file->exclusive || file->holder != 0 || file->locks > 0)) {
    opened.inUse = true;
    opened.reason = kInUse;
  } else if (!file && !IsWritableDirectory(Parent(path))) {
    opened.reason = IsDirectory(Parent(path)) ? kAccessDenied : kPathNotFound;
  } else {
    if (!file) {
      AddFile(path);
    }
    opened.file = std::make_unique<FakeExclusiveFile>(*this, path);
  }
  journal_.Add("open-alone " + path + Result(opened.file != nullptr));
  return opened;
}

Outcome FakePlatform::RenameAside(const std::string& path, const std::string& newPath) {
  Outcome outcome;
  const std::string from = Fold(path);
  const std::string to = Fold(newPath);
  const auto state = folderStates_.find(from);
  const bool held = std::any_of(folderStates_.begin(), folderStates_.end(), [&](const auto& entry) {
    return entry.second.holds > 0 && IsWithin(entry.first, from);
  });
  if (!Find(path) && !IsDirectory(path)) {
    outcome.reason = kNotFound;
  } else if (Find(newPath) || IsDirectory(newPath)) {
    outcome.reason = "Cannot create a file when that file already exists. (error 183)";
  } else if (Fold(Parent(path)) != Fold(Parent(newPath))) {
    throw std::logic_error("renamed aside into another folder: " + newPath);
  } else if (held || (state != folderStates_.end() && state->second.renameFails)) {
    outcome.reason = kInUse;
  } else if (!IsWritableDirectory(Parent(path))) {
    outcome.reason = kAccessDenied;
  } else {
    // Everything at or below the path moves with it.
    const auto rekey = [&](auto& table, auto rename) {
      std::vector<std::string> keys;
      for (const auto& entry : table) {
        if (IsWithin(entry.first, from)) {
          keys.push_back(entry.first);
        }
      }
      for (const std::string& key : keys) {
        auto node = table.extract(key);
        node.key() = Moved(key, from, to);
        rename(node.mapped(), key);
        table.insert(std::move(node));
      }
    };
    rekey(files_,
          [&](File& file, const std::string&) { file.name = Moved(file.name, path, newPath); });
    rekey(directories_, [](bool&, const std::string&) {});
    rekey(folderStates_, [](FolderState&, const std::string&) {});
    std::set<std::string> protectedNow;
    for (const std::string& folder : protectedDirectories_) {
      protectedNow.insert(IsWithin(folder, from) ? Moved(folder, from, to) : folder);
    }
    protectedDirectories_ = std::move(protectedNow);
    outcome.ok = true;
  }
  journal_.Add("rename " + path + " => " + newPath + Result(outcome.ok));
  return outcome;
}

std::unique_ptr<InputFile> FakePlatform::OpenToRead(const std::string& path, std::string& reason) {
  const File* file = Find(path);
  std::unique_ptr<InputFile> opened;
  if (!file) {
    reason = kNotFound;
  } else if (file->unreadable) {
    reason = kInUse;
  } else {
    opened = std::make_unique<FakeInputFile>(file->content, file->readLocked);
  }
  journal_.Add("open-read " + path + Result(opened != nullptr));
  return opened;
}

std::unique_ptr<OutputFile> FakePlatform::CreateNewFile(const std::string& path,
                                                        std::string& reason, bool& exists) {
  exists = Find(path) != nullptr || IsDirectory(path);
  std::unique_ptr<OutputFile> created;
  if (exists) {
    reason = kFileExists;
  } else if (!IsDirectory(Parent(path))) {
    reason = kPathNotFound;
  } else if (!IsWritableDirectory(Parent(path))) {
    reason = kAccessDenied;
  } else {
    AddFile(path);
    created = std::make_unique<FakeOutputFile>(*this, path);
  }
  journal_.Add("create-new " + path + Result(created != nullptr));
  return created;
}

Outcome FakePlatform::AppendToFile(const std::string& path, std::string_view bytes) {
  Outcome outcome;
  File* file = Find(path);
  if (!file && !IsWritableDirectory(Parent(path))) {
    outcome.reason = IsDirectory(Parent(path)) ? kAccessDenied : kPathNotFound;
  } else if (file && (file->readOnly || file->unreadable)) {
    outcome.reason = file->readOnly ? kAccessDenied : kInUse;
  } else {
    if (!file) {
      AddFile(path);
    }
    outcome.ok = Append(path, bytes);
    if (!outcome.ok) {
      outcome.reason = kDiskFull;
    }
  }
  journal_.Add("append " + path + " " + std::to_string(bytes.size()) + " bytes" +
               Result(outcome.ok));
  return outcome;
}

std::vector<std::string> FakePlatform::ListFiles(const std::string& directory) {
  journal_.Add("list " + directory);
  return FilesIn(directory);
}

CommandRun FakePlatform::RunHiddenForOutput(const Command& command, unsigned milliseconds,
                                            AtTimeLimit atLimit) {
  const Launched launched = Launch(command);
  CommandRun run;
  run.result = Wait(command, launched, milliseconds, atLimit);
  if (run.result == RunResult::NotStarted) {
    return run;
  }
  if (const auto output = outputs_.find(Fold(command.application)); output != outputs_.end()) {
    run.output = output->second.substr(0, kMostCommandOutput);
  } else if (launched.wroteOutput) {
    run.output = launched.output.substr(0, kMostCommandOutput);
  }
  if (run.result == RunResult::Finished) {
    const auto code = exitCodes_.find(Fold(command.application));
    run.exitCode = code != exitCodes_.end() ? code->second
                   : launched.wroteOutput   ? launched.exitCode
                                            : 0;
  }
  return run;
}

std::optional<std::string> FakePlatform::Utf8ToAnsi(std::string_view utf8) {
  // The characters of Windows-1252, the inverse of AnsiToUtf8; a character
  // the code page lacks (or a text that is not UTF-8) gives nothing.
  std::string ansi;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    const int length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : 0;
    if (length == 0 || i + length > utf8.size()) {
      return std::nullopt;
    }
    char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
    for (int k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) {
        return std::nullopt;
      }
      c = (c << 6) | (next & 0x3F);
    }
    i += static_cast<std::size_t>(length);
    std::optional<char> byte;
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      byte = static_cast<char>(c);
    } else {
      for (int k = 0; k < 32; ++k) {
        if (kWindows1252High[k] == c) {
          byte = static_cast<char>(0x80 + k);
        }
      }
    }
    if (!byte) {
      return std::nullopt;
    }
    ansi += *byte;
  }
  return ansi;
}

// --- Runs that leave a trace ------------------------------------------------

namespace {

const char* RootName(RegistryRoot root) {
  return root == RegistryRoot::LocalMachine ? "HKLM" : "HKCU";
}

std::string RegistryKey(RegistryRoot root, const std::string& key, const std::string& name) {
  return Fold(std::string(RootName(root)) + "\\" + key + "\\" + name);
}

std::string Shown(const RegistryValue& value) {
  switch (value.type) {
    case RegistryValue::Type::Text:
      return "text " + value.text;
    case RegistryValue::Type::ExpandableText:
      return "expandable " + value.text;
    case RegistryValue::Type::Number:
      break;
  }
  return "number " + std::to_string(value.number);
}

const char* KindName(EventKind kind) {
  switch (kind) {
    case EventKind::Information:
      return "information";
    case EventKind::Warning:
      return "warning";
    case EventKind::Error:
      break;
  }
  return "error";
}

}  // namespace

std::uint32_t FakePlatform::RandomNumber() {
  return nextRandom_++;
}

std::string FakePlatform::RealPath(const std::string& path) {
  if (!wow64_ || Fold(Parent(path)) != Fold(systemDir_)) {
    return path;
  }
  return windowsDir_ + "\\SysWOW64\\" + BaseName(path);
}

std::optional<RegistryValue> FakePlatform::RegistryValueOf(RegistryRoot root,
                                                           const std::string& key,
                                                           const std::string& name) const {
  const auto value = registry_.find(RegistryKey(root, key, name));
  if (value == registry_.end()) {
    return std::nullopt;
  }
  return value->second;
}

Outcome FakePlatform::SetRegistryValue(RegistryRoot root, const std::string& key,
                                       const std::string& name, const RegistryValue& value) {
  Outcome outcome;
  if (registryFails_ || (root == RegistryRoot::LocalMachine && !administratorRights_)) {
    outcome.reason = kAccessDenied;
  } else {
    registry_[RegistryKey(root, key, name)] = value;
    outcome.ok = true;
  }
  journal_.Add(std::string("registry ") + RootName(root) + "\\" + key + " " + name + " = " +
               Shown(value) + Result(outcome.ok));
  return outcome;
}

Outcome FakePlatform::WriteEvent(const std::string& source, EventKind kind, unsigned id,
                                 const std::vector<std::string>& texts) {
  Outcome outcome;
  if (eventsFail_) {
    outcome.reason = kAccessDenied;
  } else {
    events_.push_back({source, kind, id, texts});
    outcome.ok = true;
  }
  journal_.Add("event " + source + " " + KindName(kind) + " " + std::to_string(id) +
               Result(outcome.ok));
  return outcome;
}

// A hive loaded by LoadUserHive: unloads itself once, as Windows would.
class FakePlatform::FakeLoadedHive final : public LoadedHive {
 public:
  FakePlatform& platform;
  std::string name;
  bool loaded = true;

  FakeLoadedHive(FakePlatform& owner, std::string hive) : platform(owner), name(std::move(hive)) {}
  ~FakeLoadedHive() override {
    if (loaded) {
      Unload();
    }
  }
  Outcome Unload() override {
    Outcome outcome;
    outcome.ok = platform.unloadFailures_.count(Fold(name)) == 0;
    platform.journal_.Add("unload hive " + name + (outcome.ok ? " -> ok" : " -> failed"));
    if (outcome.ok) {
      platform.loadedHives_.erase(Fold(name));
      loaded = false;
    } else {
      outcome.reason = "Access is denied. (error 5)";
    }
    return outcome;
  }
};

void FakePlatform::AddLoadedHive(const std::string& name) {
  loadedHives_.insert(Fold(name));
}

void FakePlatform::RefuseHiveLoad(const std::string& file, std::string reason) {
  hiveRefusals_[Fold(file)] = std::move(reason);
}

void FakePlatform::FailHiveUnload(const std::string& name) {
  unloadFailures_.insert(Fold(name));
}

bool FakePlatform::IsUserHiveLoaded(const std::string& name) {
  return loadedHives_.count(Fold(name)) > 0;
}

HiveLoad FakePlatform::LoadUserHive(const std::string& name, const std::string& file) {
  HiveLoad load;
  const auto refused = hiveRefusals_.find(Fold(file));
  if (refused != hiveRefusals_.end()) {
    load.reason = refused->second;
  } else if (!Find(file)) {
    load.reason = "The system cannot find the file specified. (error 2)";
  } else if (IsUserHiveLoaded(name)) {
    load.reason = "Cannot create a file when that file already exists. (error 183)";
  }
  journal_.Add("load hive " + name + " from " + file +
               (load.reason.empty() ? " -> ok" : " -> refused: " + load.reason));
  if (load.reason.empty()) {
    loadedHives_.insert(Fold(name));
    load.hive = std::make_unique<FakeLoadedHive>(*this, name);
  }
  return load;
}

}  // namespace dizi
