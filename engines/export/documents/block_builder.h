// Blocks of the document model made from drawn content, shared by the
// reader of tagged PDFs and the one that reconstructs untagged pages:
// paragraphs from glyphs, their alignment, pictures from images and vector
// art, tables from cells and the rules drawn around them.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "engines/export/documents/document_model.h"
#include "engines/export/documents/page_content.h"

namespace zembra::exporter {

/// The pages being read: their content, and the styles their glyphs index.
struct ReadPages {
  std::vector<PageDrawing> pages;
  std::vector<TextStyle> styles;  ///< every page's glyph styles index this one list
};

/// Renders a region of a page (index among the pages read) at a resolution
/// into a PNG, with its pixel size; "" when it cannot. The document reader's
/// renderer paints later: it gives a stand-in that it puts the PNG in place
/// of once every block is made.
using RegionRenderer =
    std::function<std::string(int page, const Box& region, double dpi, int& pixelWidth, int& pixelHeight)>;

/// Makes the styles of all pages one list, rewriting each glyph's index.
void ShareStyles(ReadPages& pages);

Box Union(const Box& a, const Box& b);

/// A paragraph of glyphs given in drawing order: its lines, direction and
/// box; its alignment judged inside container. Nothing without text.
std::optional<Paragraph> MakeParagraph(const std::vector<const Glyph*>& glyphs, const std::vector<TextStyle>& styles,
                                       const Box& container);

/// Paragraphs of glyphs in drawing order that nothing marks as paragraphs:
/// a line starts a new one when it stands apart from the one before (a gap
/// wider than the line spacing, another column, a clearly different size).
std::vector<Paragraph> SplitParagraphs(const std::vector<const Glyph*>& glyphs, const std::vector<TextStyle>& styles,
                                       const Box& container);

/// How lines stand in their container: centred, flush left, flush right,
/// or justified (every line but the last filling it).
Alignment AlignmentOf(const std::vector<TextLine>& lines, const Box& container, bool rightToLeft);

/// A picture of a page's region: the one image there as it is when nothing
/// else is drawn over or beside it, else the region rendered at the
/// images' resolution, 150 dpi at least.
std::optional<Picture> MakePicture(int page, const Box& region, const std::vector<const Image*>& images,
                                   bool otherContent, const RegionRenderer& render);

/// A table cell's content and grid place, before its box is known.
struct PlacedCell {
  TableCell cell;
  bool placed = false;
  std::optional<Box> content;  ///< the extent of its glyphs and pictures on cell.page
};

/// Aligns the paragraphs of a table's cells: each keeps to the side its
/// column's text keeps to, or, where that does not tell, to the side its own
/// gaps in the cell say. LayOutTable does it; a table renumbered afterwards
/// (its columns turned right to left) does it again.
void AlignCells(Table& table);

/// A table's edges known beforehand (from a grid of rules on one page).
struct KnownEdges {
  std::vector<double> columns;  ///< columns + 1, left to right
  std::vector<double> rows;     ///< rows + 1, top to bottom
};

/// Sets the geometry of a table from its cells' places and content and the
/// rules and fills drawn on each page: column edges, row edges (per page),
/// cell boxes, borders, backgrounds, widths and heights, the table's box.
/// shapesByPage: the shapes of the table on each page read; known: edges
/// to take as they are instead.
void LayOutTable(Table& table, std::vector<PlacedCell>& cells,
                 const std::vector<std::vector<const Shape*>>& shapesByPage, const KnownEdges* known = nullptr);

}  // namespace zembra::exporter
