#include "engines/export/documents/page_background.h"

#include <poppler/GfxFont.h>
#include <poppler/GfxState.h>
#include <poppler/PDFDoc.h>
#include <poppler/SplashOutputDev.h>
#include <poppler/splash/SplashBitmap.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "engines/export/page_geometry.h"
#include "engines/export/poppler_core.h"

namespace zembra::exporter {

namespace {

// How far a glyph's middle may lie outside its line's box, and a drawing
// outside its picture's box, and still count as inside: the reader's boxes
// and the drawing come from the same coordinates, but rounded.
constexpr double kTextSlackPoints = 1;
constexpr double kPictureSlackPoints = 1.5;

// A rectangle in device pixels of the whole page.
struct Extent {
  double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;

  void Add(double x, double y) {
    x0 = std::min(x0, x);
    y0 = std::min(y0, y);
    x1 = std::max(x1, x);
    y1 = std::max(y1, y);
  }
  bool Empty() const { return !(x0 <= x1 && y0 <= y1); }
  bool Contains(double x, double y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
  bool Contains(const Extent& other) const {
    return other.x0 >= x0 && other.x1 <= x1 && other.y0 >= y0 && other.y1 <= y1;
  }
  Extent Intersect(const Extent& other) const {
    Extent both;
    both.x0 = std::max(x0, other.x0);
    both.y0 = std::max(y0, other.y0);
    both.x1 = std::min(x1, other.x1);
    both.y1 = std::min(y1, other.y1);
    return both;
  }
};

std::vector<Extent> ToDevice(const std::vector<Box>& boxes, double pixelsPerPoint, double slack) {
  std::vector<Extent> extents;
  extents.reserve(boxes.size());
  for (const Box& box : boxes) {
    Extent extent;
    extent.Add((box.x0 - slack) * pixelsPerPoint, (box.y0 - slack) * pixelsPerPoint);
    extent.Add((box.x1 + slack) * pixelsPerPoint, (box.y1 + slack) * pixelsPerPoint);
    extents.push_back(extent);
  }
  return extents;
}

}  // namespace

// Splash leaving out what the cutouts name. Drawing coordinates are device
// pixels, but Splash renders transparency groups into bitmaps of their own
// and shifts the state's coordinates by the group's place while it does:
// the shift is tracked to compare with the page's boxes. Inside tiling
// pattern cells and Type 3 glyph procedures coordinates are those of the
// cell or glyph; nothing is left out there.
class PageBackgrounds::Device : public SplashOutputDev {
 public:
  explicit Device(SplashColorPtr paper) : SplashOutputDev(splashModeRGB8, 1, false, paper) {}

  void SetCutouts(const BackgroundCutouts& cutouts, double pixelsPerPoint) {
    text_ = ToDevice(cutouts.text, pixelsPerPoint, kTextSlackPoints);
    pictures_ = ToDevice(cutouts.pictures, pixelsPerPoint, kPictureSlackPoints);
    underlined_ = ToDevice(cutouts.underlined, pixelsPerPoint, kTextSlackPoints);
    pixelsPerPoint_ = pixelsPerPoint;
    seen_.assign(text_.size(), {});
    shifts_.clear();
    shiftX_ = shiftY_ = 0;
    nested_ = 0;
  }

  void drawChar(GfxState* state, double x, double y, double dx, double dy, double originX, double originY,
                CharCode code, int nBytes, const Unicode* u, int uLen) override {
    if (nested_ == 0 && state->getRender() <= 2) {
      // The glyph's origin, its advance and the text's em upwards, on the page.
      Glyph glyph;
      PagePoint(state, x - originX, y - originY, glyph.x, glyph.y);
      state->transformDelta(dx, dy, &glyph.advanceX, &glyph.advanceY);
      double m11 = 0, m12 = 0;
      state->getFontTransMat(&m11, &m12, &glyph.upX, &glyph.upY);
      if (LeaveOut(glyph, state)) return;
    }
    SplashOutputDev::drawChar(state, x, y, dx, dy, originX, originY, code, nBytes, u, uLen);
  }

