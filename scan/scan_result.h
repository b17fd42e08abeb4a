// What a scan run did, as one record: the exit code of a silent run and its
// report are readings of it, as the log lines are, so none of them can say
// something else.
#pragma once

#include <string>
#include <vector>

#include "repair/repair_summary.h"

namespace dizi {

enum class TargetKind { Server, Downloader };

// What became of a file the scan found, as the log reports it.
enum class FileOutcome {
  Deleted,           // gone
  DeletedAtRestart,  // still there; Windows deletes it at the next restart
  DeleteByHand,      // still there, and nothing will delete it
  Found,             // left as it was: the scan only looked
};

struct FoundFile {
  std::string path;
  // Where the file really lies: on 64-bit Windows a file named in the system
  // folder is in the folder for 32-bit programs (Platform::RealPath).
  std::string realPath;
  TargetKind kind;
  FileOutcome outcome;
  // The quarantine item the file was kept as before its removal; empty when
  // it could not be kept, and then `quarantineFailure` says why.
  std::string quarantineId;
  // The file's SHA-256 in hex as it was kept; empty when not kept or not
  // computed.
  std::string sha256;
  std::string quarantineFailure;
  // Its deletion at the next restart was registered in this run (once, however
  // many passes find it).
  bool deleteAtRestartRegistered = false;
};

// How the run arranged to scan once more after the restart it asks for or
// needs (scan/follow_up.h).
enum class FollowUp {
  None,         // none was needed or wanted
  StartupTask,  // a start-up task of the system, before anyone signs in
  RunOnce,      // the user's RunOnce key, at the next sign-in
  Failed,       // needed, but it could not be arranged (the log says why)
};

// One step of the system tools fix-up and whether it did what it is for: it
// finished and succeeded.
struct RepairStep {
  const char* step;  // "task_manager", "registry_editor", "msconfig", "repair_program"
  bool ok;
};

struct ScanResult {
  // Every file found, once, in the order first found; a file found again by a
  // later pass carries the outcome of its last removal.
  std::vector<FoundFile> found;
  // The steps of the last fix-up the run made; empty when it made none.
  std::vector<RepairStep> repairs;
  // What the fix-ups' repair program did in each user's hive, over the whole
  // run (see MergeHiveRepairs).
  std::vector<UserHiveRepair> userHives;
  // Why the last fix-up did not finish (see FixUpOutcome::unfinished); empty
  // when it did, or made none.
  std::vector<std::string> repairUnfinished;
  // A server find asks for the forced restart: its command is started once
  // the run's log and reports are written, as the run's last act.
  bool restartWanted = false;
  // The restart was wanted, but its command could not be started.
  bool restartFailed = false;
  // What was arranged for after the restart.
  FollowUp followUp = FollowUp::None;
  // The log file was written.
  bool logSaved = false;

  // The restart was asked for: wanted, and nothing yet known to keep its
  // command from starting.
  bool RestartScheduled() const { return restartWanted && !restartFailed; }
  // Notes the outcome of a removal; returns the file's entry.
  FoundFile& Record(const std::string& path, TargetKind kind, FileOutcome outcome);
  // The entry of a file found earlier in the run; null when there is none.
  const FoundFile* Find(const std::string& path) const;
};

}  // namespace dizi
