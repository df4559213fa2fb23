// Tables in RTF: one \trowd row definition per grid row, with the page's
// column edges, borders, shading, header rows and merged cells (\clmgf and
// \clmrg across, \clvmgf and \clvmrg down), then each row's cells.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engines/export/documents/document_model.h"
#include "engines/export/documents/rtf_text.h"

namespace zembra::exporter {

/// The cell that covers each grid position of a table (an index into
/// table.cells), -1 where none does; cells reaching past the grid are clipped.
std::vector<std::vector<int>> CoveringCells(const Table& table);

/// Where a table stands, in twips from the left margin.
struct RtfTableLayout {
  long left = 0;            ///< the table's left border
  std::vector<long> edges;  ///< each column's right border, left to right
  long padding = 0;         ///< between a cell's border and its text, left and right
  bool centered = false;    ///< the table is centred between the margins
};

/// The column edges of a table whose page text area starts at marginLeft
/// and is areaWidth wide (points): the table's own column widths, or, when
/// it has none, those of its cells.
RtfTableLayout LayoutTable(const Table& table, double marginLeft, double areaWidth);

/// The content of one grid position, as paragraphs that each start with
/// \pard and carry \intbl, without their terminator: the cell that starts
/// there, or nullptr for a position another cell's merge covers or no cell
/// fills. Called once per position, row by row, left to right.
using RtfCellContent = std::function<std::vector<std::string>(const TableCell* cell)>;

/// The whole table: each row's definition, then its cells' content.
std::string RtfTable(const Table& table, const RtfTableLayout& layout, RtfPalette& palette,
                     const RtfCellContent& content);

}  // namespace zembra::exporter
