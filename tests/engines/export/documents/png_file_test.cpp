#include "engines/export/documents/png_file.h"

#include <gtest/gtest.h>

#include <memory>

#include "engines/export/page_geometry.h"
#include "engines/export/page_renderer.h"
#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Capture;
using testing::TestDirectory;

TEST(WritePagePng, ColoursAndPlacesAsRendered) {
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/convert");
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/shapes.pdf";
  testing::MakeShapesPdf(pdf);
  std::string error;
  const std::unique_ptr<PdfInput> input = PdfInput::Open(pdf, "", "", error);
  ASSERT_TRUE(input) << error;
  SizeRequest request;
  request.xResolution = request.yResolution = 72;
  const std::optional<PageGeometry> geometry = ComputePageGeometry(612, 792, request, error);
  ASSERT_TRUE(geometry) << error;
  PageRenderer renderer(input->core(), RenderStyle());
  RawImage rendered;
  ASSERT_TRUE(renderer.Render(0, *geometry, 0, geometry->height, rendered, error)) << error;
  const std::string png = directory + "/page.png";
  ASSERT_TRUE(WritePagePng(rendered, 72, png, error)) << error;
  EXPECT_NE(Capture("file -b '" + png + "'").find("PNG image data, 612 x 792, 8-bit/color RGB"), std::string::npos);
  // Inside the rectangle (x 100..300, y 300..420 from the bottom) and outside it.
  const auto pixel = [&](int x, int y) {
    return Capture("/usr/bin/convert '" + png + "' -format '%[pixel:p{" + std::to_string(x) + "," + std::to_string(y) +
                   "}]' info:-");
  };
  EXPECT_EQ(pixel(150, 792 - 360), "srgb(25,76,204)");  // 0.1 0.3 0.8
  EXPECT_EQ(pixel(50, 50), "srgb(255,255,255)");
  EXPECT_NE(Capture("/usr/bin/identify -units PixelsPerInch -format '%x' '" + png + "'").find("72"), std::string::npos);
}

TEST(WritePagePng, GreyPixelsAsGrey) {
  const std::string png = TestDirectory() + "/grey.png";
  RawImage grey;
  grey.width = 3;
  grey.height = 2;
  grey.channels = 1;
  grey.pixels = {0, 128, 255, 255, 128, 0};
  std::string error;
  ASSERT_TRUE(WritePagePng(grey, 96, png, error)) << error;
  EXPECT_NE(Capture("file -b '" + png + "'").find("PNG image data, 3 x 2, 8-bit grayscale"), std::string::npos);
}

TEST(WritePagePng, RefusesEmptyOrOddPicturesAndUnwritablePaths) {
  std::string error;
  RawImage picture;
  EXPECT_FALSE(WritePagePng(picture, 72, TestDirectory() + "/x.png", error));
  picture.width = picture.height = 4;
  picture.channels = 4;
  picture.pixels.resize(64);
  EXPECT_FALSE(WritePagePng(picture, 72, TestDirectory() + "/x.png", error));
  picture.channels = 3;
  EXPECT_FALSE(WritePagePng(picture, 72, "/nonexistent/dir/x.png", error));
  EXPECT_NE(error.find("/nonexistent/dir/x.png"), std::string::npos) << error;
}

}  // namespace
}  // namespace zembra::exporter
