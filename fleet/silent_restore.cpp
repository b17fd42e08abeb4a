#include "fleet/silent_restore.h"

#include "platform/platform.h"
#include "quarantine/folder.h"
#include "quarantine/restore.h"
#include "report/exit_code.h"

namespace dizi {

namespace {

// Restores one item; true when its original is in place for good afterwards.
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
    case RestoreStatus::InPlace:
      run.lines.push_back("already in place " + id + ": " + where);
      return true;
    case RestoreStatus::TargetExists:
      run.lines.push_back("not restored " + id + ": another file is at " + where +
                          (outcome.reason.empty()
                               ? std::string()
                               : ", which cannot be compared with it: " + outcome.reason) +
                          " (it was left as it is)");
      return false;
    case RestoreStatus::Failed:
      break;
  }
  run.lines.push_back("not restored " + id + ": " + outcome.reason);
  return false;
}

// Whether what the quarantine leaves untold may concern the item `id`: a
// damaged line naming it (or more damaged lines than are told), a manifest
// that could not be read, or its item file with no line describing it.
bool MayConcern(const QuarantineContents& contents, const std::string& id) {
  for (const DamagedLine& line : contents.damaged) {
    if (line.id == id) {
      return true;
    }
  }
  for (const std::string& name : contents.strayItemFiles) {
    if (name.compare(0, id.size(), id) == 0 && name.size() > id.size() && name[id.size()] == '.') {
      return true;
    }
  }
  return !contents.manifestProblem.empty() || contents.moreDamaged > 0;
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
  const QuarantineContents contents = ReadQuarantine(platform);
  bool everyOne = true;
  bool any = false;
  for (const QuarantineItem& item : contents.items) {
    if (id && item.record.id != *id) {
      continue;
    }
    any = true;
    everyOne = RestoreOne(platform, item, run) && everyOne;
  }
  // Asked for every item, each problem is about some of them; asked for one
  // that is not among the items, the problems may be about it.
  const bool concerned = contents.Incomplete() && (!id || (!any && MayConcern(contents, *id)));
  if (concerned) {
    for (std::string& problem : ContentsProblems(contents)) {
      run.lines.push_back(std::move(problem));
    }
    run.exitCode = kExitNotRestored;
    return run;
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
