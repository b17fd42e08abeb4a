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
};

struct FoundFile {
  std::string path;
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
  // The forced restart was asked for (its command started).
  bool restartRequested = false;
  // The log file was written.
  bool logSaved = false;

  // Notes the outcome of a removal; returns the file's entry.
  FoundFile& Record(const std::string& path, TargetKind kind, FileOutcome outcome);
  // The entry of a file found earlier in the run; null when there is none.
  const FoundFile* Find(const std::string& path) const;
};

}  // namespace dizi
