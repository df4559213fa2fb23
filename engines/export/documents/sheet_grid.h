// The cells the spreadsheet writers share (XLS through our flat
// OpenDocument spreadsheet, and CSV): the whole document as one sheet, in
// reading order. Each table is one block of cells, one cell per table cell
// with its spans, from its first row to its last also over page breaks; the
// text outside tables is one cell per paragraph in the first column. A blank
// row sets each table apart, so that a spreadsheet sees it as one range.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engines/export/documents/cell_number.h"
#include "engines/export/documents/document_model.h"

namespace zembra::exporter {

/// Where a text cell's text stands; numbers stay at the right, as spreadsheets show them.
enum class CellAlignment { kDefault, kCenter, kRight };

struct SheetCell {
  std::string text;                  ///< as printed, logical order; a table cell's paragraphs joined by '\n'
  std::optional<CellNumber> number;  ///< set when the text is a number of a table's body
  int rowSpan = 1, columnSpan = 1;   ///< more than 1: merged with the cells right and below
  bool covered = false;              ///< inside another cell's merge: holds nothing
  bool bold = false;                 ///< a heading, or a table's header cell
  bool wrapped = false;              ///< its text ran over several lines on the page
  /// As the page aligned a table cell's text. Paragraphs outside tables
  /// run on from the first column to the right, whatever the page did:
  /// aligned, they would run out of the sheet at its left edge.
  CellAlignment alignment = CellAlignment::kDefault;
  int indent = 0;  ///< steps of indentation: a nested list item's depth below the first
};

struct SheetGrid {
  std::string name;  ///< the sheet's name: the document's title, as a sheet name may be
  /// Rows top to bottom. A row holds as many cells as it uses: one for a
  /// paragraph, a table's column count for its rows, none for a blank row.
  std::vector<std::vector<SheetCell>> rows;
  /// Points, left to right: as wide as the longest line of a table's column
  /// needs, its wrapped text as wide as the page had it; columns no table
  /// uses are left out.
  std::vector<double> columnWidths;
};

/// The grid of a document. Running headers, footers and page numbers
/// (artifacts) and pictures are left out.
SheetGrid GridOfDocument(const Document& document);

/// The grid in sheets of at most maxRows rows (a legacy workbook holds
/// 65536), each ended after a blank row where one is in its second half, so
/// that a table is cut only when it is longer than that. Spans end at a
/// sheet's end. Sheets after the first are named "Name (2)", "Name (3)"...
std::vector<SheetGrid> SplitSheets(const SheetGrid& grid, size_t maxRows);

/// A sheet name from a title: at most 31 characters, none of []:*?/\,
/// "Sheet1" when nothing is left.
std::string SheetName(const std::string& title);

}  // namespace zembra::exporter
