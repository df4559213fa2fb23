#include "engines/export/documents/text_lines.h"

#include <algorithm>
#include <cmath>

#include "engines/export/documents/bidi_order.h"
#include "engines/export/poppler_core.h"

namespace zembra::exporter {

namespace {

// A glyph farther than this many ems beside a line starts another one (the
// next column, a cell beside it); wider than any justified word space.
constexpr double kBesideEm = 3;
// A gap this wide (in ems) between two drawn glyphs is a word space when
// the page draws none: spaces are about a quarter to a third of an em,
// kerning and letter fitting stay well below this.
constexpr double kWordGapEm = 0.15;
// In a line that draws its spaces, a gap is a word space only from this
// many ems on.
constexpr double kPaddingGapEm = 0.5;

double Height(const Box& box) { return box.y1 - box.y0; }

struct Band {
  Box box;
  double size = 0;
};

bool OnLine(const Band& line, int page, const Glyph& glyph) {
  if (glyph.page != page) return false;
  const double overlap = std::min(line.box.y1, glyph.box.y1) - std::max(line.box.y0, glyph.box.y0);
  if (overlap < 0.5 * std::min(Height(line.box), Height(glyph.box))) return false;
  const double reach = kBesideEm * std::max(line.size, glyph.size);
  return glyph.box.x0 <= line.box.x1 + reach && glyph.box.x1 >= line.box.x0 - reach;
}

BidiClass ClassOfText(const std::string& text, char32_t first) {
  // A cluster (a ligature, a letter with its marks) reads as its first strong letter.
  BidiClass firstClass = BidiClassOf(first);
  if (firstClass == BidiClass::kLeft || firstClass == BidiClass::kRight || text.size() <= 1) return firstClass;
  size_t i = 0;
  while (i < text.size()) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data() + i);
    const size_t length = p[0] < 0x80 ? 1 : (p[0] & 0xE0) == 0xC0 ? 2 : (p[0] & 0xF0) == 0xE0 ? 3 : 4;
    char32_t c = length == 1 ? p[0] : p[0] & (0x7F >> length);
    for (size_t k = 1; k < length && i + k < text.size(); ++k) c = (c << 6) | (p[k] & 0x3Fu);
    const BidiClass cls = BidiClassOf(c);
    if (cls == BidiClass::kLeft || cls == BidiClass::kRight) return cls;
    i += length;
  }
  return firstClass;
}

// One piece of a line in drawing order: a glyph, or a space the page leaves
// as a gap.
struct Unit {
  const Glyph* glyph = nullptr;  // nullptr: a space found from a gap
  int style = 0;
  BidiClass bidi = BidiClass::kNeutral;
};

bool SameGlyph(const Glyph& a, const Glyph& b) {
  if (a.text != b.text) return false;
  const double tolerance = 0.1 * std::max(a.size, b.size);
  return std::fabs(a.box.x0 - b.box.x0) < tolerance && std::fabs(a.box.y0 - b.box.y0) < tolerance;
}

std::string Mirrored(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c >= 0x80) return text;  // brackets of the basic Latin block are all that is mirrored here
    AppendUtf8(out, MirroredCharacter(c));
  }
  return out;
}

}  // namespace

bool WrittenWithoutSpaces(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x2FFFF);
}

std::vector<std::vector<const Glyph*>> SplitLines(const std::vector<const Glyph*>& glyphs) {
  std::vector<std::vector<const Glyph*>> lines;
  Band band;
  for (const Glyph* glyph : glyphs) {
    if (!lines.empty() && OnLine(band, lines.back().front()->page, *glyph)) {
      lines.back().push_back(glyph);
      band.box = {std::min(band.box.x0, glyph->box.x0), std::min(band.box.y0, glyph->box.y0),
                  std::max(band.box.x1, glyph->box.x1), std::max(band.box.y1, glyph->box.y1)};
      band.size = std::max(band.size, glyph->size);
      continue;
    }
    lines.push_back({glyph});
    band.box = glyph->box;
    band.size = glyph->size;
  }
  return lines;
}

