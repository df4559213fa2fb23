#include "engines/export/documents/csv_output.h"

#include <string_view>

#include "engines/common/files.h"
#include "engines/export/documents/document_reader.h"
#include "engines/export/documents/text_output.h"

namespace zembra::exporter {

std::string CsvField(const std::string& text) {
  const bool quote = text.find_first_of(",\"\r\n") != std::string::npos ||
                     (!text.empty() && (text.front() == ' ' || text.back() == ' '));
  if (!quote) return text;
  std::string field = "\"";
  for (char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + "\"";
}

std::string CsvRecords(const std::vector<std::vector<std::string>>& rows, const std::string& endOfLine) {
  std::string text;
  for (const std::vector<std::string>& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) text += ',';
      text += CsvField(row[i]);
    }
    text += endOfLine;
  }
  return text;
}

std::string CsvNumberText(const std::string& text) {
  std::string field;
  for (size_t i = 0; i < text.size(); ++i) {
    // U+2212 (E2 88 92), U+FE63 (EF B9 A3), U+FF0D (EF BC 8D).
    const std::string_view rest = std::string_view(text).substr(i, 3);
    if (rest == "\xE2\x88\x92" || rest == "\xEF\xB9\xA3" || rest == "\xEF\xBC\x8D") {
      field += '-';
      i += 2;
    } else {
      field += text[i];
    }
  }
  return field;
}

std::string CsvOfGrid(const SheetGrid& grid, const std::string& endOfLine) {
  std::vector<std::vector<std::string>> rows;
  for (const std::vector<SheetCell>& row : grid.rows) {
    std::vector<std::string>& fields = rows.emplace_back();
    for (const SheetCell& cell : row) {
      fields.push_back(cell.covered ? "" : cell.number ? CsvNumberText(cell.text) : cell.text);
    }
  }
  return CsvRecords(rows, endOfLine);
}

std::string CsvLineEnd(const std::string& eol) {
  const std::string name = EndOfLineName(eol).value_or("unix");
  return name == "dos" ? "\r\n" : name == "mac" ? "\r" : "\n";
}

bool WriteCsv(const ExportJob& job, std::string& error) {
  if (TextEncodingName(job.options.text.encoding).value_or("") != "UTF-8") {
    job.diagnostics.warn("-enc " + job.options.text.encoding + " applies to TXT output; CSV is written in UTF-8");
  }
  const std::optional<Document> document = ReadDocument(job.input, job.pages, error);
  if (!document) return false;
  const std::string text = CsvOfGrid(GridOfDocument(*document), CsvLineEnd(job.options.text.endOfLine));
  if (text.find_first_not_of(",\r\n") == std::string::npos) {
    error = "the selected pages hold no text to write to " + job.options.outputPath;
    return false;
  }
  return WriteWholeFile(job.outputs.path(0), text, error);
}

}  // namespace zembra::exporter
