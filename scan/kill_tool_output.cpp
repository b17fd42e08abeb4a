#include "scan/kill_tool_output.h"

#include <algorithm>

namespace dizi {

namespace {

constexpr unsigned long long kLargestId = 0xFFFFFFFFull;

// The id of one line (without its line end); zero when it is not a
// well-formed "not ended" line.
unsigned long IdOf(std::string_view line) {
  const std::string_view prefix = kNotEndedLinePrefix;
  if (line.substr(0, prefix.size()) != prefix || line.size() == prefix.size()) {
    return 0;
  }
  unsigned long long id = 0;
  for (const char c : line.substr(prefix.size())) {
    if (c < '0' || c > '9') {
      return 0;
    }
    id = id * 10 + static_cast<unsigned>(c - '0');
    if (id > kLargestId) {
      return 0;
    }
  }
  return static_cast<unsigned long>(id);
}

}  // namespace

std::vector<unsigned long> NotEndedProcesses(std::string_view output) {
  std::vector<unsigned long> ids;
  for (std::size_t end = output.find('\n'); end != std::string_view::npos;
       end = output.find('\n')) {
    std::string_view line = output.substr(0, end);
    output.remove_prefix(end + 1);
    if (!line.empty() && line.back() == '\r') {
      line.remove_suffix(1);
    }
    const unsigned long id = IdOf(line);
    if (id != 0 && std::find(ids.begin(), ids.end(), id) == ids.end()) {
      ids.push_back(id);
    }
  }
  return ids;
}

}  // namespace dizi
