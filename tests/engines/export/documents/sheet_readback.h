// Reading spreadsheets back for the XLS and CSV tests: the cells of an
// OpenDocument spreadsheet's content.xml (what LibreOffice writes when it
// converts our XLS to ODS), and CSV records parsed by Python's csv module,
// a reader independent of ours.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zembra::exporter::testing {

struct ReadCell {
  std::string text;      ///< the cell's paragraphs joined by '\n'
  std::string type;      ///< office:value-type: "float", "percentage", "currency", "string"; "" when empty
  std::string value;     ///< office:value as written
  std::string currency;  ///< office:currency
  std::string style;     ///< table:style-name
  int columnsSpanned = 1, rowsSpanned = 1;
  bool covered = false;  ///< a covered-table-cell
};

/// A sheet's rows, repeated rows and cells expanded, empty rows and cells
/// at the ends dropped.
using ReadSheet = std::vector<std::vector<ReadCell>>;

/// The sheets of a content.xml, by name, in document order of their names.
std::vector<std::pair<std::string, ReadSheet>> ReadSheets(const std::string& contentXml);

/// The texts of a sheet, a covered cell as "~".
std::vector<std::vector<std::string>> SheetTexts(const ReadSheet& sheet);

/// Where a text first stands in a sheet as {row, column}; {-1, -1} when nowhere.
std::pair<int, int> FindCell(const ReadSheet& sheet, const std::string& text);

/// The records of a CSV file as Python's csv module reads them (any line
/// end outside quotes ends a record; a blank line is a record without fields).
std::vector<std::vector<std::string>> PythonCsvRecords(const std::string& path);

}  // namespace zembra::exporter::testing
