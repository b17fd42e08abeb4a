// Captions as the user reads them.
#pragma once

#include <string>
#include <string_view>

namespace e2e {

// The caption without its access-key marks: "&&" shows as "&", and a single
// "&" only underlines the next letter.
inline std::string ShownCaption(std::string_view caption) {
  std::string shown;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) {
      ++i;
    }
    shown += caption[i];
  }
  return shown;
}

}  // namespace e2e
