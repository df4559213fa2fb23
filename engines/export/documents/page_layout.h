// The words of a page grouped into lines, and lines split into cells where
// the layout leaves gaps, so that a table on the page becomes rows and columns.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engines/export/documents/document_model.h"

namespace poppler {
class document;
class page;
}

namespace zembra::exporter {


/// One word as placed on the page; coordinates in points, y growing downwards.
struct Word {
  std::string text;  ///< UTF-8
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double fontSize = 0;  ///< 0 when the PDF does not tell
  bool bold = false;
  bool italic = false;
  bool spaceAfter = true;  ///< false when the next word follows without a space ("code" ".")
  FontKind font = FontKind::kSans;
};

/// Consecutive words of a line that belong together (one table cell, or the
/// whole line when nothing splits it).
struct Cell {
  std::vector<Word> words;
  double x0 = 0, x1 = 0;
  std::string text() const;  ///< the words joined by single blanks where the page has spaces
};

struct Line {
  std::vector<Cell> cells;  ///< left to right, at least one
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double fontSize() const;  ///< the size most of the line's text has
  std::string text() const; ///< the cells joined by a blank
};

struct PageText {
  double width = 0, height = 0;  ///< points, as the page is shown (rotation applied)
  std::vector<Line> lines;       ///< top to bottom
};

/// A font size for gap decisions: the stated size, or one estimated from the
/// word's height when the PDF does not tell.
double EffectiveSize(const Word& word);

/// Groups words into lines (by vertical overlap), orders lines top to bottom
/// and words left to right, and splits each line into cells: at a gap of at
/// least one em, or at a gap wider than a word space where a column edge of
/// neighbouring lines continues.
std::vector<Line> BuildLines(std::vector<Word> words);

/// A run of close lines with several cells each, seen as one table.
struct TableBlock {
  size_t firstLine = 0, endLine = 0;                 ///< lines [firstLine, endLine)
  std::vector<std::pair<double, double>> columns;    ///< each column's x extent, left to right
  std::vector<std::vector<std::string>> rows;        ///< one per line, one field per column
};

/// The tables among the lines: columns are found from the horizontal extent
/// of the cells, so an empty cell keeps its place; neighbouring columns that
/// no row fills both (a heading beside right-aligned numbers) are one.
std::vector<TableBlock> FindTables(const std::vector<Line>& lines);

/// Rows of a table view: the rows of each table, and a row of one field for
/// every other line.
std::vector<std::vector<std::string>> TableRows(const std::vector<Line>& lines);

/// Whether a font name says bold or italic (e.g. "ABCDEF+Sans-BoldOblique").
bool FontNameIsBold(const std::string& fontName);
bool FontNameIsItalic(const std::string& fontName);
/// Monospaced ("DejaVuSansMono", "Courier"), serif ("Times-Roman",
/// "NotoSerif") or else sans.
FontKind FontKindOf(const std::string& fontName);

/// The words of a poppler page with their boxes and fonts.
std::vector<Word> ReadWords(const poppler::page& page);

/// ReadWords + BuildLines with the page size.
PageText ReadPageText(const poppler::page& page);

/// ReadPageText for pages first..last (1-based, inclusive).
std::vector<PageText> ReadPagesText(const poppler::document& document, int first, int last);

}  // namespace zembra::exporter
