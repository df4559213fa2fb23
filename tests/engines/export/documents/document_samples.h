// Hand-built documents for the writers' tests: A4 pages with 56 pt margins,
// paragraphs, headings, list items, tables and pictures at known places.
#pragma once

#include <string>

#include "engines/export/documents/document_model.h"

namespace zembra::exporter::testing {

constexpr double kPageWidth = 595, kPageHeight = 842, kMargin = 56;
/// Two columns 24 pt apart in the text area.
constexpr double kColumnWidth = (kPageWidth - 2 * kMargin - 24) / 2, kRightColumn = kMargin + kColumnWidth + 24;

/// DejaVu Sans of a size.
TextStyle Style(double size = 11, bool bold = false);

/// A one-line paragraph from y0 down, x0 to x1 across (the text area's width by default).
Paragraph Text(const std::string& text, int page, double y0, double x0 = kMargin, double x1 = kPageWidth - kMargin,
               TextStyle style = Style());
Paragraph Heading(const std::string& text, int level, int page, double y0);
Paragraph ListItem(const std::string& text, int level, const std::string& label, int page, double y0);

/// count pages, nothing on them yet.
Document Pages(int count);

/// A cell at a grid position.
TableCell Cell(int row, int column, int rowSpan = 1, int columnSpan = 1);

/// A ruled table of rows x columns cells ("r0c0" …) of 14 pt rows and 60 pt
/// columns from y0 on page; rows from rowsOnFirstPage on run onto the next page.
Table Grid(int rows, int columns, int page, double y0, int rowsOnFirstPage = 1000);

/// The "spans" table of the tables page, cells only: Region over two rows,
/// 2025 and 2026 over two columns each, South over two rows, "merged cell"
/// over two columns in the fourth row.
Table SpansTable();

/// A picture of a real 4 x 2 pixel PNG, alt text "Blue {box}".
Picture Png(int page, Box box);

/// Two pages with every kind of block: a heading of each of two levels, a
/// paragraph with bold, red and linked runs, a numbered list of three items
/// with a bulleted item under the second ("Count"), a 3 x 3 table with a
/// header row, a cell over two columns and a shaded cell, a picture on the
/// second page and a right-to-left paragraph.
Document RichDocument();

}  // namespace zembra::exporter::testing
