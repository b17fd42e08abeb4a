// How big a picture is drawn in a box it must fit, keeping its proportions.
#pragma once

#include "app/layout.h"

namespace dizi {

// The largest size with the picture's proportions that fits in the box, each
// side rounded to the nearest pixel and at least 1. Empty when the picture or
// the box is empty.
Size FitProportionally(Size picture, Size box);

}  // namespace dizi
