#include "app/jpeg_picture.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <jpeglib.h>

#include <gtest/gtest.h>

namespace dizi {
namespace {

using Bytes = std::vector<unsigned char>;

struct Rgb {
  int red, green, blue;
};

// Encodes unpadded rows of RGB or grey samples with the system's libjpeg, so
// that the tests know every pixel of the pictures they decode.
Bytes Encode(int width, int height, bool grey, const Bytes& samples, bool progressive = false) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = grey ? 1 : 3;
  info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 100, TRUE);
  if (progressive) {
    jpeg_simple_progression(&info);
  }
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    auto row = const_cast<JSAMPROW>(&samples[info.next_scanline * width * info.input_components]);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes jpeg(buffer, buffer + size);
  std::free(buffer);
  return jpeg;
}

// A picture whose left half is one colour and right half another.
Bytes TwoHalves(int width, int height, Rgb left, Rgb right) {
  Bytes samples;
  for (int i = 0; i < width * height; ++i) {
    const Rgb& c = i % width < width / 2 ? left : right;
    samples.insert(samples.end(),
                   {static_cast<unsigned char>(c.red), static_cast<unsigned char>(c.green),
                    static_cast<unsigned char>(c.blue)});
  }
  return samples;
}

std::optional<Picture> Decode(const Bytes& jpeg) {
  return DecodeJpeg(jpeg.data(), jpeg.size());
}

Rgb PixelAt(const Picture& picture, int x, int y) {
  const unsigned char* bgr = &picture.pixels[y * picture.Stride() + x * 3];
  return {bgr[2], bgr[1], bgr[0]};
}

// The mean colour of the pixels in [left, right) x [top, bottom).
Rgb MeanColour(const Picture& picture, int left, int top, int right, int bottom) {
  Rgb sum{0, 0, 0};
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const Rgb pixel = PixelAt(picture, x, y);
      sum = {sum.red + pixel.red, sum.green + pixel.green, sum.blue + pixel.blue};
    }
  }
  const int count = (right - left) * (bottom - top);
  return {sum.red / count, sum.green / count, sum.blue / count};
}

// JPEG is lossy even at quality 100: a flat area comes back within a few levels.
void ExpectNear(Rgb actual, Rgb expected) {
  EXPECT_NEAR(actual.red, expected.red, 6);
  EXPECT_NEAR(actual.green, expected.green, 6);
  EXPECT_NEAR(actual.blue, expected.blue, 6);
}

// The rows are padded to a multiple of 4 bytes, with zeros.
void ExpectDibLayout(const Picture& picture, int width, int height, std::size_t stride) {
  ASSERT_EQ(picture.width, width);
  ASSERT_EQ(picture.height, height);
  ASSERT_EQ(picture.Stride(), stride);
  ASSERT_EQ(picture.pixels.size(), stride * height);
  for (int y = 0; y < height; ++y) {
    for (std::size_t i = width * 3u; i < stride; ++i) {
      ASSERT_EQ(picture.pixels[y * stride + i], 0) << "row " << y << " byte " << i;
    }
  }
}

TEST(JpegPicture, ColoursComeOutBlueGreenRedInPaddedRows) {
  const Rgb red{220, 30, 40};
  const Rgb blue{20, 60, 230};
  const auto picture = Decode(Encode(37, 21, false, TwoHalves(37, 21, red, blue)));
  ASSERT_TRUE(picture.has_value());
  ExpectDibLayout(*picture, 37, 21, 112);  // 111 bytes of pixels a row
  // Away from the edge between the halves, where the chroma is blurred.
  ExpectNear(PixelAt(*picture, 2, 2), red);
  ExpectNear(PixelAt(*picture, 8, 20), red);
  ExpectNear(PixelAt(*picture, 34, 0), blue);
  ExpectNear(PixelAt(*picture, 36, 20), blue);
}

TEST(JpegPicture, GreyRowsExpandToGreyPixelsEachInItsPlace) {
  // Rows of falling brightness: a row written to the wrong place breaks the order.
  const int width = 6;  // 18 bytes of pixels a row
  const int height = 40;
  Bytes samples;
  for (int y = 0; y < height; ++y) {
    samples.insert(samples.end(), width, static_cast<unsigned char>(250 - y * 6));
  }
  const auto picture = Decode(Encode(width, height, true, samples));
  ASSERT_TRUE(picture.has_value());
  ExpectDibLayout(*picture, width, height, 20);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb pixel = PixelAt(*picture, x, y);
      EXPECT_EQ(pixel.red, pixel.green);
      EXPECT_EQ(pixel.green, pixel.blue);
      EXPECT_NEAR(pixel.red, 250 - y * 6, 6) << x << "," << y;
    }
  }
}

