// A table's grid as a word processor builds it: which cell covers each
// position, and where the column edges stand.
#pragma once

#include <vector>

#include "engines/export/documents/document_model.h"

namespace zembra::exporter {

/// The cell that covers each grid position of a table (an index into
/// table.cells), -1 where none does; cells reaching past the grid are clipped.
std::vector<std::vector<int>> CoveringCells(const Table& table);

/// Whether the cell at a grid position (covering index owner) starts there.
bool StartsAt(const TableCell& cell, int row, int column);

/// How many rows and columns of the grid a cell covers, clipped to it.
int RowsCovered(const Table& table, const TableCell& cell);
int ColumnsCovered(const Table& table, const TableCell& cell);

/// How much wider than the browser's a word processor may set a line: a
/// line given this much more room does not wrap where the page's did not.
constexpr double kGlyphSlack = 1.03;

/// Where a table stands, in points from the left edge of the text it stands in.
struct TableLayout {
  double left = 0;             ///< the table's left border
  std::vector<double> widths;  ///< each column's width, left to right
  double padding = 0;          ///< between a cell's border and its text, left and right
  bool centered = false;       ///< the table is centred between the margins
};

/// The layout of a table in text that starts at frameLeft and is
/// frameWidth wide (points from the paper's edge): the table's own column
/// widths, or, when it has none, those of its cells; the padding from the
/// start-aligned text closest to its cell's border.
TableLayout LayoutTable(const Table& table, double frameLeft, double frameWidth);

/// Where the content of a cell taller than it sits.
enum class CellVertical { kTop, kMiddle, kBottom };
CellVertical VerticalAlignment(const TableCell& cell);

/// A row's height on the page; 0 when nothing tells.
double RowHeight(const Table& table, int row);

}  // namespace zembra::exporter
