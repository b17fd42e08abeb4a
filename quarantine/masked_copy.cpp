#include "quarantine/masked_copy.h"

#include "quarantine/item_format.h"

namespace dizi {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
}  // namespace

MaskedCopy CopyThroughMask(Platform& platform, InputFile& input, OutputFile& output,
                           MaskDirection direction, std::uint64_t most) {
  MaskedCopy copied;
  const std::unique_ptr<Sha256Stream> hash = platform.NewSha256();
  ByteMask mask;
  std::string chunk;
  for (;;) {
    // Near the end of what may come, a byte more than that is asked for:
    // enough to see that there is more.
    const std::uint64_t room = most - copied.size;
    const std::size_t wanted = room < kChunk ? static_cast<std::size_t>(room) + 1 : kChunk;
    if (!input.Read(wanted, chunk, copied.reason)) {
      return copied;
    }
    if (chunk.empty()) {
      break;
    }
    if (chunk.size() > room) {
      copied.tooLong = true;
      copied.reason = "it holds more than " + std::to_string(most) + " bytes";
      return copied;
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
