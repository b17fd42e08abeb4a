// What the "Restore from quarantine" window says: its rows, its questions and
// what it tells after each action.
#pragma once

#include <string>
#include <vector>

#include "quarantine/restore.h"

namespace dizi {

inline constexpr char kRestoreCaption[] = "Restore from quarantine";

// One row of the kept files: when it was kept (UTC), its size, its state and
// its original path, in columns of a fixed-width font, e.g.
// "2024-05-17 14:23:01 UTC      18,432 bytes  deleted             C:\WINDOWS\krt32.exe".
std::string ItemRow(const QuarantineItem& item);

// The original path as the window can show it: in the system's code page, or
// with a question mark for each character it lacks.
std::string ShownPath(const QuarantineItem& item);

// A row under the kept files for what the quarantine leaves untold (one of
// ContentsProblems), in brackets: nothing that can be restored or deleted.
std::string ProblemRow(const std::string& problem);

std::string ReplaceQuestion(const QuarantineItem& item);
std::string RestoreReport(const QuarantineItem& item, const RestoreOutcome& outcome);
std::string DeleteQuestion(const QuarantineItem& item);
std::string DeleteFailure(const QuarantineItem& item, const Outcome& outcome);
std::string ImportQuestion(const std::string& undoFile);
std::string ImportReport(const std::string& undoFile, const Outcome& outcome);

// The list's one row when the quarantine's folder cannot be used, saying why.
std::string UnusableQuarantineRow(const std::string& problem);
// What the window tells when folders of the quarantine's path failed their
// check and were set aside (one line each, places/data_tree.h).
std::string SetAsideReport(const std::vector<std::string>& lines);

}  // namespace dizi
