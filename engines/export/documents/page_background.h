// The background of a slide: a page rendered with poppler's core library
// (Splash) without what the slide shows as objects of its own: the text of
// its text boxes and the pictures placed as pictures. What remains (page and
// cell backgrounds, rules, borders, vector art the reader did not take, text
// it did not read) is the picture behind the slide's objects, so that nothing
// appears twice and nothing is lost.
#pragma once

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engines/export/documents/document_model.h"
#include "engines/export/pdf_input.h"

namespace zembra::exporter {

/// What the background leaves out, in points on the page as shown (origin
/// top left).
struct BackgroundCutouts {
  /// Text lines the slide shows in text boxes: an upright glyph whose
  /// middle lies in one of them is not drawn; other glyphs are.
  std::vector<Box> text;
  /// Pictures the slide shows as pictures: whatever is drawn entirely inside
  /// one of them (the image, and the paths and glyphs of vector art) is not
  /// drawn.
  std::vector<Box> pictures;
  /// Lines whose text boxes underline their text: a thin horizontal rule
  /// in the lower third of one of them (the printed underline) is not drawn.
  std::vector<Box> underlined;
};

/// What the glyphs of a text line of the cutouts showed when rendered.
struct PrintedLine {
  /// The baseline (points from the page's top) most of its upright glyphs
  /// stand on; NaN when none was upright.
  double baseline = NAN;
  /// Its glyphs are on their side or upside down (rotated text), none
  /// upright: they were drawn, as a text box cannot show them so.
  bool sideways = false;
};

/// How large a background is rendered.
struct BackgroundSize {
  double dpi = 0;  ///< pixels per inch of the page
  long width = 0, height = 0;
};

/// The rendering of a page of widthPoints x heightPoints at dpi, reduced
/// proportionally to the exporter's image limits (kMaxPageSide a side,
/// kMaxPagePixels in all). Nothing, with a one-line error, for a page without
/// area or one too narrow to keep a pixel across at those limits.
std::optional<BackgroundSize> BackgroundSizeFor(double widthPoints, double heightPoints, double dpi,
                                                std::string& error);

/// Renders backgrounds of one input's pages, with one Splash device (and its
/// fonts) for all of them. Not safe to use from two threads at once.
class PageBackgrounds {
 public:
  explicit PageBackgrounds(const PdfInput& input);
  ~PageBackgrounds();
  PageBackgrounds(const PageBackgrounds&) = delete;
  PageBackgrounds& operator=(const PageBackgrounds&) = delete;

  /// Renders page index (from 0) on white at size, 3 bytes a pixel, rows
  /// packed, leaving out the cutouts. printed, when given, gets what the
  /// glyphs of each of cutouts.text showed.
  bool Render(int index, const BackgroundSize& size, const BackgroundCutouts& cutouts, RawImage& image,
              std::string& error, std::vector<PrintedLine>* printed = nullptr);

 private:
  class Device;
  const PdfInput& input_;
  std::unique_ptr<Device> device_;
};

/// Whether every pixel is white: such a background is the slide's own and
/// needs no picture.
bool IsBlank(const RawImage& image);

}  // namespace zembra::exporter
