// Earlier versions of the program kept to one run at a time by the kernel
// object name "Global\DiziTarvix.Run", which any process can take first. The
// lock now lies in the data tree (places/run_lock.h); the old name, when some
// process holds it, is only mentioned in the log.
#pragma once

#include <string>
#include <vector>

namespace dizi {

inline constexpr char kOldLockIgnored[] =
    "  Another program holds Global\\DiziTarvix.Run, the name earlier versions of Diri Tarvix "
    "kept to one run at a time with; it was ignored.";

// The lock's notes for the log, and the line above when some process holds
// the old name.
std::vector<std::string> LockNotes(const std::vector<std::string>& notes);

}  // namespace dizi
