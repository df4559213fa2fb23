#include "engines/export/documents/rtf_tables.h"

#include <algorithm>

namespace zembra::exporter {

namespace {

std::string BorderRtf(const char* side, const Border& border, RtfPalette& palette) {
  if (border.width <= 0) return "";
  // Word draws at most 255 twips; a hairline is still a line.
  const long width = std::clamp(Twips(border.width), 2L, 255L);
  std::string out = std::string("\\clbrdr") + side + "\\brdrs\\brdrw" + std::to_string(width);
  if (!(border.color == Rgb{})) out += "\\brdrcf" + std::to_string(palette.Color(border.color));
  return out;
}

const char* VerticalAlignmentRtf(const TableCell& cell) {
  switch (VerticalAlignment(cell)) {
    case CellVertical::kMiddle:
      return "\\clvertalc";
    case CellVertical::kBottom:
      return "\\clvertalb";
    case CellVertical::kTop:
      break;
  }
  return "";
}

}  // namespace

std::string RtfTable(const Table& table, const TableLayout& layout, RtfPalette& palette,
                     const RtfCellContent& content) {
  const std::vector<std::vector<int>> grid = CoveringCells(table);
  const long padding = Twips(layout.padding);
  // Word and LibreOffice place a cell's text at \trleft and its border
  // \trgaph (the padding) before it, so every edge moves by the padding.
  std::vector<long> edges;
  double edge = layout.left;
  for (int c = 0; c < table.columns; ++c) {
    edge += static_cast<size_t>(c) < layout.widths.size() ? layout.widths[static_cast<size_t>(c)] : 18;
    edges.push_back(Twips(edge) + padding);
  }
  const std::string gap = std::to_string(padding);
  const std::string rowStart = "\\trowd\\trgaph" + gap + "\\trleft" + std::to_string(Twips(layout.left) + padding) +
                               (layout.centered ? "\\trqc" : "") + "\\trpaddl" + gap + "\\trpaddr" + gap +
                               "\\trpaddfl3\\trpaddfr3" + (table.rightToLeft ? "\\rtlrow" : "");
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
        if (RowsCovered(table, cell) > 1) out += r == std::max(0, cell.row) ? "\\clvmgf" : "\\clvmrg";
        if (ColumnsCovered(table, cell) > 1) out += c == std::max(0, cell.column) ? "\\clmgf" : "\\clmrg";
        out += VerticalAlignmentRtf(cell);
        // Every part of a merged cell carries the whole cell's borders:
        // readers draw the merged cell with those of one of its parts.
        out += BorderRtf("t", cell.top, palette) + BorderRtf("l", cell.left, palette) +
               BorderRtf("b", cell.bottom, palette) + BorderRtf("r", cell.right, palette);
        if (cell.background) out += "\\clcbpat" + std::to_string(palette.Color(*cell.background));
      }
      out += "\\cellx" + std::to_string(edges[static_cast<size_t>(c)]) + "\n";
    }
    for (int c = 0; c < table.columns; ++c) {
      const int owner = row[static_cast<size_t>(c)];
      const TableCell* cell = owner >= 0 ? &table.cells[static_cast<size_t>(owner)] : nullptr;
      const std::vector<std::string> paragraphs = content(cell != nullptr && StartsAt(*cell, r, c) ? cell : nullptr);
      if (paragraphs.empty()) {
        out += "\\pard\\plain\\intbl\\cell\n";
        continue;
      }
      for (size_t p = 0; p < paragraphs.size(); ++p) {
        out += paragraphs[p] + (p + 1 < paragraphs.size() ? "\\par\n" : "\\cell\n");
      }
    }
    out += "\\row\n";
  }
  return out;
}

}  // namespace zembra::exporter
