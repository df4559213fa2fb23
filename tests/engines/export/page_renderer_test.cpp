// The exporter's Splash renderer on real pages (printed by the built
// renderer) and on text turned every way, drawn whole and in bands.
#include "engines/export/page_renderer.h"

#include <gtest/gtest.h>
#include <poppler/PDFDoc.h>
#include <poppler/SplashOutputDev.h>
#include <poppler/splash/SplashBitmap.h>

#include "engines/export/pdf_input.h"
#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/engines/export/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::ScratchDirectory;

std::unique_ptr<PdfInput> Open(const std::string& path) {
  std::string error;
  std::unique_ptr<PdfInput> input = PdfInput::Open(path, "", "", error);
  EXPECT_TRUE(input) << path << ": " << error;
  return input;
}

PageGeometry GeometryOf(const PdfInput& input, int index, double dpi) {
  double width = 0, height = 0;
  std::string error;
  EXPECT_TRUE(input.PageSize(index, width, height, error)) << error;
  SizeRequest request;
  request.xResolution = request.yResolution = dpi;
  return ComputePageGeometry(width, height, request, error).value();
}

// The page drawn in bands of bandRows (the last one shorter), rows joined.
std::string Drawn(PageRenderer& renderer, int index, const PageGeometry& geometry, long bandRows) {
  std::string rows;
  for (long first = 0; first < geometry.height; first += bandRows) {
    const long count = std::min(bandRows, geometry.height - first);
    RawImage band;
    std::string error;
    EXPECT_TRUE(renderer.Render(index, geometry, first, count, band, error)) << error;
    if (band.data() == nullptr) return "";
    EXPECT_EQ(band.height, count);
    rows.append(reinterpret_cast<const char*>(band.data()), band.size());
  }
  return rows;
}

TEST(PageRenderer, BandsDrawWhatTheWholePageDraws) {
  // Glyphs far from a band are left out of it: whatever the band height,
  // each pixel must come out as in the page drawn whole.
  ScratchDirectory dir;
  testing::WriteTurnedTextPdf(dir / "turned.pdf");
  struct Case {
    std::string pdf;
    double dpi;
    std::vector<long> bands;
    bool alsoGrey;
  };
  const std::vector<Case> cases = {
      {dir / "turned.pdf", 40, {1}, false},
      {dir / "turned.pdf", 150, {9, 450}, false},
      {dir / "turned.pdf", 100, {13, 64}, true},
      {testing::RenderedPage("article"), 70, {33, 411}, true},
      {testing::RenderedPage("scripts"), 70, {29, 300}, true},
      {testing::RenderedPage("pictures"), 70, {41, 500}, true},
      {testing::RenderedPage("tables"), 70, {57}, false},
  };
  for (const Case& c : cases) {
    ASSERT_FALSE(c.pdf.empty());
    const std::unique_ptr<PdfInput> input = Open(c.pdf);
    ASSERT_TRUE(input);
    for (const bool gray : {false, true}) {
      if (gray && !c.alsoGrey) continue;
      RenderStyle style;
      style.gray = gray;
      PageRenderer renderer(input->core(), style);
      for (int index = 0; index < input->pageCount(); ++index) {
        const PageGeometry geometry = GeometryOf(*input, index, c.dpi);
        const std::string whole = Drawn(renderer, index, geometry, geometry.height);
        ASSERT_EQ(whole.size(), static_cast<size_t>(geometry.width * geometry.height * (gray ? 1 : 3)));
        // Not a blank page: the comparison below means something.
        EXPECT_NE(whole.find_first_not_of('\xff'), std::string::npos) << c.pdf;
        for (const long rows : c.bands) {
          EXPECT_TRUE(Drawn(renderer, index, geometry, rows) == whole)
              << c.pdf << " page " << index + 1 << " at " << c.dpi << " dpi in bands of " << rows
              << (gray ? " rows, grey" : " rows");
        }
      }
    }
  }
}

TEST(PageRenderer, DrawsTheSamePixelsAsPopplersOwnTool) {
  // pdftoppm draws with Splash too, with the same defaults: white paper,
  // antialiased text and shapes, no hinting.
  ZEMBRA_REQUIRE_PROGRAM("pdftoppm");
  ScratchDirectory dir;
  testing::WriteTurnedTextPdf(dir / "turned.pdf");
  ASSERT_EQ(testing::Run({"pdftoppm", "-r", "60", "-f", "2", "-l", "2", dir / "turned.pdf", dir / "tool"}).exitStatus,
            0);
  const std::string ppm = testing::ReadFile(dir / "tool-2.ppm");
  const std::unique_ptr<PdfInput> input = Open(dir / "turned.pdf");
  ASSERT_TRUE(input);
  PageRenderer renderer(input->core(), RenderStyle{});
  const PageGeometry geometry = GeometryOf(*input, 1, 60);
  const std::string ours = Drawn(renderer, 1, geometry, 100);
  const std::string header =
      "P6\n" + std::to_string(geometry.width) + " " + std::to_string(geometry.height) + "\n255\n";
  ASSERT_EQ(ppm.substr(0, header.size()), header);
  EXPECT_TRUE(ppm.substr(header.size()) == ours);
}

