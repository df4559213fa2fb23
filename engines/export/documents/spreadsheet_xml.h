// A flat OpenDocument spreadsheet (.fods) of the sheet grid, which
// LibreOffice turns into the legacy workbook: merged cells, numbers stored
// as numbers with a number format that prints them as the page did, bold
// headings and header cells, wrapped multi-line cells, column widths.
#pragma once

#include <string>

#include "engines/export/documents/sheet_grid.h"

namespace zembra::exporter {

/// Escapes text for XML character data and attributes; control characters
/// XML cannot carry are dropped.
std::string XmlEscape(const std::string& text);

/// The number format of a look as OpenDocument data styles: the style
/// named name, preceded by the style it maps positive values to when
/// negatives are printed in parentheses.
std::string NumberStyleXml(const NumberLook& look, const std::string& name);

/// The rows and columns a sheet of a legacy workbook holds.
constexpr size_t kWorkbookRows = 65536;
constexpr size_t kWorkbookColumns = 256;

/// The spreadsheet: one sheet named after the grid, or as many as its rows
/// need at sheetRows rows a sheet (SplitSheets).
std::string SpreadsheetXml(const SheetGrid& grid, size_t sheetRows = kWorkbookRows);

}  // namespace zembra::exporter
