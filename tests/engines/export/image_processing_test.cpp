#include "engines/export/image_processing.h"

#include <gtest/gtest.h>

#include <set>

namespace zembra::exporter {
namespace {

bool IsWhite(Magick::Image& image, size_t x, size_t y) {
  // Read through the pixel export: it does not depend on how the library keeps a bilevel image.
  unsigned char value = 0;
  image.write(static_cast<ssize_t>(x), static_cast<ssize_t>(y), 1, 1, "I", Magick::CharPixel, &value);
  return value == 255;
}

class ImageProcessing : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Magick::InitializeMagick(nullptr); }

  // A raw grey image of one value.
  static Magick::Image Grey(unsigned char value, long width = 64, long height = 64) {
    RawImage raw;
    raw.width = width;
    raw.height = height;
    raw.channels = 1;
    raw.pixels.assign(static_cast<size_t>(width * height), value);
    return ToMagickImage(std::move(raw));
  }

  // Distinct grey values and the mean (0..1) of an image.
  static std::pair<std::set<int>, double> Values(Magick::Image& image) {
    std::vector<unsigned char> bytes(image.columns() * image.rows());
    image.write(0, 0, image.columns(), image.rows(), "I", Magick::CharPixel, bytes.data());
    std::set<int> values(bytes.begin(), bytes.end());
    double sum = 0;
    for (const unsigned char b : bytes) sum += b;
    return {values, sum / 255.0 / static_cast<double>(bytes.size())};
  }
};

TEST_F(ImageProcessing, Bayer16MatrixHoldsEachLevelOnce) {
  const auto matrix = Bayer16Matrix();
  std::set<int> seen;
  for (const auto& row : matrix) seen.insert(row.begin(), row.end());
  EXPECT_EQ(seen.size(), 256u);
  EXPECT_EQ(*seen.begin(), 0);
  EXPECT_EQ(*seen.rbegin(), 255);
  EXPECT_EQ(matrix[0][0], 0);
  EXPECT_EQ(matrix[0][1], 128);  // neighbours are as far apart as can be
  EXPECT_EQ(matrix[1][1], 64);
}

TEST_F(ImageProcessing, EveryDitherMethodGivesBlackAndWhiteInProportion) {
  for (int method = 1; method <= 7; ++method) {
    Magick::Image image = Grey(128);
    ProcessSettings settings;
    settings.mode = ColourMode::kBilevel;
    settings.dither = static_cast<DitherMethod>(method);
    ProcessImage(image, settings);
    const auto [values, mean] = Values(image);
    EXPECT_EQ(values, (std::set<int>{0, 255})) << "method " << method;
    EXPECT_NEAR(mean, 0.5, 0.1) << "method " << method;
  }
}

TEST_F(ImageProcessing, ThresholdDecidesWithoutDithering) {
  struct Case {
    unsigned char grey;
    long threshold;
    int expected;
  };
  for (const Case& c : {Case{128, 128, 255}, Case{128, 129, 0}, Case{10, 0, 255}, Case{254, 255, 0},
                        Case{255, 255, 255}, Case{100, 128, 0}}) {
    Magick::Image image = Grey(c.grey);
    ProcessSettings settings;
    settings.mode = ColourMode::kBilevel;
    settings.threshold = c.threshold;
    ProcessImage(image, settings);
    EXPECT_EQ(Values(image).first, std::set<int>{c.expected}) << int(c.grey) << " at " << c.threshold;
  }
}

TEST_F(ImageProcessing, OrderedDitherForPalettesKeepsFewColours) {
  RawImage raw;
  raw.width = 256;
  raw.height = 16;
  for (long y = 0; y < raw.height; ++y) {
    for (long x = 0; x < raw.width; ++x) {
      raw.pixels.insert(raw.pixels.end(), {static_cast<unsigned char>(x), static_cast<unsigned char>(255 - x), 90});
    }
  }
  for (const DitherMethod method :
       {DitherMethod::kNone, DitherMethod::kFloydSteinberg, DitherMethod::kBayer8x8, DitherMethod::kBayer16x16}) {
    Magick::Image image = ToMagickImage(RawImage(raw));
    ProcessSettings settings;
    settings.palette = true;
    settings.dither = method;
    ProcessImage(image, settings);
    EXPECT_LE(image.totalColors(), 256u) << static_cast<int>(method);
    EXPECT_GT(image.totalColors(), 2u) << static_cast<int>(method);
  }
}

TEST_F(ImageProcessing, TrimRotateAndPad) {
  // 40x20 white with a black 10x4 block at (5,3).
  RawImage raw;
  raw.width = 40;
  raw.height = 20;
  raw.channels = 1;
  raw.pixels.assign(800, 255);
  for (long y = 3; y < 7; ++y) {
    for (long x = 5; x < 15; ++x) raw.pixels[static_cast<size_t>(y * 40 + x)] = 0;
  }
  Magick::Image trimmed = ToMagickImage(RawImage(raw));
  ProcessSettings trim;
  trim.trim = true;
  trim.mode = ColourMode::kGray;
  ProcessImage(trimmed, trim);
  EXPECT_EQ(trimmed.columns(), 10u);
  EXPECT_EQ(trimmed.rows(), 4u);

  Magick::Image rotated = ToMagickImage(RawImage(raw));
  ProcessSettings rotate;
  rotate.rotation = 90;
  ProcessImage(rotated, rotate);
  EXPECT_EQ(rotated.columns(), 20u);
  EXPECT_EQ(rotated.rows(), 40u);
  // Clockwise: the block near the top-left moves to the top-right.
  EXPECT_FALSE(IsWhite(rotated, 20 - 5, 10));
  EXPECT_TRUE(IsWhite(rotated, 2, 10));

  Magick::Image padded = ToMagickImage(RawImage(raw));
  ProcessSettings pad;
  pad.padToWidth = 100;
  pad.mode = ColourMode::kBilevel;
  ProcessImage(padded, pad);
  EXPECT_EQ(padded.columns(), 100u);
  EXPECT_FALSE(IsWhite(padded, 30 + 6, 4));  // centred: 30 columns on the left
  EXPECT_TRUE(IsWhite(padded, 6, 4));
}

}  // namespace
}  // namespace zembra::exporter