  bool beginType3Char(GfxState* state, double x, double y, double dx, double dy, CharCode code, const Unicode* u,
                      int uLen) override {
    // The state's matrix maps the glyph's own space (the font matrix's) to
    // the device, its origin at the glyph's. Its width is not known yet: a
    // third of an em stands for half its advance.
    const double* font = state->getFont() ? state->getFont()->getFontMatrix() : nullptr;
    if (nested_ == 0 && state->getRender() <= 2 && font != nullptr && font[0] != 0 && font[3] != 0) {
      const double* m = state->getCTM();
      Glyph glyph;
      glyph.x = m[4] - shiftX_;
      glyph.y = m[5] - shiftY_;
      glyph.advanceX = m[0] / font[0] * 2 / 3;
      glyph.advanceY = m[1] / font[0] * 2 / 3;
      glyph.upX = m[2] / font[3];
      glyph.upY = m[3] / font[3];
      // true: the glyph is done (here: not drawn), and no endType3Char follows.
      if (LeaveOut(glyph, state)) return true;
    }
    const bool done = SplashOutputDev::beginType3Char(state, x, y, dx, dy, code, u, uLen);
    if (!done) ++nested_;
    return done;
  }

  void endType3Char(GfxState* state) override {
    --nested_;
    SplashOutputDev::endType3Char(state);
  }

  void stroke(GfxState* state) override {
    const Extent extent = PathExtent(state, state->getTransformedLineWidth() / 2);
    if (!InsidePicture(extent, state) && !Underline(extent)) SplashOutputDev::stroke(state);
  }
  void fill(GfxState* state) override {
    const Extent extent = PathExtent(state, 0);
    if (!InsidePicture(extent, state) && !Underline(extent)) SplashOutputDev::fill(state);
  }
  void eoFill(GfxState* state) override {
    if (!InsidePicture(PathExtent(state, 0), state)) SplashOutputDev::eoFill(state);
  }

  // A shading fills the clip; true tells Gfx that it is done.
  bool functionShadedFill(GfxState* state, GfxFunctionShading* shading) override {
    return InsidePicture(Extent(), state) || SplashOutputDev::functionShadedFill(state, shading);
  }
  bool axialShadedFill(GfxState* state, GfxAxialShading* shading, double tMin, double tMax) override {
    return InsidePicture(Extent(), state) || SplashOutputDev::axialShadedFill(state, shading, tMin, tMax);
  }
  bool radialShadedFill(GfxState* state, GfxRadialShading* shading, double tMin, double tMax) override {
    return InsidePicture(Extent(), state) || SplashOutputDev::radialShadedFill(state, shading, tMin, tMax);
  }
  bool gouraudTriangleShadedFill(GfxState* state, GfxGouraudTriangleShading* shading) override {
    return InsidePicture(Extent(), state) || SplashOutputDev::gouraudTriangleShadedFill(state, shading);
  }

  bool tilingPatternFill(GfxState* state, Gfx* gfx, Catalog* catalog, GfxTilingPattern* pattern, const double* matrix,
                         int x0, int y0, int x1, int y1, double xStep, double yStep) override {
    ++nested_;
    const bool done =
        SplashOutputDev::tilingPatternFill(state, gfx, catalog, pattern, matrix, x0, y0, x1, y1, xStep, yStep);
    --nested_;
    return done;
  }

