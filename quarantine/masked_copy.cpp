#include "quarantine/masked_copy.h"

#include "quarantine/item_format.h"

namespace dizi {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
}  // namespace

MaskedCopy CopyThroughMask(Platform& platform, InputFile& input, OutputFile& output,
                           MaskDirection direction) {
  MaskedCopy copied;
  const std::unique_ptr<Sha256Stream> hash = platform.NewSha256();
  ByteMask mask;
  std::string chunk;
  for (;;) {
    if (!input.Read(kChunk, chunk, copied.reason)) {
      return copied;
    }
    if (chunk.empty()) {
      break;
    }
    copied.size += chunk.size();
    // The hash always takes the original's bytes.
    if (direction == MaskDirection::ToItem) {
      hash->Add(chunk);
      mask.Apply(chunk);
    } else {
      mask.Apply(chunk);
      hash->Add(chunk);
    }
    if (!output.Write(chunk)) {
      copied.reason = output.FailureReason();
      return copied;
    }
  }
  if (!output.Close()) {
    copied.reason = output.FailureReason();
    return copied;
  }
  copied.digest = hash->Finish();
  copied.ok = true;
  return copied;
}

}  // namespace dizi
