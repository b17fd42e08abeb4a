#include <gtest/gtest.h>

#include "app/picture_fit.h"

namespace dizi {
namespace {

::testing::AssertionResult Is(Size actual, int width, int height) {
  if (actual.width == width && actual.height == height) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << actual.width << " x " << actual.height << ", expected " << width << " x " << height;
}

TEST(PictureFitTest, TheAboutBackgroundShrinksToItsBoxKeepingItsProportions) {
  // 435 x 222 into 432 x 220: the height decides, the width follows.
  EXPECT_TRUE(Is(FitProportionally({435, 222}, {432, 220}), 431, 220));
  // At 144 DPI the box is 648 x 330 and the picture grows to fill it.
  EXPECT_TRUE(Is(FitProportionally({435, 222}, {648, 330}), 647, 330));
}

TEST(PictureFitTest, TheNarrowerRatioDecidesAndTheOtherSideIsRounded) {
  EXPECT_TRUE(Is(FitProportionally({800, 100}, {432, 220}), 432, 54));
  EXPECT_TRUE(Is(FitProportionally({100, 800}, {432, 220}), 28, 220));  // 27.5 rounds up
  EXPECT_TRUE(Is(FitProportionally({432, 220}, {432, 220}), 432, 220));
  EXPECT_TRUE(Is(FitProportionally({150, 40}, {300, 100}), 300, 80));
}

TEST(PictureFitTest, NoSideOfAVisiblePictureShrinksToNothing) {
  EXPECT_TRUE(Is(FitProportionally({10000, 1}, {100, 100}), 100, 1));
  EXPECT_TRUE(Is(FitProportionally({1, 10000}, {100, 100}), 1, 100));
}

TEST(PictureFitTest, AnEmptyPictureOrBoxGivesNothing) {
  EXPECT_TRUE(Is(FitProportionally({0, 222}, {432, 220}), 0, 0));
  EXPECT_TRUE(Is(FitProportionally({435, 222}, {432, 0}), 0, 0));
  EXPECT_TRUE(Is(FitProportionally({-5, 222}, {432, 220}), 0, 0));
}

}  // namespace
}  // namespace dizi
