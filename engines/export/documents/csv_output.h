// CSV: the sheet grid's cells as RFC 4180 records, UTF-8. A table's row is
// one record with a field per table column (a merged cell's text in its
// first field, the fields it covers empty); a paragraph outside tables is a
// record of one field; a blank row sets tables apart. Records end as -eol
// says: LF (unix, the default), CRLF (dos) or CR (mac).
#pragma once

#include <string>
#include <vector>

#include "engines/export/documents/sheet_grid.h"
#include "engines/export/export_job.h"

namespace zembra::exporter {

/// A field, quoted when it holds a comma, a double quote, CR or LF (or has
/// blanks at its ends), with quotes doubled.
std::string CsvField(const std::string& text);

/// The records, each ended by endOfLine.
std::string CsvRecords(const std::vector<std::vector<std::string>>& rows, const std::string& endOfLine);

/// A number cell's text as a field: as printed, but with a hyphen-minus for
/// a real minus sign ("−42" gives "-42"), as the workbook shows it, so that
/// whatever reads the file takes it for a number.
std::string CsvNumberText(const std::string& text);

/// The CSV text of a grid: each cell's text as printed, numbers as
/// CsvNumberText gives them.
std::string CsvOfGrid(const SheetGrid& grid, const std::string& endOfLine);

/// The line end of an -eol value: "\n" for unix, "\r\n" for dos, "\r" for mac.
std::string CsvLineEnd(const std::string& eol);

bool WriteCsv(const ExportJob& job, std::string& error);

}  // namespace zembra::exporter