  void beginTransparencyGroup(GfxState* state, const double* bbox, GfxColorSpace* blendingColorSpace, bool isolated,
                              bool knockout, bool forSoftMask) override {
    const double x = state->getCTM()[4], y = state->getCTM()[5];
    SplashOutputDev::beginTransparencyGroup(state, bbox, blendingColorSpace, isolated, knockout, forSoftMask);
    shifts_.push_back({state->getCTM()[4] - x, state->getCTM()[5] - y});
    shiftX_ += shifts_.back().first;
    shiftY_ += shifts_.back().second;
  }
  void endTransparencyGroup(GfxState* state) override {
    SplashOutputDev::endTransparencyGroup(state);
    if (shifts_.empty()) return;
    shiftX_ -= shifts_.back().first;
    shiftY_ -= shifts_.back().second;
    shifts_.pop_back();
  }

  void drawImageMask(GfxState* state, Object* ref, Stream* str, int width, int height, bool invert, bool interpolate,
                     bool inlineImg) override {
    if (InsidePicture(ImageExtent(state), state)) {
      // Inline image data follows in the content stream: the base device reads past it.
      if (inlineImg) OutputDev::drawImageMask(state, ref, str, width, height, invert, interpolate, inlineImg);
      return;
    }
    SplashOutputDev::drawImageMask(state, ref, str, width, height, invert, interpolate, inlineImg);
  }
  void drawImage(GfxState* state, Object* ref, Stream* str, int width, int height, GfxImageColorMap* colorMap,
                 bool interpolate, const int* maskColors, bool inlineImg) override {
    if (InsidePicture(ImageExtent(state), state)) {
      if (inlineImg) OutputDev::drawImage(state, ref, str, width, height, colorMap, interpolate, maskColors, inlineImg);
      return;
    }
    SplashOutputDev::drawImage(state, ref, str, width, height, colorMap, interpolate, maskColors, inlineImg);
  }
  void drawMaskedImage(GfxState* state, Object* ref, Stream* str, int width, int height, GfxImageColorMap* colorMap,
                       bool interpolate, Stream* maskStr, int maskWidth, int maskHeight, bool maskInvert,
                       bool maskInterpolate) override {
    if (InsidePicture(ImageExtent(state), state)) return;
    SplashOutputDev::drawMaskedImage(state, ref, str, width, height, colorMap, interpolate, maskStr, maskWidth,
                                     maskHeight, maskInvert, maskInterpolate);
  }
  void drawSoftMaskedImage(GfxState* state, Object* ref, Stream* str, int width, int height, GfxImageColorMap* colorMap,
                           bool interpolate, Stream* maskStr, int maskWidth, int maskHeight,
                           GfxImageColorMap* maskColorMap, bool maskInterpolate) override {
    if (InsidePicture(ImageExtent(state), state)) return;
    SplashOutputDev::drawSoftMaskedImage(state, ref, str, width, height, colorMap, interpolate, maskStr, maskWidth,
                                         maskHeight, maskColorMap, maskInterpolate);
  }

 private:
  // A transformed point in the page's device pixels.
  void PagePoint(const GfxState* state, double x, double y, double& px, double& py) const {
    state->transform(x, y, &px, &py);
    px -= shiftX_;
    py -= shiftY_;
  }

  Extent Clip(const GfxState* state) const {
    Extent clip;
    state->getClipBBox(&clip.x0, &clip.y0, &clip.x1, &clip.y1);
    clip.x0 -= shiftX_;
    clip.x1 -= shiftX_;
    clip.y0 -= shiftY_;
    clip.y1 -= shiftY_;
    return clip;
  }

  Extent PathExtent(const GfxState* state, double grow) const {
    Extent extent;
    const GfxPath* path = state->getPath();
    for (int i = 0; path != nullptr && i < path->getNumSubpaths(); ++i) {
      const GfxSubpath* subpath = path->getSubpath(i);
      for (int j = 0; j < subpath->getNumPoints(); ++j) {
        double x = 0, y = 0;
        PagePoint(state, subpath->getX(j), subpath->getY(j), x, y);
        extent.Add(x - grow, y - grow);
        extent.Add(x + grow, y + grow);
      }
    }
    return extent;
  }

