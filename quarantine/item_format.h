// How a kept file is stored in the quarantine: a small header, then the
// original's bytes masked, so that nothing can run the item by accident and a
// virus scanner finds none of the original's patterns in it. The mask is its
// own inverse: applying it again gives the original back, byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace dizi {

// "DZTQUAR", an end-of-file mark (0x1A: the console's type command stops
// there), the format's version 1 as 4 bytes little-endian, 4 zero bytes.
inline constexpr std::string_view kItemHeader{"DZTQUAR\x1a\x01\x00\x00\x00\x00\x00\x00\x00", 16};

// The item files' extension, which Windows runs nothing by.
inline constexpr char kItemExtension[] = ".dzq";

// The mask over a stream of bytes given in any number of pieces: byte i of
// the stream is combined with byte i of a fixed pseudo-random sequence
// (xorshift32 from a fixed seed, each state's 4 bytes little-endian).
class ByteMask {
 public:
  void Apply(std::string& bytes);

 private:
  std::uint32_t state_ = 0x2545F491;
  std::uint32_t word_ = 0;
  unsigned left_ = 0;  // bytes of word_ not used yet
};

}  // namespace dizi
