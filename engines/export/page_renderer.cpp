#include "engines/export/page_renderer.h"

#include <poppler/GfxFont.h>
#include <poppler/GfxState.h>
#include <poppler/PDFDoc.h>
#include <poppler/Page.h>
#include <poppler/SplashOutputDev.h>
#include <poppler/splash/SplashBitmap.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "engines/export/poppler_core.h"

namespace zembra::exporter {

namespace {

// Rows without padding are what the encoders and the image library take.
constexpr int kPackedRows = 1;

bool AskAbandon(void* data) { return (*static_cast<const std::function<bool()>*>(data))(); }

// How far a glyph may reach from its origin, in ems: the font's own box
// when it says more. A glyph drawn only outside the band cannot touch it.
constexpr double kGlyphReachEms = 4;

// A device that draws one band of a page at a time. Splash reads the whole
// page for each band; glyphs far from the band are not drawn at all, which
// spares loading them from the font only to clip them away.
class BandDevice final : public SplashOutputDev {
 public:
  using SplashOutputDev::SplashOutputDev;

  /// The band about to be drawn: its height, and where the page's top
  /// would be on the band's vertical axis as the whole page is drawn,
  /// shifted by the band's first row. Height 0: the whole page.
  void SetBand(long rows, double pageTop) {
    bandHeight_ = static_cast<double>(rows);
    pageTop_ = pageTop;
  }

  // poppler places a band by the page box cut to it, in points, which
  // rounds differently from the whole page (by a pixel on turned pages):
  // the band takes the whole page's placement, shifted by whole rows.
  void startPage(int pageNum, GfxState* state, XRef* xref) override {
    if (bandHeight_ > 0) {
      const double* m = state->getCTM();
      state->setCTM(m[0], m[1], m[2], m[3], m[4], pageTop_);
    }
    SplashOutputDev::startPage(pageNum, state, xref);
  }

  void drawChar(GfxState* state, double x, double y, double dx, double dy, double originX, double originY,
                CharCode code, int nBytes, const Unicode* u, int uLen) override {
    if (bandHeight_ > 0 && FarFromBand(*state, x - originX, y - originY)) return;
    SplashOutputDev::drawChar(state, x, y, dx, dy, originX, originY, code, nBytes, u, uLen);
  }

 private:
  bool FarFromBand(const GfxState& state, double x, double y) const {
    // Text that clips keeps every glyph: the clip is built from all of them.
    if ((state.getRender() & 4) != 0) return false;
    double m11, m12, m21, m22;
    state.getFontTransMat(&m11, &m12, &m21, &m22);
    const double emHeight = std::abs(m12 * state.getHorizScaling()) + std::abs(m22);
    double reach = kGlyphReachEms * emHeight;
    if (const std::shared_ptr<GfxFont>& font = state.getFont()) {
      const double* box = font->getFontBBox();
      const double ems = std::max({std::abs(box[0]), std::abs(box[1]), std::abs(box[2]), std::abs(box[3])});
      reach = std::max(reach, 2 * ems * emHeight);
    }
    double deviceX, deviceY;
    state.transform(x, y, &deviceX, &deviceY);
    return deviceY + reach < -kAntialiasPixels || deviceY - reach > bandHeight_ + kAntialiasPixels;
  }