  // An image fills the unit square of its matrix.
  Extent ImageExtent(const GfxState* state) const {
    Extent extent;
    for (const auto& [u, v] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
      double x = 0, y = 0;
      PagePoint(state, u, v, x, y);
      extent.Add(x, y);
    }
    return extent;
  }

  // Whether the visible part of a drawing (of the clip, for an empty
  // extent) lies within a picture. Something clipped away entirely is drawn:
  // it shows nothing either way.
  bool InsidePicture(const Extent& drawn, const GfxState* state) const {
    if (nested_ > 0 || pictures_.empty()) return false;
    const Extent visible = drawn.Empty() ? Clip(state) : drawn.Intersect(Clip(state));
    if (visible.Empty()) return false;
    return std::any_of(pictures_.begin(), pictures_.end(),
                       [&](const Extent& picture) { return picture.Contains(visible); });
  }

  // A rule in the lower third of an underlined line (below the middle of
  // its letters, where a line-through runs), at most a sixth of its height
  // thick and three times as long as thick.
  bool Underline(const Extent& drawn) const {
    if (nested_ > 0 || drawn.Empty()) return false;
    const double thick = drawn.y1 - drawn.y0, length = drawn.x1 - drawn.x0;
    return std::any_of(underlined_.begin(), underlined_.end(), [&](const Extent& line) {
      const double height = line.y1 - line.y0;
      return line.Contains(drawn) && drawn.y0 >= line.y0 + height * 2 / 3 && thick <= height / 6 && length >= 3 * thick;
    });
  }

  // A glyph on the page, in device pixels: its origin on the baseline, its
  // advance, and an em of its text upwards.
  struct Glyph {
    double x = 0, y = 0, advanceX = 0, advanceY = 0, upX = 0, upY = 0;
  };

  // A glyph is judged by its middle: halfway along its advance, a third of
  // an em above the baseline. In a text line, an upright one (written left
  // or right, upwards, slanted at most) is left out and votes for the
  // line's baseline; a glyph on its side or upside down stays, as the text
  // box cannot show it so.
  bool LeaveOut(const Glyph& glyph, const GfxState* state) {
    const double mx = glyph.x + glyph.advanceX / 2 + glyph.upX / 3;
    const double my = glyph.y + glyph.advanceY / 2 + glyph.upY / 3;
    const auto holds = [&](const Extent& box) { return box.Contains(mx, my); };
    const auto line = std::find_if(text_.begin(), text_.end(), holds);
    if (line != text_.end()) {
      Seen& seen = seen_[static_cast<size_t>(line - text_.begin())];
      const double up = -glyph.upY;
      const bool upright = up > 0 && std::fabs(glyph.upX) < up / 2 && std::fabs(glyph.advanceY) < 1e-3 * up;
      if (upright) {
        ++seen.baselines[std::lround(glyph.y / pixelsPerPoint_ * 4)];
        return true;
      }
      ++seen.sideways;
    }
    Extent middle;
    middle.Add(mx, my);
    return InsidePicture(middle, state);
  }

 public:
  /// What the glyphs of each text line showed.
  std::vector<PrintedLine> Printed() const {
    std::vector<PrintedLine> printed;
    for (const Seen& seen : seen_) {
      const auto most = std::max_element(seen.baselines.begin(), seen.baselines.end(),
                                         [](const auto& a, const auto& b) { return a.second < b.second; });
      PrintedLine line;
      if (most != seen.baselines.end()) line.baseline = static_cast<double>(most->first) / 4;
      line.sideways = most == seen.baselines.end() && seen.sideways > 0;
      printed.push_back(line);
    }
    return printed;
  }

