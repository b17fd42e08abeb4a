// The digests the build recorded of the files it put beside DiziTarvix.exe.
#pragma once

#include "places/companions.h"

namespace dizi {

// The SHA-256 of kill.exe and fservice.exe as linked with this program, and of
// the clean msconfig.exe when the package carries one.
RecordedDigests ShippedDigests();

}  // namespace dizi