  // Antialiasing reaches a pixel past an edge; two leave room for rounding.
  static constexpr double kAntialiasPixels = 2;
  double bandHeight_ = 0;
  double pageTop_ = 0;
};

// The vertical translation with which poppler draws the whole page, as its
// own drawing of the page would compute it.
double WholePageTop(Page& page, const PageGeometry& geometry) {
  int rotate = page.getRotate() % 360;
  if (rotate < 0) rotate += 360;
  PDFRectangle box;
  bool crop = true;
  page.makeBox(geometry.xResolution, geometry.yResolution, rotate, false, true, 0, 0,
               static_cast<double>(geometry.width), static_cast<double>(geometry.height), &box, &crop);
  const GfxState whole(geometry.xResolution, geometry.yResolution, &box, rotate, true);
  return whole.getCTM()[5];
}

}  // namespace

std::unique_ptr<SplashOutputDev> MakeSplashDevice(PDFDoc& doc, const RenderStyle& style,
                                                  const SplashDeviceMaker& make) {
  UsePopplerCore();
  // poppler sets up its colour management the first time a GfxState is
  // made, without a lock: done once here, before any thread draws.
  static std::once_flag colourManagement;
  std::call_once(colourManagement, [] {
    const PDFRectangle box(0, 0, 1, 1);
    const GfxState first(72, 72, &box, 0, false);
  });
  SplashColor paper = {0xff, 0xff, 0xff, 0xff};  // the device keeps a copy
  const SplashColorMode mode = style.gray ? splashModeMono8 : splashModeRGB8;
  std::unique_ptr<SplashOutputDev> device =
      make ? make(mode, kPackedRows, paper) : std::make_unique<SplashOutputDev>(mode, kPackedRows, false, paper);
  // The font engine is made by startDoc with the antialiasing set before it.
  device->setFontAntialias(style.textAntialias);
  device->setVectorAntialias(style.vectorAntialias);
  device->setFreeTypeHinting(false, false);
  device->startDoc(&doc);
  return device;
}

PageRenderer::PageRenderer(PDFDoc& doc, const RenderStyle& style)
    : doc_(doc),
      style_(style),
      device_(MakeSplashDevice(doc, style, [](SplashColorMode mode, int rowPad, SplashColorPtr paper) {
        return std::make_unique<BandDevice>(mode, rowPad, false, paper);
      })) {}

PageRenderer::~PageRenderer() = default;

bool PageRenderer::Render(int index, const PageGeometry& geometry, long firstRow, long rows, RawImage& image,
                          std::string& error, const std::function<bool()>& abandon) {
  image.Release();
  if (index < 0 || index >= doc_.getNumPages() || doc_.getPage(index + 1) == nullptr) {
    error = "page " + std::to_string(index + 1) + " cannot be read";
    return false;
  }
  // The crop box as displayed, without printing's choices (annotations show
  // as on screen), the page's own rotation applied by poppler.
  const bool band = rows < geometry.height;
  static_cast<BandDevice&>(*device_).SetBand(
      band ? rows : 0, band ? WholePageTop(*doc_.getPage(index + 1), geometry) - static_cast<double>(firstRow) : 0);
  doc_.displayPageSlice(device_.get(), index + 1, geometry.xResolution, geometry.yResolution, 0, false, true, false, 0,
                        static_cast<int>(firstRow), static_cast<int>(geometry.width), static_cast<int>(rows),
                        abandon ? AskAbandon : nullptr,
                        abandon ? const_cast<std::function<bool()>*>(&abandon) : nullptr);
  if (abandon && abandon()) {
    error = "page " + std::to_string(index + 1) + " was abandoned";
    return false;
  }
  SplashBitmap* bitmap = device_->getBitmap();
  const int channels = style_.gray ? 1 : 3;
  // Splash falls back to a 1x1 bitmap when the page's does not fit in memory.
  if (bitmap == nullptr || bitmap->getDataPtr() == nullptr || bitmap->getWidth() != geometry.width ||
      bitmap->getHeight() != rows || bitmap->getRowSize() != geometry.width * channels) {
    error = "page " + std::to_string(index + 1) + " cannot be rendered at " + std::to_string(geometry.width) + "x" +
            std::to_string(geometry.height) + " pixels";
    return false;
  }
  image.width = bitmap->getWidth();
  image.height = bitmap->getHeight();
  image.channels = channels;
  image.held = bitmap->getDataPtr();
  return true;
}

void PageRenderer::HandOver(RawImage& image) {
  if (image.held == nullptr || image.holder) return;
  image.holder = std::shared_ptr<SplashBitmap>(device_->takeBitmap());
}

}  // namespace zembra::exporter
