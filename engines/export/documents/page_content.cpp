#include "engines/export/documents/page_content.h"

#include <fontconfig/fontconfig.h>
#include <poppler/Annot.h>
#include <poppler/GfxFont.h>
#include <poppler/GfxState.h>
#include <poppler/Link.h>
#include <poppler/OutputDev.h>
#include <poppler/PDFDoc.h>
#include <poppler/Page.h>
#include <poppler/Stream.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include "engines/export/documents/png_file.h"
#include "engines/export/poppler_core.h"

namespace zembra::exporter {

namespace {

// Images larger than this many pixels are shown but not kept as pictures.
constexpr double kMaxImagePixels = 40e6;

unsigned char Byte(GfxColorComp component) { return colToByte(component); }

Rgb RgbOf(const GfxRGB& rgb) { return {Byte(rgb.r), Byte(rgb.g), Byte(rgb.b)}; }

std::string Utf8Of(const Unicode* u, int length) {
  std::string text;
  for (int i = 0; i < length; ++i) AppendUtf8(text, u[i]);
  return text;
}

char32_t FirstCodePoint(const std::string& text) {
  if (text.empty()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  if (p[0] < 0x80) return p[0];
  int extra = (p[0] & 0xE0) == 0xC0 ? 1 : (p[0] & 0xF0) == 0xE0 ? 2 : (p[0] & 0xF8) == 0xF0 ? 3 : 0;
  if (extra == 0 || text.size() <= static_cast<size_t>(extra)) return 0xFFFD;
  char32_t c = p[0] & (0x3F >> extra);
  for (int i = 1; i <= extra; ++i) c = (c << 6) | (p[i] & 0x3Fu);
  return c;
}

Box Extent(const double (&x)[4], const double (&y)[4]) {
  return {*std::min_element(x, x + 4), *std::min_element(y, y + 4), *std::max_element(x, x + 4),
          *std::max_element(y, y + 4)};
}

bool Disjoint(const Box& a, double width, double height) {
  return a.x1 < 0 || a.y1 < 0 || a.x0 > width || a.y0 > height;
}

// A glyph's style before links and underlines are known.
struct RawStyle {
  int face = 0;
  double size = 0;
  Rgb color;
};

struct Face {
  std::string family;
  FontKind kind = FontKind::kSans;
  bool bold = false, italic = false;
};

Face FaceOf(const GfxFont& font) {
  Face face;
  // A Type 3 font (how Chromium embeds CFF fonts such as the CJK ones) has
  // no name of its own; its descriptor may still tell its font and family.
  std::string name = font.getName().value_or("");
  if (name.empty() && font.getEmbeddedFontName() != nullptr) name = font.getEmbeddedFontName()->toStr();
  const std::string declaredFamily = font.getFamily() != nullptr ? font.getFamily()->toStr() : std::string();
  face.family = !name.empty() ? FontFamilyOf(name) : declaredFamily;
  face.bold = font.isBold() || FontNameIsBold(name) || font.getWeight() >= GfxFont::W600;
  face.italic = font.isItalic() || FontNameIsItalic(name);
  face.kind = FontKindOf(name.empty() ? declaredFamily : name);
  // A Type 3 font's glyphs of one width say nothing of its kind: CJK fonts
  // set every ideograph one em wide.
  if (font.isFixedWidth() && font.getType() != fontType3) face.kind = FontKind::kMono;
  if (face.kind == FontKind::kSans && font.isSerif() && name.find("Sans") == std::string::npos) {
    face.kind = FontKind::kSerif;
  }
  return face;
}

// Whether an image's samples are its RGB or grey values as they are: 8 bits,
// no decode array, and a device space or an ICC profile of three or one
// components (the sRGB of the page, whose exact conversion costs much and
// changes nothing a picture of a document needs).
bool PlainSamples(GfxImageColorMap& colorMap) {
  GfxColorSpace* space = colorMap.getColorSpace();
  const int components = colorMap.getNumPixelComps();
  if (space == nullptr || colorMap.getBits() != 8 || (components != 3 && components != 1)) return false;
  const GfxColorSpaceMode mode = space->getMode();
  if (mode != csDeviceRGB && mode != csDeviceGray && mode != csICCBased) return false;
  for (int i = 0; i < components; ++i) {
    if (colorMap.getDecodeLow(i) != 0 || colorMap.getDecodeHigh(i) != 1) return false;
  }
  return true;
}

class ContentReader : public OutputDev {
 public:
  ContentReader(PageDrawing& content, DecodedImages& decoded) : content_(content), decoded_(decoded) {}

  std::vector<RawStyle> rawStyles;  // one per glyph
  std::vector<Face> faces;
  double baseCtm[6] = {1, 0, 0, 1, 0, 0};

  bool upsideDown() override { return true; }
  bool useDrawChar() override { return true; }
  bool interpretType3Chars() override { return false; }
  bool needNonText() override { return true; }
  bool useTilingPatternFill() override { return true; }
  bool useShadedFills(int) override { return true; }

  void startPage(int, GfxState* state, XRef*) override {
    content_.width = state->getPageWidth();
    content_.height = state->getPageHeight();
    std::copy(state->getCTM(), state->getCTM() + 6, baseCtm);
  }

  void beginMarkedContent(const char* name, Dict* properties) override {
    Mark mark = marks_.empty() ? Mark() : marks_.back();
    if (name != nullptr && std::string(name) == "Artifact") mark.artifact = true;
    if (properties != nullptr) {
      const Object mcid = properties->lookup("MCID");
      if (mcid.isInt()) mark.mcid = mcid.getInt();
    }
    marks_.push_back(mark);
  }
  void endMarkedContent(GfxState*) override {
    if (!marks_.empty()) marks_.pop_back();
  }

  void beginActualText(GfxState*, const GooString* text) override {
    actualStart_ = content_.glyphs.size();
    actualText_ = Utf8FromTextString(text);
    inActualText_ = true;
  }
  void endActualText(GfxState*) override {
    if (!inActualText_) return;
    inActualText_ = false;
    std::vector<Glyph>& glyphs = content_.glyphs;
    if (actualStart_ >= glyphs.size()) return;
    if (actualText_.empty()) {  // the glyphs stand for no text (a hyphen added by the layout)
      glyphs.resize(actualStart_);
      rawStyles.resize(actualStart_);
      return;
    }
    Glyph& first = glyphs[actualStart_];
    for (size_t i = actualStart_ + 1; i < glyphs.size(); ++i) {
      first.box = {std::min(first.box.x0, glyphs[i].box.x0), std::min(first.box.y0, glyphs[i].box.y0),
                   std::max(first.box.x1, glyphs[i].box.x1), std::max(first.box.y1, glyphs[i].box.y1)};
    }
    first.text = actualText_;
    first.code = FirstCodePoint(actualText_);
    glyphs.resize(actualStart_ + 1);
    rawStyles.resize(actualStart_ + 1);
  }

  void drawChar(GfxState* state, double x, double y, double dx, double dy, double originX, double originY, CharCode,
                int, const Unicode* u, int uLength) override {
    if (uLength <= 0 && !inActualText_) return;
    const std::shared_ptr<GfxFont>& font = state->getFont();
    if (!font) return;
    double m11, m12, m21, m22;
    state->getFontTransMat(&m11, &m12, &m21, &m22);
    double emScale = 1;
    if (font->getType() == fontType3) {
      const double* matrix = font->getFontMatrix();
      emScale = std::hypot(matrix[2], matrix[3]) / 0.001;
    }
    const double upX = m21 * emScale, upY = m22 * emScale;
    const double size = std::hypot(upX, upY);
    if (!(size > 0.01)) return;
    const double ascent = std::clamp(font->getAscent(), 0.6, 1.1);
    const double descent = std::clamp(font->getDescent(), -0.45, -0.1);
    double x0, y0, x1, y1;
    state->transform(x - originX, y - originY, &x0, &y0);
    state->transform(x - originX + dx, y - originY + dy, &x1, &y1);
    // The up vector points to smaller y on an upright page; the box spans
    // the descent below the baseline to the ascent above it.
    const double ux = upX / size, uy = upY / size;
    const double xs[4] = {x0 + ux * ascent * size, x0 + ux * descent * size, x1 + ux * ascent * size,
                          x1 + ux * descent * size};
    const double ys[4] = {y0 + uy * ascent * size, y0 + uy * descent * size, y1 + uy * ascent * size,
                          y1 + uy * descent * size};
    Glyph glyph;
    glyph.box = Extent(xs, ys);
    if (Disjoint(glyph.box, content_.width, content_.height)) return;
    glyph.text = uLength > 0 ? Utf8Of(u, uLength) : std::string();
    glyph.code = FirstCodePoint(glyph.text);
    glyph.baseline = y0;
    glyph.size = size;
    glyph.mark = CurrentMark();
    if (font.get() != lastFont_) {
      lastFont_ = font.get();
      const auto known = faceIndex_.find(lastFont_);
      if (known != faceIndex_.end()) {
        lastFace_ = known->second;
      } else {
        lastFace_ = static_cast<int>(faces.size());
        faces.push_back(FaceOf(*font));
        faceIndex_[lastFont_] = lastFace_;
      }
    }
    RawStyle style;
    style.face = lastFace_;
    style.size = size;
    GfxRGB rgb;
    state->getFillRGB(&rgb);
    style.color = RgbOf(rgb);
    if (state->getRender() == 2 && !faces[static_cast<size_t>(lastFace_)].bold) {
      // Filled and stroked: bold made by drawing the outline thicker.
      const Face bold = [&] {
        Face face = faces[static_cast<size_t>(lastFace_)];
        face.bold = true;
        return face;
      }();
      style.face = static_cast<int>(faces.size());
      faces.push_back(bold);
    }
    content_.glyphs.push_back(std::move(glyph));
    rawStyles.push_back(style);
  }

  void stroke(GfxState* state) override { AddPath(state, false); }
  void fill(GfxState* state) override { AddPath(state, true); }
  void eoFill(GfxState* state) override { AddPath(state, true); }

  bool tilingPatternFill(GfxState* state, Gfx*, Catalog*, GfxTilingPattern*, const double*, int, int, int, int, double,
                         double) override {
    AddClipArea(state);
    return true;
  }
  bool functionShadedFill(GfxState* state, GfxFunctionShading*) override { return AddClipArea(state); }
  bool axialShadedFill(GfxState* state, GfxAxialShading*, double, double) override { return AddClipArea(state); }
  bool radialShadedFill(GfxState* state, GfxRadialShading*, double, double) override { return AddClipArea(state); }
  bool gouraudTriangleShadedFill(GfxState* state, GfxGouraudTriangleShading*) override { return AddClipArea(state); }
  bool patchMeshShadedFill(GfxState* state, GfxPatchMeshShading*) override { return AddClipArea(state); }

  void drawImageMask(GfxState* state, Object* ref, Stream* str, int width, int height, bool invert, bool interpolate,
                     bool inlineImg) override {
    Shape shape;
    shape.kind = ShapeKind::kOther;
    shape.filled = true;
    shape.box = ImageBox(state);
    GfxRGB rgb;
    state->getFillRGB(&rgb);
    shape.color = RgbOf(rgb);
    shape.mark = CurrentMark();
    if (!Disjoint(shape.box, content_.width, content_.height)) content_.shapes.push_back(shape);
    OutputDev::drawImageMask(state, ref, str, width, height, invert, interpolate, inlineImg);
  }

  void drawImage(GfxState* state, Object* ref, Stream* str, int width, int height, GfxImageColorMap* colorMap,
                 bool interpolate, const int* maskColors, bool inlineImg) override {
    if (!AddImage(state, ref, str, width, height, colorMap, nullptr)) {
      OutputDev::drawImage(state, ref, str, width, height, colorMap, interpolate, maskColors, inlineImg);
    }
  }

  void drawMaskedImage(GfxState* state, Object* ref, Stream* str, int width, int height, GfxImageColorMap* colorMap,
                       bool, Stream* maskStr, int maskWidth, int maskHeight, bool maskInvert, bool) override {
    MaskSource mask{maskStr, maskWidth, maskHeight, nullptr, maskInvert};
    AddImage(state, ref, str, width, height, colorMap, &mask);
  }

  void drawSoftMaskedImage(GfxState* state, Object* ref, Stream* str, int width, int height, GfxImageColorMap* colorMap,
                           bool, Stream* maskStr, int maskWidth, int maskHeight, GfxImageColorMap* maskColorMap,
                           bool) override {
    MaskSource mask{maskStr, maskWidth, maskHeight, maskColorMap, false};
    AddImage(state, ref, str, width, height, colorMap, &mask);
  }

 private:
  struct MaskSource {
    Stream* stream;
    int width, height;
    GfxImageColorMap* colorMap;  // soft mask; nullptr for a one-bit stencil
    bool invert;
  };

  Mark CurrentMark() const { return marks_.empty() ? Mark() : marks_.back(); }

  bool AddClipArea(GfxState* state) {
    Shape shape;
    double x0, y0, x1, y1;
    state->getClipBBox(&x0, &y0, &x1, &y1);
    shape.box = {std::max(0.0, x0), std::max(0.0, y0), std::min(content_.width, x1), std::min(content_.height, y1)};
    shape.filled = true;
    shape.mark = CurrentMark();
    if (shape.box.width() > 0 && shape.box.height() > 0) content_.shapes.push_back(shape);
    return true;
  }

  void AddPath(GfxState* state, bool filled) {
    const GfxPath* path = state->getPath();
    GfxRGB rgb;
    if (filled) {
      state->getFillRGB(&rgb);
    } else {
      state->getStrokeRGB(&rgb);
    }
    const double lineWidth = filled ? 0 : std::max(0.1, state->getTransformedLineWidth());
    const size_t first = content_.shapes.size();
    Shape other;
    other.kind = ShapeKind::kOther;
    other.filled = filled;
    other.color = RgbOf(rgb);
    other.lineWidth = lineWidth;
    other.mark = CurrentMark();
    bool haveOther = false;
    for (int s = 0; s < path->getNumSubpaths(); ++s) {
      const GfxSubpath* sub = path->getSubpath(s);
      int n = sub->getNumPoints();
      std::vector<double> xs(static_cast<size_t>(n)), ys(static_cast<size_t>(n));
      bool curved = false;
      for (int i = 0; i < n; ++i) {
        state->transform(sub->getX(i), sub->getY(i), &xs[static_cast<size_t>(i)], &ys[static_cast<size_t>(i)]);
        curved = curved || sub->getCurve(i);
      }
      Box box{*std::min_element(xs.begin(), xs.end()), *std::min_element(ys.begin(), ys.end()),
              *std::max_element(xs.begin(), xs.end()), *std::max_element(ys.begin(), ys.end())};
      if (n > 1 && std::fabs(xs.back() - xs.front()) < 0.01 && std::fabs(ys.back() - ys.front()) < 0.01) --n;
      bool axisParallel = !curved && n >= 2;
      for (int i = 1; axisParallel && i <= n; ++i) {
        const size_t a = static_cast<size_t>(i - 1), b = static_cast<size_t>(i % n);
        if (i == n && n == 2) break;  // an open segment has no closing edge
        axisParallel = std::fabs(xs[a] - xs[b]) < 0.01 || std::fabs(ys[a] - ys[b]) < 0.01;
      }
      Shape shape = other;
      if (axisParallel && n == 4) {
        shape.kind = ShapeKind::kRectangle;
        if (!filled)
          box = {box.x0 - lineWidth / 2, box.y0 - lineWidth / 2, box.x1 + lineWidth / 2, box.y1 + lineWidth / 2};
      } else if (axisParallel && n == 2 && !filled) {
        shape.kind = ShapeKind::kLine;
        const bool horizontal = box.height() < box.width();
        if (horizontal) {
          box.y0 -= lineWidth / 2, box.y1 += lineWidth / 2;
        } else {
          box.x0 -= lineWidth / 2, box.x1 += lineWidth / 2;
        }
      } else if (filled && n <= 2) {
        continue;  // nothing to fill
      } else {
        if (!filled)
          box = {box.x0 - lineWidth / 2, box.y0 - lineWidth / 2, box.x1 + lineWidth / 2, box.y1 + lineWidth / 2};
        other.box = haveOther ? Box{std::min(other.box.x0, box.x0), std::min(other.box.y0, box.y0),
                                    std::max(other.box.x1, box.x1), std::max(other.box.y1, box.y1)}
                              : box;
        haveOther = true;
        continue;
      }
      shape.box = box;
      if (!Disjoint(box, content_.width, content_.height)) content_.shapes.push_back(shape);
    }
    if (haveOther && !Disjoint(other.box, content_.width, content_.height)) content_.shapes.push_back(other);
    // What is drawn outside the clip is not seen: the shapes are as large as they show.
    double clipX0, clipY0, clipX1, clipY1;
    state->getClipBBox(&clipX0, &clipY0, &clipX1, &clipY1);
    for (size_t i = first; i < content_.shapes.size(); ++i) {
      Box& box = content_.shapes[i].box;
      box = {std::max(box.x0, clipX0), std::max(box.y0, clipY0), std::min(box.x1, clipX1), std::min(box.y1, clipY1)};
      if (box.x1 < box.x0 || box.y1 < box.y0) box = {box.x0, box.y0, box.x0, box.y0};
    }
  }

  Box ImageBox(GfxState* state) const {
    double xs[4], ys[4];
    state->transform(0, 0, &xs[0], &ys[0]);
    state->transform(1, 0, &xs[1], &ys[1]);
    state->transform(0, 1, &xs[2], &ys[2]);
    state->transform(1, 1, &xs[3], &ys[3]);
    return Extent(xs, ys);
  }

  // Decodes the image into a PNG as shown (rows and columns flipped as the
  // page shows them). False when it is not kept (not wanted, too large, or
  // unreadable), with the stream untouched.
  bool AddImage(GfxState* state, Object* ref, Stream* str, int width, int height, GfxImageColorMap* colorMap,
                const MaskSource* mask) {
    Image image;
    image.box = ImageBox(state);
    image.mark = CurrentMark();
    if (Disjoint(image.box, content_.width, content_.height)) return false;
    if (width <= 0 || height <= 0 || static_cast<double>(width) * height > kMaxImagePixels || colorMap == nullptr ||
        !colorMap->isOk()) {
      return false;
    }
    // An image object drawn again the same way is decoded once.
    double topX, topY, bottomX, bottomY, rightX, rightY;
    state->transform(0, 1, &topX, &topY);
    state->transform(0, 0, &bottomX, &bottomY);
    state->transform(1, 1, &rightX, &rightY);
    const bool flipRows = topY > bottomY;
    const bool flipColumns = rightX < topX;
    std::string key;
    if (ref != nullptr && ref->isRef()) {
      key = std::to_string(ref->getRef().num) + " " + std::to_string(ref->getRef().gen) + (flipRows ? " r" : "") +
            (flipColumns ? " c" : "") + (mask != nullptr ? " m" : "");
      const auto known = decoded_.find(key);
      if (known != decoded_.end()) {
        image.png = known->second.png;
        image.pixelWidth = known->second.pixelWidth;
        image.pixelHeight = known->second.pixelHeight;
        content_.images.push_back(std::move(image));
        return false;  // the stream is left for the default handling to skip
      }
    }
    const int channels = mask != nullptr ? 4 : 3;
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * channels, 255);
    {
      const int components = colorMap->getNumPixelComps();
      const bool plain = PlainSamples(*colorMap);
      ImageStream stream(str, width, components, colorMap->getBits());
      stream.reset();
      std::vector<unsigned char> rgb(static_cast<size_t>(width) * 3);
      for (int row = 0; row < height; ++row) {
        unsigned char* line = stream.getLine();
        if (line == nullptr) break;
        unsigned char* out = pixels.data() + static_cast<size_t>(row) * static_cast<size_t>(width) * channels;
        if (plain && components == 3) {
          for (int x = 0; x < width; ++x) std::copy_n(line + x * 3, 3, out + static_cast<size_t>(x) * channels);
          continue;
        }
        if (plain) {
          for (int x = 0; x < width; ++x) std::fill_n(out + static_cast<size_t>(x) * channels, 3, line[x]);
          continue;
        }
        colorMap->getRGBLine(line, rgb.data(), width);
        for (int x = 0; x < width; ++x) {
          std::copy_n(rgb.data() + static_cast<size_t>(x) * 3, 3, out + static_cast<size_t>(x) * channels);
        }
      }
      stream.close();
    }
    if (mask != nullptr) ApplyMask(*mask, pixels, width, height);
    // Row 0 of an image maps to the top of its unit square, column 0 to its
    // left; a page may show it mirrored.
    const size_t stride = static_cast<size_t>(width) * channels;
    if (flipRows) {
      for (int row = 0; row < height / 2; ++row) {
        std::swap_ranges(pixels.begin() + static_cast<long>(row * stride),
                         pixels.begin() + static_cast<long>((row + 1) * stride),
                         pixels.begin() + static_cast<long>((height - 1 - row) * stride));
      }
    }
    if (flipColumns) {
      for (int row = 0; row < height; ++row) {
        unsigned char* line = pixels.data() + row * stride;
        for (int x = 0; x < width / 2; ++x) {
          std::swap_ranges(line + x * channels, line + (x + 1) * channels, line + (width - 1 - x) * channels);
        }
      }
    }
    image.pixelWidth = width;
    image.pixelHeight = height;
    image.png = EncodePng(pixels.data(), width, height, channels);
    if (image.png.empty()) return true;
    if (!key.empty()) decoded_[key] = image;
    content_.images.push_back(std::move(image));
    return true;
  }

  static void ApplyMask(const MaskSource& mask, std::vector<unsigned char>& pixels, int width, int height) {
    if (mask.stream == nullptr || mask.width <= 0 || mask.height <= 0) return;
    std::vector<unsigned char> alpha(static_cast<size_t>(mask.width) * static_cast<size_t>(mask.height), 255);
    const int components = mask.colorMap != nullptr ? mask.colorMap->getNumPixelComps() : 1;
    const int bits = mask.colorMap != nullptr ? mask.colorMap->getBits() : 1;
    ImageStream stream(mask.stream, mask.width, components, bits);
    stream.reset();
    for (int row = 0; row < mask.height; ++row) {
      unsigned char* line = stream.getLine();
      if (line == nullptr) break;
      unsigned char* out = alpha.data() + static_cast<size_t>(row) * static_cast<size_t>(mask.width);
      if (mask.colorMap != nullptr) {
        mask.colorMap->getGrayLine(line, out, mask.width);
      } else {
        // A stencil: a set bit (or a clear one when inverted) masks the pixel out.
        for (int x = 0; x < mask.width; ++x) out[x] = (line[x] != 0) != mask.invert ? 0 : 255;
      }
    }
    stream.close();
    for (int y = 0; y < height; ++y) {
      const int my = static_cast<int>(static_cast<long>(y) * mask.height / height);
      for (int x = 0; x < width; ++x) {
        const int mx = static_cast<int>(static_cast<long>(x) * mask.width / width);
        pixels[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4 + 3] =
            alpha[static_cast<size_t>(my) * static_cast<size_t>(mask.width) + static_cast<size_t>(mx)];
      }
    }
  }

  PageDrawing& content_;
  DecodedImages& decoded_;
  std::vector<Mark> marks_;
  size_t actualStart_ = 0;
  std::string actualText_;
  bool inActualText_ = false;
  const GfxFont* lastFont_ = nullptr;
  int lastFace_ = 0;
  std::unordered_map<const GfxFont*, int> faceIndex_;
};

Box Transformed(const double (&ctm)[6], const PDFRectangle& rect) {
  double xs[4], ys[4];
  const double px[4] = {rect.x1, rect.x2, rect.x1, rect.x2}, py[4] = {rect.y1, rect.y1, rect.y2, rect.y2};
  for (int i = 0; i < 4; ++i) {
    xs[i] = ctm[0] * px[i] + ctm[2] * py[i] + ctm[4];
    ys[i] = ctm[1] * px[i] + ctm[3] * py[i] + ctm[5];
  }
  return Extent(xs, ys);
}

void ReadLinks(Page& page, const double (&ctm)[6], PageDrawing& content) {
  const std::unique_ptr<Links> links = page.getLinks();
  if (!links) return;
  for (AnnotLink* link : links->getLinks()) {
    const LinkAction* action = link->getAction();
    if (action == nullptr || action->getKind() != actionURI) continue;
    const std::string& uri = static_cast<const LinkURI*>(action)->getURI();
    if (uri.empty()) continue;
    content.links.push_back({Transformed(ctm, link->getRect()), uri});
  }
}

// A thin bar just below a baseline, as wide as the glyphs above it, is
// their underline; a rule under a table cell is wider than the cell's words
// and lies lower.
void FindUnderlines(PageDrawing& content, std::vector<bool>& underlined) {
  std::vector<std::pair<double, size_t>> byBaseline;  // baseline -> glyph
  byBaseline.reserve(content.glyphs.size());
  for (size_t i = 0; i < content.glyphs.size(); ++i) byBaseline.emplace_back(content.glyphs[i].baseline, i);
  std::sort(byBaseline.begin(), byBaseline.end());
  for (Shape& shape : content.shapes) {
    const bool bar = (shape.kind == ShapeKind::kRectangle && shape.filled) || shape.kind == ShapeKind::kLine;
    if (!bar || shape.box.height() > 3 || shape.box.width() < 1 || shape.box.height() > shape.box.width()) continue;
    std::vector<size_t> above;
    double covered = 0;
    // Glyphs whose baseline lies at most a third of a large size above the bar.
    const auto from =
        std::lower_bound(byBaseline.begin(), byBaseline.end(), std::make_pair(shape.box.y0 - 12, size_t{0}));
    const auto to = std::upper_bound(byBaseline.begin(), byBaseline.end(),
                                     std::make_pair(shape.box.y0 + 1, std::numeric_limits<size_t>::max()));
    for (auto it = from; it != to; ++it) {
      const Glyph& glyph = content.glyphs[it->second];
      const double drop = shape.box.y0 - glyph.baseline;
      if (drop < -0.05 * glyph.size || drop > 0.25 * glyph.size || shape.box.height() > 0.15 * glyph.size) continue;
      const double overlap = std::min(glyph.box.x1, shape.box.x1) - std::max(glyph.box.x0, shape.box.x0);
      if (overlap <= 0.5 * glyph.box.width()) continue;
      above.push_back(it->second);
      covered += overlap;
    }
    if (above.empty() || covered < 0.85 * shape.box.width()) continue;
    for (size_t i : above) underlined[i] = true;
    shape.underline = true;
  }
}

std::string FamilyFromFontconfig(const std::string& postscriptName) {
  static std::once_flag once;
  static FcConfig* config = nullptr;
  std::call_once(once, [] { config = FcInitLoadConfigAndFonts(); });
  if (config == nullptr) return "";
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_POSTSCRIPT_NAME, reinterpret_cast<const FcChar8*>(postscriptName.c_str()));
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, nullptr);
  FcFontSet* fonts = FcFontList(config, pattern, objects);
  std::string family;
  FcChar8* name = nullptr;
  if (fonts != nullptr && fonts->nfont > 0 &&
      FcPatternGetString(fonts->fonts[0], FC_FAMILY, 0, &name) == FcResultMatch) {
    family = reinterpret_cast<const char*>(name);
  }
  if (fonts != nullptr) FcFontSetDestroy(fonts);
  FcObjectSetDestroy(objects);
  FcPatternDestroy(pattern);
  return family;
}

}  // namespace

