// Where the quarantine lies below Windows' common application data folder:
// the one place DiziTarvix.exe and its repair program both take it from.
#pragma once

namespace dizi {

inline constexpr char kQuarantineSubfolder[] = "\\DiziTarvix\\Quarantine";

}  // namespace dizi
