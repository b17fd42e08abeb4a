// Where Tab and Shift+Tab move the focus. The window's tab order is not its
// stacking order, so the order is kept as a list of its own.
#pragma once

#include <cstddef>
#include <optional>
#include <span>

namespace dizi {

// The control after `current` in `order` (before it when going backwards),
// wrapping around and skipping every control `canFocus` refuses. When
// `current` is not in the order, the search starts before the first control
// (after the last when going backwards). `current` itself is the answer when
// it is the only control that can take the focus; nothing when none can.
template <typename Control, typename CanFocus>
std::optional<Control> NextInTabOrder(std::span<const Control> order, const Control& current,
                                      bool backwards, CanFocus canFocus) {
  const std::size_t count = order.size();
  std::size_t position = backwards ? 0 : count - 1;  // just before the first step
  for (std::size_t i = 0; i < count; ++i) {
    if (order[i] == current) {
      position = i;
      break;
    }
  }
  for (std::size_t step = 1; step <= count; ++step) {
    const std::size_t index =
        backwards ? (position + count - step % count) % count : (position + step) % count;
    if (canFocus(order[index])) {
      return order[index];
    }
  }
  return std::nullopt;
}

}  // namespace dizi
