#include "engines/export/direct_encoder.h"

#include <gtest/gtest.h>
#include <png.h>

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

// Decodes a PNG with libpng's own reader into packed rows.
std::vector<unsigned char> DecodePng(const std::string& path, int channels, long& width, long& height) {
  png_image decoded{};
  decoded.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&decoded, path.c_str())) return {};
  decoded.format = channels == 1 ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
  std::vector<unsigned char> pixels(PNG_IMAGE_SIZE(decoded));
  if (!png_image_finish_read(&decoded, nullptr, pixels.data(), 0, nullptr)) return {};
  width = decoded.width;
  height = decoded.height;
  return pixels;
}

TEST(DirectEncoder, PngIsLosslessForAnyNumberOfRows) {
  // Every height, down to a single row, decodes to exactly the same pixels.
  ScratchDirectory dir;
  unsigned seed = 7;
  for (const int channels : {1, 3}) {
    for (const long rows : {1L, 2L, 3L, 64L, 257L}) {
      RawImage image;
      image.width = 101;
      image.height = rows;
      image.channels = channels;
      for (long i = 0; i < image.width * rows * channels; ++i) {
        seed = seed * 1103515245u + 12345u;
        // Runs of equal bytes with some noise, like a page.
        image.pixels.push_back(static_cast<unsigned char>((i / 37) % 3 == 0 ? (seed >> 16) : 255));
      }
      const std::string path = dir / ("l" + std::to_string(channels) + "_" + std::to_string(rows) + ".png");
      std::string error;
      ASSERT_TRUE(WriteDirectPng(image, 150, 150, path, error)) << error;
      long width = 0;
      long height = 0;
      EXPECT_EQ(DecodePng(path, channels, width, height), image.pixels) << path;
      EXPECT_EQ(width, 101);
      EXPECT_EQ(height, rows);
    }
  }
}

// Random runs of grey or colour, like a page, `rows` high.
RawImage PageLike(int channels, long width, long rows, unsigned seed) {
  RawImage image;
  image.width = width;
  image.height = rows;
  image.channels = channels;
  for (long i = 0; i < width * rows * channels; ++i) {
    seed = seed * 1103515245u + 12345u;
    image.pixels.push_back(static_cast<unsigned char>((i / 23) % 4 == 0 ? (seed >> 16) : 255));
  }
  return image;
}

// Writes the image in bands of the given heights, the last one taking the rest.
bool WriteInBands(RowWriter& writer, const RawImage& image, const std::vector<long>& bands, std::string& error) {
  const size_t rowBytes = static_cast<size_t>(image.width * image.channels);
  long done = 0;
  for (const long rows : bands) {
    if (!writer.Write(image.data() + static_cast<size_t>(done) * rowBytes, rows, error)) return false;
    done += rows;
  }
  return writer.Write(image.data() + static_cast<size_t>(done) * rowBytes, image.height - done, error) &&
         writer.Finish(error);
}

RowFormat FormatOf(const RawImage& image, bool bilevel = false) {
  RowFormat format;
  format.width = image.width;
  format.height = image.height;
  format.channels = image.channels;
  format.bilevel = bilevel;
  format.xDpi = 200;
  format.yDpi = 100;
  return format;
}

TEST(RowWriters, BandsMakeTheSameFileAsTheWholeImage) {
  ScratchDirectory dir;
  for (const int channels : {1, 3}) {
    const RawImage image = PageLike(channels, 75, 61, 11);
    for (const bool png : {true, false}) {
      std::string error;
      const std::string suffix = png ? ".png" : ".jpg";
      const std::string whole = dir / ("whole" + std::to_string(channels) + suffix);
      const std::string banded = dir / ("banded" + std::to_string(channels) + suffix);
      ASSERT_TRUE(png ? WriteDirectPng(image, 200, 100, whole, error)
                      : WriteDirectJpeg(image, 200, 100, 80, whole, error))
          << error;
      std::unique_ptr<RowWriter> writer =
          png ? OpenPngWriter(banded, FormatOf(image), error) : OpenJpegWriter(banded, FormatOf(image), 80, error);
      ASSERT_TRUE(writer) << error;
      ASSERT_TRUE(WriteInBands(*writer, image, {1, 0, 17, 30}, error)) << error;
      EXPECT_EQ(ReadFile(banded), ReadFile(whole)) << banded;
      EXPECT_EQ(DpiOf(banded), "200 100") << banded;
    }
  }
}

TEST(RowWriters, BilevelPngIsOneBitDeep) {
  ScratchDirectory dir;
  RawImage image = PageLike(1, 37, 9, 5);  // a width that does not fill its last byte
  for (unsigned char& pixel : image.pixels) pixel = pixel < 128 ? 0 : 255;
  std::string error;
  std::unique_ptr<RowWriter> writer = OpenPngWriter(dir / "b.png", FormatOf(image, true), error);
  ASSERT_TRUE(writer) << error;
  ASSERT_TRUE(WriteInBands(*writer, image, {4}, error)) << error;
  png_image decoded{};
  decoded.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&decoded, (dir / "b.png").c_str()));
  png_image_free(&decoded);
  // The header's bit depth: byte 24 of the file.
  EXPECT_EQ(ReadFile(dir / "b.png").at(24), 1);
  long width = 0, height = 0;
  EXPECT_EQ(DecodePng(dir / "b.png", 1, width, height), image.pixels);
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
