// Blocks on the C heap, freed once. The companion programs keep clear of
// operator new, whose failure path would pull the C++ exception machinery into
// otherwise tiny programs.
#pragma once

#include <stdlib.h>

#include <cstddef>
#include <memory>

namespace dizi::tools {

struct FreeDeleter {
  void operator()(void* block) const { free(block); }
};

template <typename T>
using HeapArray = std::unique_ptr<T[], FreeDeleter>;

// Room for `count` elements (at least one), or null when the heap is exhausted.
template <typename T>
HeapArray<T> AllocateArray(std::size_t count) {
  if (count > static_cast<std::size_t>(-1) / sizeof(T)) {
    return nullptr;
  }
  return HeapArray<T>(static_cast<T*>(malloc(count == 0 ? sizeof(T) : count * sizeof(T))));
}

}  // namespace dizi::tools
