#include "fleet/silent_restore.h"

#include "platform/platform.h"
#include "quarantine/folder.h"
#include "quarantine/restore.h"
#include "report/exit_code.h"

namespace dizi {

namespace {

constexpr std::size_t kReadPiece = 64 * 1024;

// The SHA-256 of the file at `path` in hex; empty when it cannot be read.
std::string DigestOfFile(Platform& platform, const std::string& path) {
  std::string reason;
  const std::unique_ptr<InputFile> file = platform.OpenToRead(path, reason);
  if (!file) {
    return {};
  }
  const std::unique_ptr<Sha256Stream> hash = platform.NewSha256();
  std::string bytes;
  for (;;) {
    if (!file->Read(kReadPiece, bytes, reason)) {
      return {};
    }
    if (bytes.empty()) {
      break;
    }
    hash->Add(bytes);
  }
  const std::optional<Sha256Digest> digest = hash->Finish();
  return digest ? HexDigest(*digest) : std::string();
}

// Restores one item; true when its original is in place afterwards.
bool RestoreOne(Platform& platform, const QuarantineItem& item, RestoreRun& run) {
  const std::string& id = item.record.id;
  const std::string where =
      item.path
          ? *item.path
          : platform.Utf8ToAnsi(item.record.path).value_or("(a path this system cannot name)");
  const RestoreOutcome outcome = RestoreItem(platform, item, ExistingFile::Keep);
  switch (outcome.status) {
    case RestoreStatus::Restored:
      run.lines.push_back("restored " + id + ": " + where);
      return true;
    case RestoreStatus::TargetExists:
      if (!item.record.sha256.empty() && DigestOfFile(platform, where) == item.record.sha256) {
        run.lines.push_back("already in place " + id + ": " + where);
        return true;
      }
      run.lines.push_back("not restored " + id + ": another file is at " + where +
                          " (it was left as it is)");
      return false;
    case RestoreStatus::Failed:
      break;
  }
  run.lines.push_back("not restored " + id + ": " + outcome.reason);
  return false;
}

}  // namespace

RestoreRun RestoreSilently(Platform& platform, const std::optional<std::string>& id) {
  RestoreRun run;
  if (!platform.HasAdministratorRights()) {
    run.exitCode = ExitCodeOf(Verdict::CannotRun);
    run.lines.push_back(
        "nothing restored: restoring needs administrator rights (elevated) or SYSTEM");
    return run;
  }
  {
    // Checked (and, where it failed its check, set aside) before anything in
    // it is read: what was set aside is said, and a quarantine that cannot be
    // used restores nothing and says why.
    const CheckedFolder quarantine = OpenQuarantine(platform);
    for (const std::string& line : quarantine.SetAside()) {
      run.lines.push_back(line + ".");
    }
    if (!quarantine) {
      run.exitCode = kExitNotRestored;
      run.lines.push_back("nothing restored: the quarantine cannot be used: " +
                          quarantine.Problem());
      return run;
    }
  }
  bool everyOne = true;
  bool any = false;
  for (const QuarantineItem& item : QuarantineItems(platform)) {
    if (id && item.record.id != *id) {
      continue;
    }
    any = true;
    everyOne = RestoreOne(platform, item, run) && everyOne;
  }
  if (!any) {
    run.lines.push_back(id ? "the quarantine holds no item " + *id
                           : std::string("the quarantine holds nothing to restore"));
    run.exitCode = id ? kExitNoSuchItem : kExitRestored;
    return run;
  }
  run.exitCode = everyOne ? kExitRestored : kExitNotRestored;
  return run;
}

}  // namespace dizi
