#include "quarantine/restore.h"

#include <algorithm>

#include "places/outside_tools.h"
#include "quarantine/folder.h"
#include "quarantine/item_format.h"
#include "quarantine/masked_copy.h"
#include "quarantine/undo_hives.h"

namespace dizi {

namespace {

constexpr unsigned kImportWaitMs = 60000;
// An undo file is a few kilobytes; one past this is no undo file of the
// repair program's.
constexpr std::size_t kLargestUndoFile = 16 * 1024 * 1024;
constexpr std::string_view kUndoPrefix = "registry-undo-";
constexpr std::string_view kUndoSuffix = ".reg";
constexpr std::string_view k64BitViewSuffix = "-64-bit-view.reg";
constexpr std::size_t kReadPiece = 64 * 1024;

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool Digits(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Parent(const std::string& path) {
  const std::size_t slash = path.rfind('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

RestoreOutcome Failed(std::string reason) {
  RestoreOutcome outcome;
  outcome.reason = std::move(reason);
  return outcome;
}

RestoreOutcome WithStatus(RestoreStatus status, std::string reason = {}) {
  RestoreOutcome outcome;
  outcome.status = status;
  outcome.reason = std::move(reason);
  return outcome;
}

// Reads exactly `size` bytes, fewer only at the end of the file.
bool ReadExactly(InputFile& input, std::size_t size, std::string& bytes, std::string& reason) {
  bytes.clear();
  std::string piece;
  while (bytes.size() < size) {
    if (!input.Read(size - bytes.size(), piece, reason)) {
      return false;
    }
    if (piece.empty()) {
      break;
    }
    bytes += piece;
  }
  return true;
}

struct Written {
  bool ok = false;
  bool verified = false;
  std::string reason;
};

// The item's original bytes into `output`, checked against the record; the
// copy stops at the first byte beyond the recorded size.
Written WriteOriginal(Platform& platform, InputFile& item, OutputFile& output,
                      const ManifestItem& record) {
  Written written;
  std::string bytes;
  if (!ReadExactly(item, kItemHeader.size(), bytes, written.reason)) {
    written.reason = "the kept file cannot be read: " + written.reason;
    return written;
  }
  if (bytes != kItemHeader) {
    written.reason = "the kept file is not an item this program can read";
    return written;
  }
  const MaskedCopy copied =
      CopyThroughMask(platform, item, output, MaskDirection::ToOriginal, record.size);
  if (copied.tooLong) {
    written.reason = "the kept file is damaged: it holds more than the original's " +
                     std::to_string(record.size) + " bytes";
    return written;
  }
  if (!copied.ok) {
    written.reason = copied.reason;
    return written;
  }
  if (copied.size != record.size) {
    written.reason = "the kept file is damaged: it holds " + std::to_string(copied.size) +
                     " of the original's " + std::to_string(record.size) + " bytes";
    return written;
  }
  const bool recorded = !record.sha256.empty();
  if (recorded && !copied.digest) {
    written.reason = "its SHA-256 could not be computed to check it";
    return written;
  }
  if (recorded && HexDigest(*copied.digest) != record.sha256) {
    written.reason = "the kept file is damaged: its content differs from the original's";
    return written;
  }
  written.ok = true;
  written.verified = recorded;
  return written;
}

// Whether the file at `path` has the original's very bytes: its recorded
// size and SHA-256. Empty when it has; otherwise `differs`, or why it cannot
// be compared.
std::string CompareWithOriginal(Platform& platform, const std::string& path,
                                const ManifestItem& record, bool& differs) {
  differs = false;
  if (record.sha256.empty()) {
    return "no SHA-256 was recorded to compare it with";
  }
  std::string reason;
  const std::unique_ptr<InputFile> file = platform.OpenToRead(path, reason);
  if (!file) {
    return "it cannot be read: " + reason;
  }
  const std::unique_ptr<Sha256Stream> hash = platform.NewSha256();
  std::uint64_t size = 0;
  std::string bytes;
  for (;;) {
    if (!file->Read(kReadPiece, bytes, reason)) {
      return "it cannot be read: " + reason;
    }
    if (bytes.empty()) {
      break;
    }
    size += bytes.size();
    if (size > record.size) {
      differs = true;
      return {};
    }
    hash->Add(bytes);
  }
  if (size != record.size) {
    differs = true;
    return {};
  }
  const std::optional<Sha256Digest> digest = hash->Finish();
  if (!digest) {
    return "its SHA-256 could not be computed";
  }
  differs = HexDigest(*digest) != record.sha256;
  return {};
}

// Withdraws the pending deletion of a path that now holds the original.
RestoreOutcome KeptForGood(Platform& platform, const std::string& path, RestoreOutcome done) {
  const Outcome cancelled = platform.CancelDeleteAtRestart(path);
  if (!cancelled) {
    return Failed(
        "it is at its path, but Windows may delete it again at the next restart: its deletion "
        "then could not be withdrawn: " +
        cancelled.reason);
  }
  return done;
}

RestoreOutcome Restore(Platform& platform, const std::string& folder, const QuarantineItem& item,
                       ExistingFile existing) {
  if (!item.path) {
    return Failed("its path has characters this system's code page lacks");
  }
  const std::string& path = *item.path;
  std::string reason;
  const std::unique_ptr<InputFile> input =
      platform.OpenToRead(ItemPath(folder, item.record.id), reason);
  if (!input) {
    return Failed("the kept file cannot be read: " + reason);
  }
  const bool replace = platform.FileExists(path);
  if (replace && existing == ExistingFile::Keep) {
    bool differs = false;
    std::string uncompared = CompareWithOriginal(platform, path, item.record, differs);
    if (!uncompared.empty() || differs) {
      return WithStatus(RestoreStatus::TargetExists, std::move(uncompared));
    }
    return KeptForGood(platform, path, WithStatus(RestoreStatus::InPlace));
  }
  // Written beside the path first, then moved there in one step.
  std::unique_ptr<OutputFile> output = platform.CreateTemporaryFile(Parent(path));
  if (!output) {
    return Failed("no new file can be made in " + Parent(path));
  }
  const Written written = WriteOriginal(platform, *input, *output, item.record);
  const std::string writtenPath = output->Path();
  output.reset();
  if (!written.ok) {
    platform.Delete(writtenPath);
    return Failed(written.reason);
  }
  if (replace) {
    if (!platform.MoveOver(writtenPath, path)) {
      platform.Delete(writtenPath);
      return Failed("the file at that path cannot be replaced");
    }
  } else {
    bool appeared = false;
    const Outcome moved = platform.MoveNew(writtenPath, path, appeared);
    if (!moved) {
      platform.Delete(writtenPath);
      if (appeared && existing == ExistingFile::Keep) {
        return WithStatus(RestoreStatus::TargetExists);
      }
      // Nobody was asked about a file that came meanwhile: it stays.
      return Failed(appeared ? "a file appeared at that path meanwhile; it was left as it is"
                             : moved.reason);
    }
  }
  RestoreOutcome outcome = WithStatus(RestoreStatus::Restored);
  outcome.verified = written.verified;
  outcome.replaced = replace;
  return KeptForGood(platform, path, outcome);
}

// The item files of the folder that no item names.
std::vector<std::string> StrayItemFiles(Platform& platform, const std::string& folder,
                                        const std::vector<QuarantineItem>& items) {
  std::vector<std::string> stray;
  for (std::string& name : platform.ListFiles(folder)) {
    const std::string_view extension(kItemExtension);
    if (name.size() <= extension.size() || !EndsWith(name, extension)) {
      continue;
    }
    const std::string id = name.substr(0, name.size() - extension.size());
    if (std::none_of(items.begin(), items.end(),
                     [&](const QuarantineItem& item) { return item.record.id == id; })) {
      stray.push_back(std::move(name));
    }
  }
  std::sort(stray.begin(), stray.end());
  return stray;
}

// "registry-undo-yyyymmdd-hhmmss[-NN][-64-bit-view].reg", as the repair
// program names them.
bool IsUndoFileName(std::string_view name) {
  if (name.substr(0, kUndoPrefix.size()) != kUndoPrefix || !EndsWith(name, kUndoSuffix)) {
    return false;
  }
  std::string_view stamp =
      name.substr(kUndoPrefix.size(), name.size() - kUndoPrefix.size() - kUndoSuffix.size());
  const std::string_view view = "-64-bit-view";
  if (EndsWith(stamp, view)) {
    stamp.remove_suffix(view.size());
  }
  const bool time = stamp.size() >= 15 && Digits(stamp.substr(0, 8)) && stamp[8] == '-' &&
                    Digits(stamp.substr(9, 6));
  const std::string_view number = stamp.substr(std::min<std::size_t>(stamp.size(), 15));
  return time &&
         (number.empty() || (number.size() == 3 && number[0] == '-' && Digits(number.substr(1))));
}

bool IsUndoFile(Platform& platform, const std::string& folder, const std::string& name) {
  const std::string header = UndoFileHeader();
  return IsUndoFileName(name) &&
         platform.ReadFileStart(folder + "\\" + name, header.size()) == header;
}

}  // namespace

QuarantineContents ReadQuarantine(Platform& platform) {
  QuarantineContents contents;
  const CheckedFolder quarantine = OpenQuarantine(platform);
  if (!quarantine) {
    contents.manifestProblem = quarantine.Problem();
    return contents;
  }
  const std::string& folder = quarantine.Path();
  const ManifestText manifest = ReadManifest(platform, folder);
  contents.manifestProblem = manifest.problem;
  ManifestContents parsed = ParseManifest(manifest.text);
  for (ManifestItem& record : parsed.items) {
    std::optional<std::string> path = platform.Utf8ToAnsi(record.path);
    contents.items.push_back({std::move(record), std::move(path)});
  }
  contents.damaged = std::move(parsed.damaged);
  contents.moreDamaged = parsed.moreDamaged;
  // With no manifest that can be read, or one with damaged lines, what the
  // folder holds may be all there is to tell.
  if (manifest.text.empty() || contents.Incomplete()) {
    contents.strayItemFiles = StrayItemFiles(platform, folder, contents.items);
  }
  return contents;
}

std::vector<std::string> ContentsProblems(const QuarantineContents& contents) {
  std::vector<std::string> problems;
  if (!contents.manifestProblem.empty()) {
    problems.push_back("the quarantine's manifest could not be read: " + contents.manifestProblem);
  }
  for (const DamagedLine& line : contents.damaged) {
    problems.push_back("line " + std::to_string(line.number) +
                       " of the quarantine's manifest is damaged" +
                       (line.id.empty() ? std::string() : " (item " + line.id + ")") +
                       ", nothing is done with it: " + line.reason);
  }
  if (contents.moreDamaged > 0) {
    problems.push_back(std::to_string(contents.moreDamaged) +
                       (contents.moreDamaged == 1
                            ? " more line of the quarantine's manifest is damaged"
                            : " more lines of the quarantine's manifest are damaged"));
  }
  for (const std::string& name : contents.strayItemFiles) {
    problems.push_back("the quarantine holds the item file " + name +
                       ", which no line of its manifest describes");
  }
  return problems;
}

std::vector<QuarantineItem> QuarantineItems(Platform& platform) {
  return ReadQuarantine(platform).items;
}

RestoreOutcome RestoreItem(Platform& platform, const QuarantineItem& item, ExistingFile existing) {
  const CheckedFolder quarantine = OpenQuarantine(platform);
  if (!quarantine) {
    return Failed(quarantine.Problem());
  }
  const std::string& folder = quarantine.Path();
  const RestoreOutcome outcome = Restore(platform, folder, item, existing);
  const std::string& id = item.record.id;
  const std::string& path = item.record.path;
  const UtcTime now = UtcOf(platform.Now());
  switch (outcome.status) {
    case RestoreStatus::Restored:
      AppendEvent(platform, folder,
                  RestoredEvent(now, id, path, outcome.replaced, outcome.verified));
      break;
    case RestoreStatus::InPlace:
      AppendEvent(platform, folder, InPlaceEvent(now, id, path));
      break;
    case RestoreStatus::Failed:
      AppendEvent(platform, folder, RestoreFailedEvent(now, id, path, outcome.reason));
      break;
    case RestoreStatus::TargetExists:
      break;  // nothing was done
  }
  return outcome;
}

RestoreOutcome RestoreItemById(Platform& platform, const std::string& id, ExistingFile existing) {
  const QuarantineContents contents = ReadQuarantine(platform);
  for (const QuarantineItem& item : contents.items) {
    if (item.record.id == id) {
      return RestoreItem(platform, item, existing);
    }
  }
  for (const DamagedLine& line : contents.damaged) {
    if (line.id == id) {
      return Failed("line " + std::to_string(line.number) +
                    " of the quarantine's manifest, which names it, is damaged: " + line.reason);
    }
  }
  if (!contents.manifestProblem.empty()) {
    return Failed("the quarantine's manifest cannot be read: " + contents.manifestProblem);
  }
  return Failed("the quarantine holds no item " + id);
}

std::vector<ItemRestore> RestoreAllItems(Platform& platform, ExistingFile existing) {
  std::vector<ItemRestore> restored;
  for (const QuarantineItem& item : QuarantineItems(platform)) {
    restored.push_back({item.record.id, RestoreItem(platform, item, existing)});
  }
  return restored;
}

Outcome DeleteItem(Platform& platform, const QuarantineItem& item) {
  Outcome outcome;
  const CheckedFolder quarantine = OpenQuarantine(platform);
  if (!quarantine) {
    outcome.reason = quarantine.Problem();
    return outcome;
  }
  const std::string& folder = quarantine.Path();
  const std::string file = ItemPath(folder, item.record.id);
  outcome.ok = platform.Delete(file) || !platform.FileExists(file);
  if (outcome.ok) {
    AppendEvent(platform, folder, DeletedEvent(UtcOf(platform.Now()), item.record.id));
  } else {
    outcome.reason = "the kept file " + file + " cannot be deleted";
    AppendEvent(platform, folder,
                DeleteFailedEvent(UtcOf(platform.Now()), item.record.id, outcome.reason));
  }
  return outcome;
}

std::string UndoFileHeader() {
  std::string header = "\xFF\xFE";
  for (const char c : std::string_view("Windows Registry Editor Version 5.00\r\n\r\n")) {
    header += c;
    header += '\0';
  }
  return header;
}

std::vector<std::string> UndoFiles(Platform& platform) {
  std::vector<std::string> names;
  const CheckedFolder quarantine = OpenQuarantine(platform);
  if (!quarantine) {
    return names;
  }
  const std::string& folder = quarantine.Path();
  for (std::string& name : platform.ListFiles(folder)) {
    if (IsUndoFile(platform, folder, name)) {
      names.push_back(std::move(name));
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

Command ImportUndoCommand(const SystemPaths& paths, const std::string& folder,
                          const std::string& name) {
  return ImportRegistryFileCommand(paths, folder + "\\" + name, EndsWith(name, k64BitViewSuffix));
}

namespace {

// The whole file, up to `most` bytes; false, with why, when it cannot be read
// or is larger.
bool ReadWhole(Platform& platform, const std::string& path, std::size_t most, std::string& bytes,
               std::string& reason) {
  const std::unique_ptr<InputFile> input = platform.OpenToRead(path, reason);
  if (!input) {
    return false;
  }
  std::string piece;
  do {
    if (!input->Read(64 * 1024, piece, reason)) {
      return false;
    }
    bytes += piece;
    if (bytes.size() > most) {
      reason = "it is larger than any undo file of the repair program";
      return false;
    }
  } while (!piece.empty());
  return true;
}

// Loads each hive the file needs that is not loaded (its user is not signed
// in) into `loaded`; the reason when one cannot be.
using LoadedHives = std::vector<std::pair<std::string, std::unique_ptr<LoadedHive>>>;

std::string LoadHives(Platform& platform, const std::vector<HiveToLoad>& hives,
                      LoadedHives& loaded) {
  for (const HiveToLoad& hive : hives) {
    if (platform.IsUserHiveLoaded(hive.sid)) {
      continue;
    }
    const std::optional<std::string> file = platform.Utf8ToAnsi(hive.file);
    if (!file) {
      return "the registry hive of user " + hive.sid +
             " cannot be loaded: its path has characters this system's code page lacks";
    }
    HiveLoad load = platform.LoadUserHive(hive.sid, *file);
    if (!load.hive) {
      return "the registry hive of user " + hive.sid + " could not be loaded from " + *file + ": " +
             load.reason;
    }
    loaded.emplace_back(hive.sid, std::move(load.hive));
  }
  return {};
}

}  // namespace

Outcome ImportUndoFile(Platform& platform, const SystemPaths& paths, const std::string& name) {
  Outcome outcome;
  const CheckedFolder quarantine = OpenQuarantine(platform);
  if (!quarantine) {
    outcome.reason = quarantine.Problem();
    return outcome;
  }
  const std::string& folder = quarantine.Path();
  const std::string path = folder + "\\" + name;
  std::string bytes;
  std::string reason;
  HivesToLoad hives;
  if (!ReadWhole(platform, path, kLargestUndoFile, bytes, reason)) {
    outcome.reason = "the file cannot be read: " + reason;
  } else if (!IsUndoFile(platform, folder, name)) {
    // Looked at again: the file may have changed since it was listed.
    outcome.reason = "it is not an undo file of the repair program";
  } else if (hives = ReadHivesToLoad(bytes); !hives.damaged.empty()) {
    outcome.reason = "the file is damaged: " + hives.damaged;
  } else {
    // The hives of users who are not signed in are loaded for the import
    // alone, and unloaded again whatever becomes of it.
    LoadedHives loaded;
    outcome.reason = LoadHives(platform, hives.hives, loaded);
    if (outcome.reason.empty()) {
      const CommandRun run = platform.RunHiddenForOutput(ImportUndoCommand(paths, folder, name),
                                                         kImportWaitMs, AtTimeLimit::End);
      if (run.result != RunResult::Finished) {
        outcome.reason = "the registry tool could not be run, or did not finish within a minute";
      } else if (run.exitCode != 0) {
        outcome.reason =
            "the registry tool reported a failure (exit code " + std::to_string(run.exitCode) + ")";
      }
    }
    for (const auto& [sid, hive] : loaded) {
      const Outcome unloaded = hive->Unload();
      if (!unloaded && outcome.reason.empty()) {
        outcome.reason = "its values were written, but the registry hive of user " + sid +
                         " could not be unloaded again (restart the computer before that user "
                         "signs in): " +
                         unloaded.reason;
      }
    }
  }
  outcome.ok = outcome.reason.empty();
  const std::string file = platform.AnsiToUtf8(path);
  AppendEvent(platform, folder,
              outcome.ok ? ImportedEvent(UtcOf(platform.Now()), file)
                         : ImportFailedEvent(UtcOf(platform.Now()), file, outcome.reason));
  return outcome;
}

}  // namespace dizi
