#include "quarantine/keep.h"

#include "quarantine/folder.h"
#include "quarantine/item_format.h"
#include "quarantine/manifest.h"
#include "quarantine/masked_copy.h"

namespace dizi {

namespace {

// Items kept within one second are told apart by a number; past this many
// something else is wrong.
constexpr int kMostItemsPerSecond = 999;

KeptFile NotKept(std::string reason) {
  KeptFile result;
  result.reason = std::move(reason);
  return result;
}

std::string Numbered(const std::string& stamp, int number) {
  std::string digits = std::to_string(number);
  if (digits.size() < 2) {
    digits.insert(0, 2 - digits.size(), '0');
  }
  return stamp + "-" + digits;
}

struct NewItem {
  std::string id;
  std::unique_ptr<OutputFile> file;
  std::string reason;
};

// A new item file named after the time: "20240517-142301-01.dzq", numbered
// on past items kept in the same second.
NewItem CreateItem(Platform& platform, const std::string& folder) {
  const std::string stamp = TimeStamp(UtcOf(platform.Now()));
  NewItem item;
  for (int number = 1; number <= kMostItemsPerSecond; ++number) {
    item.id = Numbered(stamp, number);
    bool exists = false;
    item.file = platform.CreateNewFile(ItemPath(folder, item.id), item.reason, exists);
    if (item.file || !exists) {
      break;
    }
  }
  return item;
}

// Keeps the file in the checked quarantine folder `folder`.
KeptFile KeepIn(Platform& platform, const std::string& folder, const std::string& path,
                std::string_view kind) {
  std::string reason;
  const std::unique_ptr<InputFile> input = platform.OpenToRead(path, reason);
  if (!input) {
    return NotKept(reason);
  }
  NewItem item = CreateItem(platform, folder);
  if (!item.file) {
    return NotKept(item.reason);
  }
  MaskedCopy copied;
  if (item.file->Write(kItemHeader)) {
    copied = CopyThroughMask(platform, *input, *item.file, MaskDirection::ToItem);
  } else {
    copied.reason = item.file->FailureReason();
  }
  // Closed (or given up) before a failed item is removed.
  item.file.reset();
  if (!copied.ok) {
    platform.Delete(ItemPath(folder, item.id));
    return NotKept(copied.reason);
  }
  const std::string sha256 = copied.digest ? HexDigest(*copied.digest) : std::string();
  const Outcome recorded =
      AppendEvent(platform, folder,
                  KeptEvent(UtcOf(platform.Now()), item.id, platform.AnsiToUtf8(path), copied.size,
                            sha256, kind));
  if (!recorded) {
    // An item the manifest does not know could never be restored.
    platform.Delete(ItemPath(folder, item.id));
    return NotKept("the manifest cannot be written: " + recorded.reason);
  }
  KeptFile kept;
  kept.kept = true;
  kept.id = std::move(item.id);
  kept.sha256 = sha256;
  return kept;
}

}  // namespace

KeptFile KeepFile(Platform& platform, const std::string& path, std::string_view kind) {
  const CheckedFolder quarantine = OpenQuarantine(platform);
  if (!quarantine) {
    KeptFile notKept = NotKept(quarantine.Problem());
    notKept.setAside = quarantine.SetAside();
    return notKept;
  }
  KeptFile kept = KeepIn(platform, quarantine.Path(), path, kind);
  kept.setAside = quarantine.SetAside();
  return kept;
}

void NoteOriginal(Platform& platform, const std::string& path, std::string_view kind,
                  const KeptFile& kept, std::string_view original) {
  const CheckedFolder quarantine = OpenQuarantine(platform);
  if (!quarantine) {
    return;
  }
  const std::string& folder = quarantine.Path();
  const std::string utf8 = platform.AnsiToUtf8(path);
  AppendEvent(platform, folder,
              kept.kept ? OriginalEvent(UtcOf(platform.Now()), kept.id, utf8, original)
                        : NotKeptEvent(UtcOf(platform.Now()), utf8, kind, kept.reason, original));
}

}  // namespace dizi
