// A block of characters on the C heap, freed once. The companion programs keep
// clear of operator new, whose failure path would pull the C++ exception
// machinery into otherwise tiny programs.
#pragma once

#include <stdlib.h>

#include <memory>

namespace dizi::tools {

struct FreeDeleter {
  void operator()(char* block) const { free(block); }
};

using HeapChars = std::unique_ptr<char[], FreeDeleter>;

// `size` bytes, or null when the heap is exhausted.
inline HeapChars AllocateChars(std::size_t size) {
  return HeapChars(static_cast<char*>(malloc(size == 0 ? 1 : size)));
}

}  // namespace dizi::tools
