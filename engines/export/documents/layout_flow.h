// The reading order of an untagged page's text: glyphs into lines across
// the page, lines into pieces where they leave a gutter, and runs of lines
// set in columns read one column after the other; list labels at the start
// of a line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engines/export/documents/block_builder.h"
#include "engines/export/documents/page_content.h"

namespace zembra::exporter {

/// The extent of glyphs, their spaces left out.
Box GlyphExtent(const std::vector<const Glyph*>& glyphs);

/// The size most of the glyphs have (to half a point).
double DominantSize(const std::vector<const Glyph*>& glyphs);

double Median(std::vector<double> values);

/// Glyphs grouped into lines across the whole page (by vertical overlap),
/// each line left to right; lines top to bottom.
std::vector<std::vector<const Glyph*>> GlyphBands(std::vector<const Glyph*> glyphs);

/// A piece of a page in reading order: a line of text, or a table or a
/// picture already made.
struct LayoutItem {
  Box box;
  std::vector<const Glyph*> glyphs;  ///< a line's, left to right
  std::optional<Block> block;
  std::string bullet;  ///< a list marker drawn as a shape before the line
  double size = 0;     ///< the line's dominant font size
};

LayoutItem LineItem(std::vector<const Glyph*> glyphs);

/// A line split where it leaves a gap wide enough to be a gutter between columns.
std::vector<LayoutItem> LinePieces(const std::vector<const Glyph*>& band);

/// A line across the page: its pieces left to right.
struct LayoutBand {
  Box box;
  std::vector<LayoutItem> pieces;
};

/// Lines in reading order, and whether they are one column of a section set in columns.
struct FlowRun {
  std::vector<LayoutItem> items;
  bool column = false;
};

/// The page's bands (top to bottom) in reading order: a flow for each run
/// of text across the page, and one for each column, left to right, of a
/// section of running text set in columns (a gutter no line crosses, four
/// lines at least, text a few ems long on either side). left and right:
/// the page's text area; bodySize: the size of running text.
std::vector<FlowRun> ReadingFlows(std::vector<LayoutBand> bands, double left, double right, double bodySize);

/// A list item's label at the start of a line: a bullet character, or a
/// number or a letter with a full stop or a parenthesis ("1.", "b)", "iv.").
struct LineLabel {
  std::string text;
  bool ordered = false;
  size_t glyphs = 0;  ///< how many of the line's glyphs it takes
};

/// The label a line starts with, if any; a label alone on its line is none.
std::optional<LineLabel> LineLabelOf(const std::vector<const Glyph*>& glyphs);

}  // namespace zembra::exporter
