// Copying between an original and its quarantine item through the byte mask
// (item_format.h), hashing the original's bytes on the way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace dizi {

enum class MaskDirection {
  ToItem,      // the input is an original, the output its item (after the header)
  ToOriginal,  // the input is an item (past its header), the output the original
};

struct MaskedCopy {
  bool ok = false;
  std::uint64_t size = 0;              // bytes of the original copied
  std::optional<Sha256Digest> digest;  // of the original's bytes; nothing when hashing failed
  bool tooLong = false;                // the input held more than `most` bytes
  std::string reason;                  // when not ok: the system's words
};

// Copies the rest of `input` to `output`, each byte masked, and closes
// `output` once everything is written. An input of more than `most` bytes
// is not copied whole: the copy stops before the first byte beyond, and
// fails.
MaskedCopy CopyThroughMask(Platform& platform, InputFile& input, OutputFile& output,
                           MaskDirection direction, std::uint64_t most = UINT64_MAX);

}  // namespace dizi
