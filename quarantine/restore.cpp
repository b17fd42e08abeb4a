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

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
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

// The item's original bytes into `output`, checked against the record.
Written WriteOriginal(Platform& platform, InputFile& item, OutputFile& output,
                      const ManifestItem& record) {
  Written written;
  std::string bytes;
  if (!ReadExactly(item, kItemHeader.size(), bytes, written.reason)) {
    return written;
  }
  if (bytes != kItemHeader) {
    written.reason = "the kept file is not an item this program can read";
    return written;
  }
  const MaskedCopy copied = CopyThroughMask(platform, item, output, MaskDirection::ToOriginal);
  if (!copied.ok) {
    written.reason = copied.reason;
    return written;
  }
  const bool recorded = !record.sha256.empty() && copied.digest;
  if (copied.size != record.size || (recorded && HexDigest(*copied.digest) != record.sha256)) {
    written.reason = "the kept file is damaged: its content differs from the original's";
    return written;
  }
  written.ok = true;
  written.verified = recorded;
  return written;
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
  bool replace = platform.FileExists(path);
  std::unique_ptr<OutputFile> output;
  if (!replace) {
    // Created only where nothing is: a file that appeared meanwhile stays.
    output = platform.CreateNewFile(path, reason, replace);
    if (!output && !replace) {
      return Failed(reason);
    }
  }
  if (replace) {
    if (existing == ExistingFile::Keep) {
      RestoreOutcome outcome;
      outcome.status = RestoreStatus::TargetExists;
      return outcome;
    }
    // Written beside it first, then moved over it in one step.
    output = platform.CreateTemporaryFile(Parent(path));
    if (!output) {
      return Failed("no new file can be made in " + Parent(path));
    }
  }
  const Written written = WriteOriginal(platform, *input, *output, item.record);
  const std::string writtenPath = output->Path();
  output.reset();
  if (!written.ok) {
    platform.Delete(writtenPath);
    return Failed(written.reason);
  }
  if (replace && !platform.MoveOver(writtenPath, path)) {
    platform.Delete(writtenPath);
    return Failed("the file at that path cannot be replaced");
  }
  RestoreOutcome outcome;
  outcome.status = RestoreStatus::Restored;
  outcome.verified = written.verified;
  outcome.replaced = replace;
  return outcome;
}

}  // namespace

std::vector<QuarantineItem> QuarantineItems(Platform& platform) {
  std::vector<QuarantineItem> items;
  const CheckedFolder quarantine = OpenQuarantine(platform);
  if (!quarantine) {
    return items;
  }
  for (ManifestItem& record : ManifestItems(ReadManifest(platform, quarantine.Path()))) {
    std::optional<std::string> path = platform.Utf8ToAnsi(record.path);
    items.push_back({std::move(record), std::move(path)});
  }
  return items;
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
  if (outcome.status == RestoreStatus::Restored) {
    AppendEvent(platform, folder,
                RestoredEvent(UtcOf(platform.Now()), id, path, outcome.replaced, outcome.verified));
  } else if (outcome.status == RestoreStatus::Failed) {
    AppendEvent(platform, folder,
                RestoreFailedEvent(UtcOf(platform.Now()), id, path, outcome.reason));
  }
  return outcome;
}

RestoreOutcome RestoreItemById(Platform& platform, const std::string& id, ExistingFile existing) {
  for (const QuarantineItem& item : QuarantineItems(platform)) {
    if (item.record.id == id) {
      return RestoreItem(platform, item, existing);
    }
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

std::vector<std::string> UndoFiles(Platform& platform) {
  std::vector<std::string> names;
  const CheckedFolder quarantine = OpenQuarantine(platform);
  if (!quarantine) {
    return names;
  }
  for (std::string& name : platform.ListFiles(quarantine.Path())) {
    if (name.compare(0, kUndoPrefix.size(), kUndoPrefix) == 0 && EndsWith(name, kUndoSuffix)) {
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
