#include "quarantine/item_format.h"

namespace dizi {

void ByteMask::Apply(std::string& bytes) {
  for (char& c : bytes) {
    if (left_ == 0) {
      state_ ^= state_ << 13;
      state_ ^= state_ >> 17;
      state_ ^= state_ << 5;
      word_ = state_;
      left_ = 4;
    }
    c = static_cast<char>(static_cast<unsigned char>(c) ^ (word_ & 0xFF));
    word_ >>= 8;
    --left_;
  }
}

}  // namespace dizi
