#include "engines/export/page_geometry.h"

#include <gtest/gtest.h>

namespace zembra::exporter {
namespace {

struct GeometryCase {
  const char* what;
  double widthPoints;
  double heightPoints;
  SizeRequest request;
  long width;
  long height;
  long padTo;
  double xDpi;
  double yDpi;
};

TEST(ComputePageGeometry, SizesPagesForEachOption) {
  const GeometryCase cases[] = {
      {"72 DPI is points", 200, 100, {72, 72, {}, {}, 0}, 200, 100, 0, 72, 72},
      {"default 150 DPI rounds up", 200, 100, {150, 150, {}, {}, 0}, 417, 209, 0, 150, 150},
      {"A4 at 150 DPI", 595.28, 841.89, {150, 150, {}, {}, 0}, 1241, 1754, 0, 150, 150},
      {"separate resolutions", 200, 100, {72, 144, {}, {}, 0}, 200, 200, 0, 72, 144},
      {"width alone keeps proportions", 200, 100, {150, 150, 400, {}, 0}, 400, 200, 0, 144, 144},
      {"height alone keeps proportions", 200, 100, {150, 150, {}, 50, 0}, 100, 50, 0, 36, 36},
      {"both sides exact", 200, 100, {150, 150, 300, 300, 0}, 300, 300, 0, 108, 216},
      {"fax narrow page centred", 595.28, 841.89, {150, 150, {}, {}, 98}, 1687, 1146, kFaxWidth, 204, 98},
      {"fax fine", 595.28, 841.89, {150, 150, 10, 10, 196}, 1687, 2292, kFaxWidth, 204, 196},
      {"fax wide page scaled down", 1000, 500, {150, 150, {}, {}, 196}, kFaxWidth, 831, kFaxWidth, 204, 196},
  };
  for (const GeometryCase& c : cases) {
    std::string error;
    const std::optional<PageGeometry> g = ComputePageGeometry(c.widthPoints, c.heightPoints, c.request, error);
    ASSERT_TRUE(g.has_value()) << c.what << ": " << error;
    EXPECT_EQ(g->width, c.width) << c.what;
    EXPECT_EQ(g->height, c.height) << c.what;
    EXPECT_EQ(g->padToWidth, c.padTo) << c.what;
    EXPECT_NEAR(g->xDpi, c.xDpi, 0.01) << c.what;
    EXPECT_NEAR(g->yDpi, c.yDpi, 0.01) << c.what;
    // The rendering resolution produces exactly that many pixels.
    EXPECT_NEAR(c.widthPoints * g->xResolution / 72.0, static_cast<double>(g->width), 1.0) << c.what;
  }
}

TEST(ComputePageGeometry, RefusesOversizedAndEmptyPages) {
  std::string error;
  EXPECT_FALSE(ComputePageGeometry(595, 842, {10000, 10000, {}, {}, 0}, error).has_value());
  EXPECT_NE(error.find("lower the resolution"), std::string::npos);
  EXPECT_FALSE(ComputePageGeometry(595, 842, {150, 150, 16000, 16000, 0}, error).has_value());
  EXPECT_FALSE(ComputePageGeometry(0, 842, {150, 150, {}, {}, 0}, error).has_value());
  EXPECT_TRUE(ComputePageGeometry(595, 842, {600, 600, {}, {}, 0}, error).has_value());
}

}  // namespace
}  // namespace zembra::exporter
