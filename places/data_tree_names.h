// The names of the program's own folders below Windows' common application
// data folder: the one place DiziTarvix.exe and its repair program both take
// them from.
#pragma once

namespace dizi {

// "<common application data>\DiziTarvix": the data root.
inline constexpr char kDataRootName[] = "DiziTarvix";
// Below it: the kept files, their manifest and the repair program's undo
// files; every run's report and log; the copies of the shipped programs a
// run starts.
inline constexpr char kQuarantineName[] = "Quarantine";
inline constexpr char kReportsName[] = "Reports";
inline constexpr char kProgramCopiesName[] = "Program";

}  // namespace dizi
