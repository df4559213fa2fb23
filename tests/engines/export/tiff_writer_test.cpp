#include "engines/export/tiff_writer.h"

#include <gtest/gtest.h>
#include <tiffio.h>

#include "tests/engines/export/test_pdfs.h"

namespace zembra::exporter {
namespace {

struct CompressionCase {
  long code;
  uint16_t compression;
  bool bilevel;
  int faxY;
  bool warns;
};

TEST(ResolveTiffCompression, MapsEveryCode) {
  const CompressionCase cases[] = {
      {1, COMPRESSION_NONE, false, 0, false},
      {2, COMPRESSION_CCITTRLE, true, 0, false},
      {3, COMPRESSION_CCITTFAX3, true, 0, false},
      {4, COMPRESSION_CCITTFAX4, true, 0, false},
      {5, COMPRESSION_LZW, false, 0, false},
      {6, COMPRESSION_JPEG, false, 0, true},
      {7, COMPRESSION_JPEG, false, 0, false},
      {8, COMPRESSION_ADOBE_DEFLATE, false, 0, false},
      {32773, COMPRESSION_PACKBITS, false, 0, false},
      {32809, COMPRESSION_PACKBITS, false, 0, true},
      {32946, COMPRESSION_DEFLATE, false, 0, false},
      {88880, COMPRESSION_CCITTFAX4, true, 98, false},
      {88881, COMPRESSION_CCITTFAX4, true, 196, false},
      {88882, COMPRESSION_CCITTFAX3, true, 98, false},
      {88883, COMPRESSION_CCITTFAX3, true, 196, false},
      {88884, COMPRESSION_CCITTFAX3, true, 196, false},
  };
  for (const CompressionCase& c : cases) {
    const std::optional<TiffEncoding> e = ResolveTiffCompression(c.code, false);
    ASSERT_TRUE(e.has_value()) << c.code;
    EXPECT_EQ(e->compression, c.compression) << c.code;
    EXPECT_EQ(e->bilevel, c.bilevel) << c.code;
    EXPECT_EQ(e->faxYResolution, c.faxY) << c.code;
    EXPECT_EQ(!e->warning.empty(), c.warns) << c.code;
  }
  EXPECT_EQ(ResolveTiffCompression(88884, false)->group3Options & GROUP3OPT_2DENCODING, GROUP3OPT_2DENCODING);
  EXPECT_EQ(ResolveTiffCompression(88882, false)->group3Options & GROUP3OPT_2DENCODING, 0u);
  EXPECT_FALSE(ResolveTiffCompression(9, false).has_value());
  EXPECT_EQ(ResolveTiffCompression(std::nullopt, false)->compression, COMPRESSION_LZW);
  EXPECT_EQ(ResolveTiffCompression(std::nullopt, true)->compression, COMPRESSION_CCITTFAX4);
}

// A page whose left half is black and right half white.
TiffPage HalfBlackPage(int channels, bool bilevel) {
  TiffPage page;
  page.width = 37;  // not a multiple of 8: the packed rows need padding
  page.height = 20;
  page.channels = channels;
  page.bilevel = bilevel;
  page.xDpi = 204;
  page.yDpi = 98;
  for (long y = 0; y < page.height; ++y) {
    for (long x = 0; x < page.width; ++x) {
      for (int c = 0; c < channels; ++c) page.pixels.push_back(x < page.width / 2 ? 0 : 255);
    }
  }
  return page;
}

TEST(TiffWriter, WritesPagesThatReadBack) {
  testing::ScratchDirectory dir;
  for (const long code : {1L, 2L, 3L, 4L, 5L, 8L, 32773L, 32946L, 88884L}) {
    const std::string path = dir / ("p" + std::to_string(code) + ".tif");
    const TiffEncoding encoding = *ResolveTiffCompression(code, true);
    std::string error;
    auto writer = TiffWriter::Open(path, encoding, 85, 2, error);
    ASSERT_TRUE(writer) << error;
    ASSERT_TRUE(writer->AddPage(HalfBlackPage(1, true), error)) << code << ": " << error;
    ASSERT_TRUE(writer->AddPage(HalfBlackPage(encoding.bilevel ? 1 : 3, encoding.bilevel), error)) << error;
    ASSERT_TRUE(writer->Close(error)) << error;

    TIFF* tiff = TIFFOpen(path.c_str(), "r");
    ASSERT_NE(tiff, nullptr) << code;
    EXPECT_EQ(TIFFNumberOfDirectories(tiff), 2) << code;
    uint32_t width = 0;
    uint16_t bits = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
    EXPECT_EQ(width, 37u);
    EXPECT_EQ(bits, 1) << code;
    std::vector<uint32_t> raster(37 * 20);
    ASSERT_TRUE(TIFFReadRGBAImageOriented(tiff, 37, 20, raster.data(), ORIENTATION_TOPLEFT, 0)) << code;
    EXPECT_EQ(TIFFGetR(raster[5 * 37 + 2]), 0u) << code;     // left: black
    EXPECT_EQ(TIFFGetR(raster[5 * 37 + 30]), 255u) << code;  // right: white
    TIFFClose(tiff);
  }
}

// The decoded pixels of every page of a TIFF, as RGBA words.
std::vector<std::vector<uint32_t>> Pages(const std::string& path) {
  std::vector<std::vector<uint32_t>> pages;
  TIFF* tiff = TIFFOpen(path.c_str(), "r");
  if (tiff == nullptr) return pages;
  do {
    uint32_t width = 0, height = 0;
    TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height);
    std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
    if (!TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, 0)) raster.clear();
    pages.push_back(raster);
  } while (TIFFReadDirectory(tiff));
  TIFFClose(tiff);
  return pages;
}

TEST(TiffWriter, RowsInBandsMakeTheSamePagesAsWholePages) {
  testing::ScratchDirectory dir;
  for (const long code : {1L, 4L, 5L, 7L}) {
    const TiffEncoding encoding = *ResolveTiffCompression(code, false);
    const bool bilevel = encoding.bilevel;
    TiffPage page = HalfBlackPage(bilevel ? 1 : 3, bilevel);
    page.height = 300;  // several strips
    page.pixels.resize(static_cast<size_t>(page.width * page.height * page.channels), 128);
    const std::string whole = dir / ("w" + std::to_string(code) + ".tif");
    const std::string banded = dir / ("b" + std::to_string(code) + ".tif");
    std::string error;
    auto writer = TiffWriter::Open(whole, encoding, 85, 1, error);
    ASSERT_TRUE(writer && writer->AddPage(page, error) && writer->Close(error)) << code << ": " << error;
    RowFormat format;
    format.width = page.width;
    format.height = page.height;
    format.channels = page.channels;
    format.bilevel = bilevel;
    std::unique_ptr<RowWriter> rows = OpenTiffPageWriter(banded, encoding, 85, format, error);
    ASSERT_TRUE(rows) << error;
    const size_t rowBytes = static_cast<size_t>(page.width * page.channels);
    long done = 0;
    for (const long band : {7L, 150L, 143L}) {
      ASSERT_TRUE(rows->Write(page.pixels.data() + static_cast<size_t>(done) * rowBytes, band, error)) << error;
      done += band;
    }
    ASSERT_TRUE(rows->Finish(error)) << error;
    const auto expected = Pages(whole);
    ASSERT_EQ(expected.size(), 1u) << code;
    EXPECT_TRUE(Pages(banded) == expected) << code;
  }
}

}  // namespace
}  // namespace zembra::exporter
