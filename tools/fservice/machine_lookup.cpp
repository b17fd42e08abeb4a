#include "fservice/machine_lookup.h"

#include "common/ascii_text.h"

namespace dizi::tools {

// Neither is pure virtual: that would bring the C++ runtime's handler for a
// call of a pure function along, and with it the exception machinery.
bool MachineLookup::AppendVariable(WideView, WideBuffer&) const {
  return false;
}

bool MachineLookup::AppendLongPath(WideView, WideBuffer&) const {
  return false;
}

bool AppendExpanded(WideView text, const MachineLookup& machine, WideBuffer& out) {
  constexpr WideChar kMark = '%';
  while (!text.empty()) {
    const std::size_t open = text.find(kMark);
    const std::size_t close = open == WideView::npos ? open : text.find(kMark, open + 1);
    if (close == WideView::npos) {
      out.Append(text);
      break;
    }
    out.Append(Head(text, open));
    const WideView name = Slice(text, open + 1, close - open - 1);
    if (!name.empty() && machine.AppendVariable(name, out)) {
      text.remove_prefix(close + 1);
    } else {
      // The closing mark may open the next variable.
      out.Append(Slice(text, open, close - open));
      text.remove_prefix(close);
    }
  }
  return !out.Failed();
}

}  // namespace dizi::tools
