#include "app/picture_fit.h"

#include <algorithm>

namespace dizi {

namespace {

// numerator / denominator, rounded half up; all values positive.
int Rounded(long long numerator, long long denominator) {
  return static_cast<int>((2 * numerator + denominator) / (2 * denominator));
}

}  // namespace

Size FitProportionally(Size picture, Size box) {
  if (picture.width <= 0 || picture.height <= 0 || box.width <= 0 || box.height <= 0) {
    return {};
  }
  // Compare box.width / picture.width with box.height / picture.height without
  // rounding: the smaller ratio decides, and its side fills the box exactly.
  const long long byWidth = static_cast<long long>(box.width) * picture.height;
  const long long byHeight = static_cast<long long>(box.height) * picture.width;
  if (byWidth <= byHeight) {
    return {box.width, std::max(1, Rounded(byWidth, picture.width))};
  }
  return {std::max(1, Rounded(byHeight, picture.height)), box.height};
}

}  // namespace dizi
