// CSV: one row per text line, cells where the layout leaves gaps, quoted as
// RFC 4180 asks (CRLF between records), UTF-8.
#pragma once

#include <string>
#include <vector>

#include "engines/export/documents/page_layout.h"
#include "engines/export/export_job.h"

namespace zembra::exporter {

/// A field, quoted when it holds a comma, a double quote, CR or LF (or has
/// blanks at its ends), with quotes doubled.
std::string CsvField(const std::string& text);

/// The records, each ended by CRLF.
std::string CsvRecords(const std::vector<std::vector<std::string>>& rows);

/// The CSV text of read pages (the rows of every page, in order).
std::string CsvDocument(const std::vector<PageText>& pages);

bool WriteCsv(const ExportJob& job, std::string& error);

}  // namespace zembra::exporter
