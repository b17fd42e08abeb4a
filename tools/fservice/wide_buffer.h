// A growing piece of wide text on the C heap, always followed by a null so
// that it can be handed to Windows as it is.
#pragma once

#include <cstddef>
#include <string_view>

#include "fservice/heap_array.h"
#include "fservice/wide_text.h"

namespace dizi::tools {

class WideBuffer {
 public:
  WideBuffer() = default;
  WideBuffer(WideBuffer&&) = default;
  WideBuffer& operator=(WideBuffer&&) = default;

  // Each Append adds to the end. When the heap cannot give the room, the
  // buffer is marked failed and keeps ignoring text until Clear: callers
  // check Failed once after a series of appends.
  WideBuffer& Append(WideView text);
  WideBuffer& Append(WideChar c) { return Append(WideView(&c, 1)); }
  // ASCII text, one wide character per byte.
  WideBuffer& AppendAscii(std::string_view text);

  // Room for `count` more characters at the end, to be filled by the caller
  // and counted with Keep; null when the heap cannot give it.
  WideChar* Extend(std::size_t count);
  // After Extend: keeps the first `count` of the characters made room for.
  void Keep(std::size_t count);

  // Drops everything from `length` on (at most Length()).
  void Truncate(std::size_t length);
  void Clear();

  bool Failed() const { return failed_; }
  std::size_t Length() const { return length_; }
  WideView View() const { return {data_ ? data_.get() : &kEmpty, length_}; }
  // The text with its null.
  const WideChar* Terminated() const { return data_ ? data_.get() : &kEmpty; }

 private:
  static constexpr WideChar kEmpty = 0;

  bool Reserve(std::size_t length);

  HeapArray<WideChar> data_;
  std::size_t length_ = 0;
  std::size_t capacity_ = 0;  // characters, the null's place not counted
  std::size_t extended_ = 0;  // room given by Extend, not yet kept
  bool failed_ = false;
};

}  // namespace dizi::tools
