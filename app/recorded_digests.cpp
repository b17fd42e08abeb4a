#include "app/recorded_digests.h"

// Written by the build from the files it recorded (cmake/record_digests.cmake);
// each program linked with it has its own.
#include "dizi_recorded_digests.h"

namespace dizi {

RecordedDigests ShippedDigests() {
  RecordedDigests recorded{Sha256Digest DIZI_KILL_TOOL_SHA256,
                           Sha256Digest DIZI_REPAIR_PROGRAM_SHA256, std::nullopt};
#ifdef DIZI_MSCONFIG_SHA256
  recorded.msconfig = Sha256Digest DIZI_MSCONFIG_SHA256;
#endif
  return recorded;
}

}  // namespace dizi
