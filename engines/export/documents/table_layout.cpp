#include "engines/export/documents/table_layout.h"

#include <algorithm>
#include <cmath>

namespace zembra::exporter {

namespace {

// Text this close to its cell's border is taken as the page's padding;
// beyond it the cell's content is indented, not padded.
constexpr double kMaxPadding = 15;
constexpr double kDefaultPadding = 2;
// Room a cell's text gets beyond what it had on the page (points).
constexpr double kFitSlack = 1;

}  // namespace

std::vector<std::vector<int>> CoveringCells(const Table& table) {
  std::vector<std::vector<int>> grid(static_cast<size_t>(std::max(0, table.rows)),
                                     std::vector<int>(static_cast<size_t>(std::max(0, table.columns)), -1));
  for (size_t i = 0; i < table.cells.size(); ++i) {
    const TableCell& cell = table.cells[i];
    for (int r = std::max(0, cell.row); r < std::min(table.rows, cell.row + std::max(1, cell.rowSpan)); ++r) {
      for (int c = std::max(0, cell.column); c < std::min(table.columns, cell.column + std::max(1, cell.columnSpan));
           ++c) {
        int& owner = grid[static_cast<size_t>(r)][static_cast<size_t>(c)];
        if (owner < 0) owner = static_cast<int>(i);
      }
    }
  }
  return grid;
}

bool StartsAt(const TableCell& cell, int row, int column) {
  return std::max(0, cell.row) == row && std::max(0, cell.column) == column;
}

int RowsCovered(const Table& table, const TableCell& cell) {
  return std::max(1, std::min(table.rows, cell.row + std::max(1, cell.rowSpan)) - std::max(0, cell.row));
}

int ColumnsCovered(const Table& table, const TableCell& cell) {
  return std::max(1, std::min(table.columns, cell.column + std::max(1, cell.columnSpan)) - std::max(0, cell.column));
}

TableLayout LayoutTable(const Table& table, double frameLeft, double frameWidth) {
  const size_t columns = static_cast<size_t>(std::max(0, table.columns));
  TableLayout layout;
  layout.widths = table.columnWidths;
  if (layout.widths.size() != columns ||
      std::any_of(layout.widths.begin(), layout.widths.end(), [](double w) { return w <= 0; })) {
    layout.widths.assign(columns, 0);
    for (const TableCell& cell : table.cells) {
      const size_t column = static_cast<size_t>(cell.column);
      if (cell.columnSpan == 1 && column < columns && layout.widths[column] <= 0) {
        layout.widths[column] = cell.box.width();
      }
    }
    const double share = columns > 0 ? (table.box.width() > 0 ? table.box.width() : frameWidth) / columns : 0;
    for (double& width : layout.widths) {
      if (width <= 0) width = std::max(share, 18.0);
    }
  }
  // The padding: the least room between a cell's border and its
  // start-aligned text. Word processors draw the border inside the cell, and
  // their glyphs may run a little wider than the browser's: text that just
  // fitted its column on the page must fit it there too. The first column
  // only counts alone: without a border there, a table's edge is where its
  // text starts.
  double padding = kMaxPadding + 1, firstColumn = kMaxPadding + 1;
  for (const TableCell& cell : table.cells) {
    for (const Paragraph& paragraph : cell.paragraphs) {
      if (paragraph.rightToLeft || paragraph.alignment == Alignment::kCenter ||
          paragraph.alignment == Alignment::kEnd || paragraph.box.width() <= 0) {
        continue;
      }
      const double gap = std::max(0.0, paragraph.box.x0 - cell.box.x0 - cell.left.width - kFitSlack);
      (cell.column > 0 ? padding : firstColumn) = std::min(cell.column > 0 ? padding : firstColumn, gap);
    }
  }
  if (padding > kMaxPadding) padding = firstColumn;
  layout.padding = padding > kMaxPadding ? kDefaultPadding : padding;
  // Text that starts at the first column's edge keeps its place: the table's
  // border goes a padding further out.
  const double outward = firstColumn <= kMaxPadding ? std::max(0.0, layout.padding - firstColumn) : 0;
  if (!layout.widths.empty()) layout.widths[0] += outward;
  // A column at least as wide as its widest line and a little more: a word
  // processor's glyphs may run a few percent wider than the browser's, and a
  // cell's line must not wrap where the page's did not (a column sized to
  // its content by the browser is as tight as can be).
  for (const TableCell& cell : table.cells) {
    const size_t column = static_cast<size_t>(cell.column);
    if (cell.columnSpan != 1 || column >= columns) continue;
    const double edge = cell.box.x0 - (column == 0 ? outward : 0);
    for (const Paragraph& paragraph : cell.paragraphs) {
      for (const TextLine& line : paragraph.lines) {
        const double before = std::max(layout.padding, line.box.x0 - edge);
        layout.widths[column] =
            std::max(layout.widths[column], before + line.box.width() * kGlyphSlack + layout.padding);
      }
    }
  }
  layout.left = table.box.x0 - outward - frameLeft;
  const double rightGap = frameLeft + frameWidth - table.box.x1;
  layout.centered = layout.left > 6 && std::fabs(table.box.x0 - frameLeft - rightGap) < 2;
  return layout;
}

CellVertical VerticalAlignment(const TableCell& cell) {
  if (cell.paragraphs.empty() || cell.box.height() <= 0) return CellVertical::kTop;
  const double above = cell.paragraphs.front().box.y0 - cell.box.y0;
  const double below = cell.box.y1 - cell.paragraphs.back().box.y1;
  // Even room above and below is a middle (a table cell's default), more
  // room above than below the bottom.
  const double larger = std::max(above, below);
  if (above > 0.5 && below > 0.5 && std::fabs(above - below) <= std::max(1.5, 0.25 * larger)) {
    return CellVertical::kMiddle;
  }
  return above - below > std::max(2.0, 0.25 * larger) ? CellVertical::kBottom : CellVertical::kTop;
}

double RowHeight(const Table& table, int row) {
  if (row >= 0 && static_cast<size_t>(row) < table.rowHeights.size()) return table.rowHeights[static_cast<size_t>(row)];
  for (const TableCell& cell : table.cells) {
    if (cell.row == row && cell.rowSpan == 1 && cell.box.height() > 0) return cell.box.height();
  }
  return 0;
}

}  // namespace zembra::exporter