TEST(JpegPicture, ProgressiveDecodesLikeBaseline) {
  const Bytes samples = TwoHalves(24, 16, {250, 200, 0}, {0, 120, 40});
  const auto baseline = Decode(Encode(24, 16, false, samples));
  const auto progressive = Decode(Encode(24, 16, false, samples, true));
  ASSERT_TRUE(baseline.has_value());
  ASSERT_TRUE(progressive.has_value());
  EXPECT_EQ(progressive->pixels, baseline->pixels);
}

// libjpeg's own error handler would print and call exit(): the test process
// getting to the end is part of the test.
TEST(JpegPicture, BadDataGivesNoPicture) {
  const Bytes good = Encode(32, 16, false, TwoHalves(32, 16, {0, 0, 0}, {255, 255, 255}));
  ASSERT_TRUE(Decode(good).has_value());
  EXPECT_FALSE(DecodeJpeg(nullptr, 0).has_value());
  EXPECT_FALSE(DecodeJpeg(good.data(), 0).has_value());
  EXPECT_FALSE(Decode({'G', 'I', 'F', '8', '9', 'a', 0, 1, 2, 3}).has_value());
  EXPECT_FALSE(Decode({0xFF, 0xD8}).has_value());
  for (std::size_t keep : {std::size_t{20}, good.size() / 2, good.size() - 2}) {
    EXPECT_FALSE(DecodeJpeg(good.data(), keep).has_value()) << "cut to " << keep << " bytes";
  }

  std::size_t frame = 2;  // the start-of-frame marker
  while (frame + 8 < good.size() && !(good[frame] == 0xFF && good[frame + 1] == 0xC0)) {
    ++frame;
  }
  ASSERT_LT(frame + 8, good.size());
  Bytes badLength = good;
  badLength[frame + 2] = badLength[frame + 3] = 0;
  EXPECT_FALSE(Decode(badLength).has_value());
  Bytes huge = good;  // claims 60000 x 60000 pixels: ten gigabytes of them
  huge[frame + 5] = huge[frame + 7] = 0xEA;
  huge[frame + 6] = huge[frame + 8] = 0x60;
  EXPECT_FALSE(Decode(huge).has_value());
}

// The pictures the program carries (drawn by assets/make_pictures.sh): their
// sizes, and areas whose colour the drawing fixes.
Picture LoadAsset(const std::string& name) {
  Bytes jpeg;
  if (std::FILE* file = std::fopen((std::string(DIZI_ASSETS_DIR) + "/" + name).c_str(), "rb")) {
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
      jpeg.push_back(static_cast<unsigned char>(c));
    }
    std::fclose(file);
  }
  auto picture = Decode(jpeg);
  EXPECT_TRUE(picture.has_value()) << name << " is missing or does not decode";
  return picture.value_or(Picture{});
}

TEST(JpegPictureAssets, BackgroundIsADarkSceneWithARedSightInTheMiddle) {
  const Picture picture = LoadAsset("background.jpg");
  ExpectDibLayout(picture, 435, 222, 1308);
  for (int y = 140; y <= 180; y += 4) {  // the sight's lower arm, below (217, 111)
    const Rgb arm = PixelAt(picture, 217, y);
    EXPECT_TRUE(arm.red >= 150 && arm.green <= 80 && arm.blue <= 80) << "y " << y;
  }
  const Rgb corner = MeanColour(picture, 400, 195, 435, 222);  // dark grey-blue
  EXPECT_TRUE(corner.red < corner.blue && corner.blue < 90);
  const Rgb underText = MeanColour(picture, 20, 20, 200, 100);  // darkened for the About text
  EXPECT_TRUE(underText.red < 50 && underText.green < 50 && underText.blue < 50);
}

TEST(JpegPictureAssets, BannerIsLightWithABlueTileAndAnOrangeRing) {
  const Picture picture = LoadAsset("banner.jpg");
  ExpectDibLayout(picture, 150, 40, 452);
  const Rgb tile = MeanColour(picture, 5, 8, 9, 31);  // the logo's tile, left of the nut
  EXPECT_TRUE(tile.red < 60 && tile.blue > 90);
  const Rgb ring = PixelAt(picture, 24, 20);  // orange, round the nut's centre (20, 20)
  EXPECT_TRUE(ring.red > 200 && ring.green > 100 && ring.green < 170 && ring.blue < 80);
  const Rgb top = MeanColour(picture, 100, 2, 147, 6);  // white fading to light blue
  const Rgb bottom = MeanColour(picture, 100, 36, 130, 38);
  EXPECT_TRUE(top.red > 235 && top.green > 235 && top.blue > 235);
  EXPECT_TRUE(bottom.red < top.red && bottom.blue > bottom.red);
}

}  // namespace
}  // namespace dizi