std::string FontFamilyOf(const std::string& fontName) {
  std::string name = fontName;
  const size_t plus = name.find('+');
  if (plus == 6) name.erase(0, 7);  // subset tag "ABCDEF+"
  static std::mutex mutex;
  static std::map<std::string, std::string> known;
  const std::lock_guard<std::mutex> lock(mutex);
  const auto found = known.find(name);
  if (found != known.end()) return found->second;
  std::string family = FamilyFromFontconfig(name);
  if (family.empty()) {
    family = name;
    const size_t cut = family.find_first_of("-,");
    if (cut != std::string::npos && cut > 0) family.erase(cut);
  }
  return known[name] = family;
}

PageDrawing ReadPageDrawing(PDFDoc& document, int pageNumber, DecodedImages& decoded) {
  PageDrawing content;
  Page* page = document.getPage(pageNumber);
  if (page == nullptr) return content;
  content.glyphs.reserve(4096);
  ContentReader reader(content, decoded);
  document.displayPage(&reader, pageNumber, 72, 72, 0, false, true, false);
  ReadLinks(*page, reader.baseCtm, content);

  std::vector<bool> underlined(content.glyphs.size(), false);
  FindUnderlines(content, underlined);
  std::map<std::tuple<int, long, int, int, int, size_t, bool>, int> styleIndex;
  for (size_t i = 0; i < content.glyphs.size(); ++i) {
    Glyph& glyph = content.glyphs[i];
    const RawStyle& raw = reader.rawStyles[i];
    size_t link = 0;  // 1 + index of the link area holding the glyph's middle
    const double mx = (glyph.box.x0 + glyph.box.x1) / 2, my = (glyph.box.y0 + glyph.box.y1) / 2;
    for (size_t l = 0; l < content.links.size(); ++l) {
      const Box& area = content.links[l].box;
      if (mx >= area.x0 && mx <= area.x1 && my >= area.y0 && my <= area.y1) {
        link = l + 1;
        break;
      }
    }
    const long size = std::lround(raw.size * 10);
    const auto key = std::make_tuple(raw.face, size, raw.color.r, raw.color.g, raw.color.b, link, underlined[i]);
    const auto known = styleIndex.find(key);
    if (known != styleIndex.end()) {
      glyph.style = known->second;
      continue;
    }
    const Face& face = reader.faces[static_cast<size_t>(raw.face)];
    TextStyle style;
    style.fontFamily = face.family;
    style.kind = face.kind;
    style.size = static_cast<double>(size) / 10;
    style.bold = face.bold;
    style.italic = face.italic;
    style.underline = underlined[i];
    style.color = raw.color;
    if (link > 0) style.link = content.links[link - 1].uri;
    glyph.style = static_cast<int>(content.styles.size());
    content.styles.push_back(style);
    styleIndex.emplace(key, glyph.style);
  }
  // Pages are kept until the document is read: no room to spare.
  content.glyphs.shrink_to_fit();
  content.shapes.shrink_to_fit();
  return content;
}

}  // namespace zembra::exporter
