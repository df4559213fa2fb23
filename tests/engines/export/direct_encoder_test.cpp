#include "engines/export/direct_encoder.h"

#include <gtest/gtest.h>

#include "tests/engines/export/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using namespace zembra::exporter::testing;

// Left half of the first colour, right half of the second.
RawImage TwoHalves(int channels, unsigned char left, unsigned char right) {
  RawImage image;
  image.width = 33;
  image.height = 10;
  image.channels = channels;
  for (long y = 0; y < image.height; ++y) {
    for (long x = 0; x < image.width; ++x) {
      for (int c = 0; c < channels; ++c) image.pixels.push_back(x < 16 ? left : (c == 0 ? right : 0));
    }
  }
  return image;
}

TEST(DirectEncoder, WritesPngAndJpegThatReadBack) {
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/identify");
  ScratchDirectory dir;
  std::string error;
  struct Case {
    const char* name;
    int channels;
    const char* colourspace;
  };
  for (const Case& c : {Case{"rgb.png", 3, "sRGB"}, Case{"grey.png", 1, "Gray"}, Case{"rgb.jpg", 3, "sRGB"},
                        Case{"grey.jpg", 1, "Gray"}}) {
    const RawImage image = TwoHalves(c.channels, 0, 255);
    const std::string path = dir / c.name;
    const bool png = std::string(c.name).find(".png") != std::string::npos;
    ASSERT_TRUE(png ? WriteDirectPng(image, 300, 150, path, error) : WriteDirectJpeg(image, 300, 150, 70, path, error))
        << error;
    EXPECT_EQ(Identify(path, "%w %h %[colorspace]"), std::string("33 10 ") + c.colourspace) << c.name;
    EXPECT_EQ(DpiOf(path), "300 150") << c.name;
    EXPECT_TRUE(ColourNear(PixelAt(path, 2, 5), "0,0,0", 3)) << c.name;
    if (png) {
      EXPECT_EQ(PixelAt(path, 30, 5), c.channels == 3 ? "255,0,0" : "255,255,255") << c.name;
    }
  }
  EXPECT_EQ(Identify(dir / "rgb.jpg", "%Q"), "70");
}

TEST(DirectEncoder, ReportsFilesItCannotWrite) {
  const RawImage image = TwoHalves(3, 0, 255);
  std::string error;
  EXPECT_FALSE(WriteDirectPng(image, 150, 150, "/nonexistent-dir/a.png", error));
  EXPECT_NE(error.find("/nonexistent-dir/a.png"), std::string::npos);
  error.clear();
  EXPECT_FALSE(WriteDirectJpeg(image, 150, 150, 85, "/nonexistent-dir/a.jpg", error));
  EXPECT_NE(error.find("/nonexistent-dir/a.jpg"), std::string::npos);
}

}  // namespace
}  // namespace zembra::exporter
