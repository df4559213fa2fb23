// Tables in RTF: one \trowd row definition per grid row, with the page's
// column edges, borders, shading, header rows and merged cells (\clmgf and
// \clmrg across, \clvmgf and \clvmrg down), then each row's cells.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "engines/export/documents/document_model.h"
#include "engines/export/documents/rtf_text.h"
#include "engines/export/documents/table_layout.h"

namespace zembra::exporter {

/// The content of one grid position, as paragraphs that each start with
/// \pard and carry \intbl, without their terminator: the cell that starts
/// there, or nullptr for a position another cell's merge covers or no cell
/// fills. Called once per position, row by row, left to right.
using RtfCellContent = std::function<std::vector<std::string>(const TableCell* cell)>;

/// The whole table: each row's definition, then its cells' content.
std::string RtfTable(const Table& table, const TableLayout& layout, RtfPalette& palette, const RtfCellContent& content);

}  // namespace zembra::exporter
