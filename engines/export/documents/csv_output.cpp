#include "engines/export/documents/csv_output.h"

#include "engines/common/files.h"

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

std::string CsvRecords(const std::vector<std::vector<std::string>>& rows) {
  std::string text;
  for (const std::vector<std::string>& row : rows) {
    for (size_t i = 0; i < row.size(); ++i) {
      if (i > 0) text += ',';
      text += CsvField(row[i]);
    }
    text += "\r\n";
  }
  return text;
}

std::string CsvDocument(const std::vector<PageText>& pages) {
  std::string text;
  for (const PageText& page : pages) text += CsvRecords(TableRows(page.lines));
  return text;
}

bool WriteCsv(const ExportJob& job, std::string& error) {
  const std::string text = CsvDocument(ReadPagesText(job.input.document(), job.pages.first, job.pages.last));
  if (text.empty()) {
    error = "the selected pages hold no text to write to " + job.options.outputPath;
    return false;
  }
  return WriteWholeFile(job.outputs.path(0), text, error);
}

}  // namespace zembra::exporter
