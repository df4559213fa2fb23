#include "engines/export/documents/rtf_tables.h"

#include <algorithm>
#include <cmath>

namespace zembra::exporter {

namespace {

// Text this close to its cell's border is taken as the page's padding;
// beyond it the cell's content is indented, not padded.
constexpr double kMaxPadding = 15;
constexpr double kDefaultPadding = 2;

std::string BorderRtf(const char* side, const Border& border, RtfPalette& palette) {
  if (border.width <= 0) return "";
  // Word draws at most 255 twips; a hairline is still a line.
  const long width = std::clamp(Twips(border.width), 2L, 255L);
  std::string out = std::string("\\clbrdr") + side + "\\brdrs\\brdrw" + std::to_string(width);
  if (!(border.color == Rgb{})) out += "\\brdrcf" + std::to_string(palette.Color(border.color));
  return out;
}

// Where the content of a taller cell sits: \clvertalc when it has room
// both above and below, \clvertalb when only above; "" for the top.
const char* VerticalAlignment(const TableCell& cell) {
  if (cell.paragraphs.empty() || cell.box.height() <= 0) return "";
  const double above = cell.paragraphs.front().box.y0 - cell.box.y0;
  const double below = cell.box.y1 - cell.paragraphs.back().box.y1;
  if (above > 4 && below > 4 && std::fabs(above - below) < std::max(2.0, 0.3 * std::max(above, below))) {
    return "\\clvertalc";
  }
  if (above - below > 4) return "\\clvertalb";
  return "";
}

double RowHeight(const Table& table, int row) {
  if (static_cast<size_t>(row) < table.rowHeights.size()) return table.rowHeights[static_cast<size_t>(row)];
  for (const TableCell& cell : table.cells) {
    if (cell.row == row && cell.rowSpan == 1) return cell.box.height();
  }
  return 0;
}

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

RtfTableLayout LayoutTable(const Table& table, double marginLeft, double areaWidth) {
  const size_t columns = static_cast<size_t>(std::max(0, table.columns));
  std::vector<double> widths = table.columnWidths;
  if (widths.size() != columns || std::any_of(widths.begin(), widths.end(), [](double w) { return w <= 0; })) {
    widths.assign(columns, 0);
    for (const TableCell& cell : table.cells) {
      const size_t column = static_cast<size_t>(cell.column);
      if (cell.columnSpan == 1 && column < columns && widths[column] <= 0) widths[column] = cell.box.width();
    }
    const double share = columns > 0 ? (table.box.width() > 0 ? table.box.width() : areaWidth) / columns : 0;
    for (double& width : widths) {
      if (width <= 0) width = std::max(share, 18.0);
    }
  }
  double padding = kMaxPadding + 1;
  for (const TableCell& cell : table.cells) {
    for (const Paragraph& paragraph : cell.paragraphs) {
      if (paragraph.rightToLeft || paragraph.alignment == Alignment::kCenter ||
          paragraph.alignment == Alignment::kEnd || paragraph.box.width() <= 0) {
        continue;
      }
      const double gap = paragraph.box.x0 - cell.box.x0;
      if (gap >= 0) padding = std::min(padding, gap);
    }
  }
  if (padding > kMaxPadding) padding = kDefaultPadding;

  RtfTableLayout layout;
  layout.padding = Twips(padding);
  layout.left = Twips(std::max(0.0, table.box.x0 - marginLeft));
  double edge = std::max(0.0, table.box.x0 - marginLeft);
  for (double width : widths) {
    edge += width;
    layout.edges.push_back(Twips(edge));
  }
  const double leftGap = table.box.x0 - marginLeft;
  const double rightGap = marginLeft + areaWidth - table.box.x1;
  layout.centered = leftGap > 6 && std::fabs(leftGap - rightGap) < 2;
  return layout;
}

std::string RtfTable(const Table& table, const RtfTableLayout& layout, RtfPalette& palette,
                     const RtfCellContent& content) {
  const std::vector<std::vector<int>> grid = CoveringCells(table);
  const std::string padding = std::to_string(layout.padding);
  // Word and LibreOffice place a cell's text at \trleft and its border
  // \trgaph (the padding) before it, so every edge moves by the padding.
  std::string rowStart = "\\trowd\\trgaph" + padding + "\\trleft" + std::to_string(layout.left + layout.padding) +
                         (layout.centered ? "\\trqc" : "") + "\\trpaddl" + padding + "\\trpaddr" + padding +
                         "\\trpaddfl3\\trpaddfr3";
  std::string out;
  for (int r = 0; r < table.rows; ++r) {
    out += rowStart;
    if (r < table.headerRows) out += "\\trhdr";
    const double height = RowHeight(table, r);
    if (height > 0) out += "\\trrh" + std::to_string(Twips(height));
    out += "\n";
    const std::vector<int>& row = grid[static_cast<size_t>(r)];
    for (int c = 0; c < table.columns; ++c) {
      const int owner = row[static_cast<size_t>(c)];
      if (owner >= 0) {
        const TableCell& cell = table.cells[static_cast<size_t>(owner)];
        const bool across = std::min(table.columns, cell.column + cell.columnSpan) - std::max(0, cell.column) > 1;
        const bool down = std::min(table.rows, cell.row + cell.rowSpan) - std::max(0, cell.row) > 1;
        if (down) out += r == std::max(0, cell.row) ? "\\clvmgf" : "\\clvmrg";
        if (across) out += c == std::max(0, cell.column) ? "\\clmgf" : "\\clmrg";
        out += VerticalAlignment(cell);
        // Every part of a merged cell carries the whole cell's borders:
        // readers draw the merged cell with those of one of its parts.
        out += BorderRtf("t", cell.top, palette) + BorderRtf("l", cell.left, palette) +
               BorderRtf("b", cell.bottom, palette) + BorderRtf("r", cell.right, palette);
        if (cell.background) out += "\\clcbpat" + std::to_string(palette.Color(*cell.background));
      }
      const long edge = static_cast<size_t>(c) < layout.edges.size() ? layout.edges[static_cast<size_t>(c)]
                                                                     : layout.left + 360L * (c + 1);
      out += "\\cellx" + std::to_string(edge + layout.padding) + "\n";
    }
    for (int c = 0; c < table.columns; ++c) {
      const int owner = row[static_cast<size_t>(c)];
      const TableCell* cell = owner >= 0 ? &table.cells[static_cast<size_t>(owner)] : nullptr;
      const bool starts = cell != nullptr && std::max(0, cell->row) == r && std::max(0, cell->column) == c;
      const std::vector<std::string> paragraphs = content(starts ? cell : nullptr);
      if (paragraphs.empty()) {
        out += "\\pard\\plain\\intbl\\cell\n";
        continue;
      }
      for (size_t p = 0; p < paragraphs.size(); ++p)
        out += paragraphs[p] + (p + 1 < paragraphs.size() ? "\\par\n" : "\\cell\n");
    }
    out += "\\row\n";
  }
  return out;
}

}  // namespace zembra::exporter