bool ReadsRightToLeft(const std::vector<const Glyph*>& glyphs) {
  std::vector<BidiClass> classes;
  classes.reserve(glyphs.size());
  for (const Glyph* glyph : glyphs) classes.push_back(BidiClassOf(glyph->code));
  return MostlyRightToLeft(classes);
}

TextLine MakeTextLine(std::vector<const Glyph*> glyphs, const std::vector<TextStyle>& styles, bool rightToLeft) {
  TextLine line;
  std::stable_sort(glyphs.begin(), glyphs.end(),
                   [](const Glyph* a, const Glyph* b) { return a->box.x0 + a->box.x1 < b->box.x0 + b->box.x1; });
  // Drop a glyph drawn twice over itself (a bold look made by overprinting).
  std::vector<const Glyph*> kept;
  for (const Glyph* glyph : glyphs) {
    if (!kept.empty() && SameGlyph(*kept.back(), *glyph)) continue;
    kept.push_back(glyph);
  }

  // A line that draws its word spaces (as browsers do) leaves narrow gaps
  // for other reasons: padding around inline code, letter spacing.
  const bool drawsSpaces = std::any_of(kept.begin(), kept.end(), [](const Glyph* glyph) { return glyph->space(); });
  const double wordGapEm = drawsSpaces ? kPaddingGapEm : kWordGapEm;
  std::vector<Unit> units;
  bool haveBox = false;
  for (size_t i = 0; i < kept.size(); ++i) {
    const Glyph& glyph = *kept[i];
    if (i > 0) {
      const Glyph& before = *kept[i - 1];
      const double gap = glyph.box.x0 - before.box.x1;
      const bool bothCjk = WrittenWithoutSpaces(before.code) && WrittenWithoutSpaces(glyph.code);
      if (!before.space() && !glyph.space() && !bothCjk && gap > wordGapEm * std::max(before.size, glyph.size)) {
        units.push_back({nullptr, before.style, BidiClass::kNeutral});
      }
    }
    units.push_back({&glyph, glyph.style, glyph.space() ? BidiClass::kNeutral : ClassOfText(glyph.text, glyph.code)});
    if (glyph.space()) continue;
    line.box = haveBox ? Box{std::min(line.box.x0, glyph.box.x0), std::min(line.box.y0, glyph.box.y0),
                             std::max(line.box.x1, glyph.box.x1), std::max(line.box.y1, glyph.box.y1)}
                       : glyph.box;
    haveBox = true;
  }
  if (!haveBox && !kept.empty()) line.box = kept.front()->box;

  std::vector<BidiClass> classes;
  classes.reserve(units.size());
  for (const Unit& unit : units) classes.push_back(unit.bidi);
  const BidiOrder order = LogicalOrder(classes, rightToLeft);

  bool pendingSpace = false;
  int pendingStyle = 0;
  for (size_t k = 0; k < order.logical.size(); ++k) {
    const size_t index = order.logical[k];
    const Unit& unit = units[index];
    const bool space = unit.glyph == nullptr || unit.glyph->space();
    if (space) {
      if (!line.runs.empty() && !pendingSpace) {
        pendingSpace = true;
        pendingStyle = unit.glyph != nullptr ? unit.style : -1;
      }
      continue;
    }
    std::string text = unit.glyph->text;
    if (order.levels[index] % 2 == 1) text = Mirrored(text);
    auto append = [&line, &styles](const std::string& piece, int style) {
      const TextStyle& wanted = styles[static_cast<size_t>(style)];
      if (!line.runs.empty() && line.runs.back().style == wanted) {
        line.runs.back().text += piece;
      } else {
        line.runs.push_back({piece, wanted});
      }
    };
    if (pendingSpace) {
      // A space found from a gap takes the style of the text before it, so
      // does a space between two pieces of one style (drawn in another font).
      if (pendingStyle < 0 || line.runs.back().style == styles[static_cast<size_t>(unit.style)]) {
        line.runs.back().text += ' ';
      } else {
        append(" ", pendingStyle);
      }
      pendingSpace = false;
    }
    append(text, unit.style);
  }
  return line;
}

}  // namespace zembra::exporter