TEST(PageRenderer, FailsForPagesItCannotDraw) {
  ScratchDirectory dir;
  testing::WriteQuadrantPdf(dir / "three.pdf", 3);
  testing::WriteDamagedPageTreePdf(dir / "damaged.pdf", 3, 2);
  struct Case {
    std::string pdf;
    int index;
    std::string says;
  };
  for (const Case& c :
       {Case{dir / "three.pdf", 5, "page 6 cannot be read"}, Case{dir / "three.pdf", -1, "page 0 cannot be read"},
        Case{dir / "damaged.pdf", 2, "page 3 cannot be read"}}) {
    const std::unique_ptr<PdfInput> input = Open(c.pdf);
    ASSERT_TRUE(input);
    PageRenderer renderer(input->core(), RenderStyle{});
    PageGeometry geometry;
    geometry.xResolution = geometry.yResolution = 72;
    geometry.width = 200;
    geometry.height = 100;
    RawImage image;
    std::string error;
    EXPECT_FALSE(renderer.Render(c.index, geometry, 0, 100, image, error));
    EXPECT_EQ(error, c.says);
    EXPECT_EQ(image.data(), nullptr);
  }
}

TEST(PageRenderer, StopsWhenTheWorkIsAbandoned) {
  ScratchDirectory dir;
  testing::WriteTurnedTextPdf(dir / "turned.pdf");
  const std::unique_ptr<PdfInput> input = Open(dir / "turned.pdf");
  ASSERT_TRUE(input);
  PageRenderer renderer(input->core(), RenderStyle{});
  const PageGeometry geometry = GeometryOf(*input, 0, 72);
  int asked = 0;
  RawImage image;
  std::string error;
  EXPECT_FALSE(renderer.Render(0, geometry, 0, geometry.height, image, error, [&] { return ++asked > 0; }));
  EXPECT_EQ(error, "page 1 was abandoned");
  EXPECT_GT(asked, 0);
  // A renderer whose last page was abandoned draws the next one whole.
  EXPECT_TRUE(renderer.Render(0, geometry, 0, geometry.height, image, error, [] { return false; })) << error;
}

TEST(PageRenderer, HandsItsBitmapOver) {
  ScratchDirectory dir;
  testing::WriteQuadrantPdf(dir / "two.pdf", 2);
  const std::unique_ptr<PdfInput> input = Open(dir / "two.pdf");
  ASSERT_TRUE(input);
  PageRenderer renderer(input->core(), RenderStyle{});
  const PageGeometry geometry = GeometryOf(*input, 0, 72);
  RawImage first;
  std::string error;
  ASSERT_TRUE(renderer.Render(0, geometry, 0, geometry.height, first, error)) << error;
  renderer.HandOver(first);
  RawImage second;
  ASSERT_TRUE(renderer.Render(1, geometry, 0, geometry.height, second, error)) << error;
  // The first page's top left stays red, the second's is green.
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(first.data()), 3), std::string("\xff\x00\x00", 3));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(second.data()), 3), std::string("\x00\xff\x00", 3));
  EXPECT_NE(first.data(), second.data());
}

// A derived device, as a writer that leaves things out of its pages makes.
class CountingDevice : public SplashOutputDev {
 public:
  using SplashOutputDev::SplashOutputDev;
  void drawChar(GfxState* state, double x, double y, double dx, double dy, double originX, double originY,
                CharCode code, int nBytes, const Unicode* u, int uLen) override {
    ++glyphs;
    SplashOutputDev::drawChar(state, x, y, dx, dy, originX, originY, code, nBytes, u, uLen);
  }
  int glyphs = 0;
};

TEST(MakeSplashDevice, SetsUpTheDeviceItIsGiven) {
  ScratchDirectory dir;
  testing::WriteShapesPdf(dir / "shapes.pdf");
  const std::unique_ptr<PdfInput> input = Open(dir / "shapes.pdf");
  ASSERT_TRUE(input);
  for (const bool gray : {false, true}) {
    RenderStyle style;
    style.gray = gray;
    CountingDevice* counting = nullptr;
    std::unique_ptr<SplashOutputDev> device =
        MakeSplashDevice(input->core(), style, [&](SplashColorMode mode, int rowPad, SplashColorPtr paper) {
          auto made = std::make_unique<CountingDevice>(mode, rowPad, false, paper);
          counting = made.get();
          return made;
        });
    ASSERT_EQ(device.get(), counting);
    input->core().displayPage(device.get(), 1, 72, 72, 0, false, true, false);
    EXPECT_EQ(counting->glyphs, 6);  // "Zembra"
    SplashBitmap* bitmap = device->getBitmap();
    EXPECT_EQ(bitmap->getMode(), gray ? splashModeMono8 : splashModeRGB8);
    EXPECT_EQ(bitmap->getRowSize(), bitmap->getWidth() * (gray ? 1 : 3));  // rows packed
    // White paper around the black disc.
    EXPECT_EQ(bitmap->getDataPtr()[bitmap->getRowSize() - 1], 0xff);
    EXPECT_EQ(bitmap->getDataPtr()[50 * bitmap->getRowSize() + 50 * (gray ? 1 : 3)], 0x00);
  }
}

}  // namespace
}  // namespace zembra::exporter
