#include "engines/export/documents/png_file.h"

#include <gtest/gtest.h>

#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <memory>

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
  std::unique_ptr<poppler::document> document(poppler::document::load_from_file(pdf));
  ASSERT_TRUE(document);
  std::unique_ptr<poppler::page> page(document->create_page(0));
  poppler::page_renderer renderer;
  renderer.set_image_format(poppler::image::format_argb32);
  const std::string png = directory + "/page.png";
  std::string error;
  ASSERT_TRUE(WritePagePng(renderer.render_page(page.get(), 72, 72), 72, png, error)) << error;
  EXPECT_NE(Capture("file -b '" + png + "'").find("PNG image data, 612 x 792, 8-bit/color RGB"), std::string::npos);
  // Inside the rectangle (x 100..300, y 300..420 from the bottom) and outside it.
  const auto pixel = [&](int x, int y) {
    return Capture("/usr/bin/convert '" + png + "' -format '%[pixel:p{" + std::to_string(x) + "," +
                   std::to_string(y) + "}]' info:-");
  };
  EXPECT_EQ(pixel(150, 792 - 360), "srgb(25,76,204)");  // 0.1 0.3 0.8
  EXPECT_EQ(pixel(50, 50), "srgb(255,255,255)");
  EXPECT_NE(Capture("/usr/bin/identify -units PixelsPerInch -format '%x' '" + png + "'").find("72"),
            std::string::npos);
}

TEST(WritePagePng, RefusesOtherPixelFormatsAndUnwritablePaths) {
  std::string error;
  EXPECT_FALSE(WritePagePng(poppler::image(4, 4, poppler::image::format_rgb24), 72, "/tmp/x.png", error));
  EXPECT_FALSE(
      WritePagePng(poppler::image(4, 4, poppler::image::format_argb32), 72, "/nonexistent/dir/x.png", error));
  EXPECT_NE(error.find("/nonexistent/dir/x.png"), std::string::npos) << error;
}

}  // namespace
}  // namespace zembra::exporter
