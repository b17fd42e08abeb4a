#include "fservice/wide_buffer.h"

#include <stdlib.h>
#include <string.h>

#include <functional>

namespace dizi::tools {

bool WideBuffer::Reserve(std::size_t length) {
  if (failed_) {
    return false;
  }
  if (data_ && length <= capacity_) {
    return true;
  }
  std::size_t capacity = capacity_ < 32 ? 32 : capacity_;
  while (capacity < length) {
    capacity = capacity > static_cast<std::size_t>(-1) / 4 ? length : capacity * 2;
  }
  if (capacity + 1 > static_cast<std::size_t>(-1) / sizeof(WideChar)) {
    failed_ = true;
    return false;
  }
  void* grown = realloc(data_.get(), (capacity + 1) * sizeof(WideChar));
  if (grown == nullptr) {
    failed_ = true;
    return false;
  }
  data_.release();
  data_.reset(static_cast<WideChar*>(grown));
  capacity_ = capacity;
  return true;
}

WideBuffer& WideBuffer::Append(WideView text) {
  // The text may be a part of this buffer, which Extend may move.
  const WideChar* const old_data = data_.get();
  const std::less<const WideChar*> before;
  const bool inside = old_data != nullptr && !before(text.data(), old_data) &&
                      before(text.data(), old_data + length_ + 1);
  const std::size_t offset = inside ? static_cast<std::size_t>(text.data() - old_data) : 0;
  WideChar* room = Extend(text.size());
  if (room != nullptr) {
    if (!text.empty()) {
      const WideChar* from = inside ? data_.get() + offset : text.data();
      memmove(room, from, text.size() * sizeof(WideChar));
    }
    Keep(text.size());
  }
  return *this;
}

WideBuffer& WideBuffer::AppendAscii(std::string_view text) {
  WideChar* room = Extend(text.size());
  if (room != nullptr) {
    for (std::size_t i = 0; i < text.size(); ++i) {
      room[i] = static_cast<WideChar>(static_cast<unsigned char>(text[i]));
    }
    Keep(text.size());
  }
  return *this;
}

WideChar* WideBuffer::Extend(std::size_t count) {
  extended_ = 0;
  if (count > static_cast<std::size_t>(-1) / 2 - length_ || !Reserve(length_ + count)) {
    failed_ = true;
    return nullptr;
  }
  extended_ = count;
  return data_.get() + length_;
}

void WideBuffer::Keep(std::size_t count) {
  length_ += count < extended_ ? count : extended_;
  extended_ = 0;
  data_[length_] = 0;
}

void WideBuffer::Truncate(std::size_t length) {
  if (length < length_) {
    length_ = length;
    data_[length_] = 0;
  }
}

void WideBuffer::Clear() {
  Truncate(0);
  failed_ = false;
}

}  // namespace dizi::tools
