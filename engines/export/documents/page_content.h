// What a page draws, as the document reader needs it: every glyph with its
// box, font and colour, the rectangles and lines that make rules and cell
// backgrounds, other vector art by its extent, the images, the link areas;
// each piece with the marked-content id (MCID) that ties it to the
// structure tree. Coordinates as in document_model.h: points, origin at the
// top left of the page as shown.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "engines/export/documents/document_model.h"

class PDFDoc;

namespace zembra::exporter {

/// Where a piece of content belongs in the structure tree.
struct Mark {
  int mcid = -1;          ///< the innermost marked content's id; -1: none
  bool artifact = false;  ///< inside /Artifact marked content
};

struct Glyph {
  std::string text;   ///< UTF-8: one character, or the replacement text of a ligature or cluster
  char32_t code = 0;  ///< the first code point of text
  Box box;
  double baseline = 0;  ///< y of the baseline
  double size = 0;      ///< font size in points as shown
  int style = 0;        ///< index into PageDrawing::styles (the document's styles once read)
  Mark mark;
  int page = 0;  ///< the page's index among the pages read
  bool space() const { return code == ' ' || code == 0xA0 || code == 0x3000; }
};

enum class ShapeKind {
  kRectangle,  ///< an axis-parallel rectangle, filled or stroked
  kLine,       ///< a stroked horizontal or vertical segment
  kOther,      ///< anything else: curves, slanted lines, shadings, stencil masks
};

struct Shape {
  ShapeKind kind = ShapeKind::kOther;
  bool filled = false;
  Box box;  ///< a stroked line's box spans its width
  Rgb color;
  double lineWidth = 0;  ///< stroked shapes
  Mark mark;
  bool underline = false;  ///< a bar under text: the text's underline, not a rule
};

struct Image {
  Box box;
  int pixelWidth = 0, pixelHeight = 0;
  std::string png;  ///< the image as shown (flips applied), with its transparency
  Mark mark;
};

struct LinkArea {
  Box box;
  std::string uri;
};

struct PageDrawing {
  double width = 0, height = 0;
  std::vector<Glyph> glyphs;  ///< drawing order
  std::vector<Shape> shapes;  ///< drawing order
  std::vector<Image> images;  ///< drawing order
  std::vector<TextStyle> styles;
  std::vector<LinkArea> links;
};

/// Images decoded so far, by object and the way they are shown: an image
/// drawn again (on the same or another page) is decoded once.
using DecodedImages = std::map<std::string, Image>;

/// Reads page pageNumber (1-based) of the document.
PageDrawing ReadPageDrawing(PDFDoc& document, int pageNumber, DecodedImages& decoded);

/// The family of an embedded font by its name: the subset tag and the style
/// suffix removed and, where the font is installed, its family as the
/// system names it ("ABCDEF+DejaVuSans-Bold" -> "DejaVu Sans").
std::string FontFamilyOf(const std::string& fontName);

}  // namespace zembra::exporter