 private:
  std::vector<Extent> text_, pictures_, underlined_;
  double pixelsPerPoint_ = 1;
  // Per text line: the baselines of its upright glyphs in quarter points,
  // with their number, and how many were not upright.
  struct Seen {
    std::map<long, int> baselines;
    int sideways = 0;
  };
  std::vector<Seen> seen_;
  std::vector<std::pair<double, double>> shifts_;
  double shiftX_ = 0, shiftY_ = 0;
  int nested_ = 0;
};

std::optional<BackgroundSize> BackgroundSizeFor(double widthPoints, double heightPoints, double dpi,
                                                std::string& error) {
  if (!(widthPoints > 0 && heightPoints > 0 && dpi > 0) || !std::isfinite(widthPoints * heightPoints * dpi)) {
    error = "the page has no area to render";
    return std::nullopt;
  }
  // Largest resolution within the limits, a little under so that rounding
  // the sides cannot cross them.
  const double widest = std::max(widthPoints, heightPoints) / 72;
  const double area = widthPoints / 72 * heightPoints / 72;
  const double limit =
      std::min((kMaxPageSide - 0.5) / widest, std::sqrt(static_cast<double>(kMaxPagePixels) / area) * 0.9999);
  BackgroundSize size;
  size.dpi = std::min(dpi, limit);
  const double width = widthPoints / 72 * size.dpi, height = heightPoints / 72 * size.dpi;
  // Less than half a pixel across cannot keep the page's shape.
  if (std::min(width, height) < 0.5) {
    error = "the page of " + std::to_string(std::lround(widthPoints)) + " x " +
            std::to_string(std::lround(heightPoints)) + " points is too narrow for a picture within " +
            std::to_string(kMaxPageSide) + " pixels a side";
    return std::nullopt;
  }
  size.width = std::max(1L, std::lround(width));
  size.height = std::max(1L, std::lround(height));
  return size;
}

PageBackgrounds::PageBackgrounds(const PdfInput& input) : input_(input) {
  UsePopplerCore();
  SplashColor paper = {0xff, 0xff, 0xff};
  device_ = std::make_unique<Device>(paper);
  device_->setFontAntialias(true);
  device_->setVectorAntialias(true);
  device_->setFreeTypeHinting(false, false);
  device_->startDoc(&input.core());
}

PageBackgrounds::~PageBackgrounds() = default;

bool PageBackgrounds::Render(int index, const BackgroundSize& size, const BackgroundCutouts& cutouts, RawImage& image,
                             std::string& error, std::vector<PrintedLine>* printed) {
  PDFDoc& doc = input_.core();
  if (index < 0 || index >= doc.getNumPages() || doc.getPage(index + 1) == nullptr) {
    error = "page " + std::to_string(index + 1) + " cannot be read";
    return false;
  }
  device_->SetCutouts(cutouts, size.dpi / 72);
  doc.displayPage(device_.get(), index + 1, size.dpi, size.dpi, 0, false, true, false);
  std::shared_ptr<SplashBitmap> bitmap(device_->takeBitmap());
  if (!bitmap || bitmap->getDataPtr() == nullptr || bitmap->getWidth() < 1 || bitmap->getHeight() < 1 ||
      std::labs(bitmap->getWidth() - size.width) > 1 || std::labs(bitmap->getHeight() - size.height) > 1) {
    error = "page " + std::to_string(index + 1) + " cannot be rendered at " + std::to_string(size.width) + " x " +
            std::to_string(size.height) + " pixels";
    return false;
  }
  if (printed != nullptr) *printed = device_->Printed();
  image.Release();
  image.width = bitmap->getWidth();
  image.height = bitmap->getHeight();
  image.channels = 3;
  image.held = bitmap->getDataPtr();
  // Rows of 3 bytes a pixel with a padding of 1 byte are packed already.
  image.holder = std::move(bitmap);
  return true;
}

bool IsBlank(const RawImage& image) {
  const unsigned char* data = image.data();
  const size_t size = image.size();
  for (size_t i = 0; i < size; ++i) {
    if (data[i] != 0xff) return false;
  }
  return true;
}

}  // namespace zembra::exporter
