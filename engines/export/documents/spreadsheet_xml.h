// A flat OpenDocument spreadsheet (.fods) with one table per page, holding
// the same cells as the CSV; LibreOffice turns it into the legacy workbook.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engines/export/documents/page_layout.h"

namespace zembra::exporter {

/// Escapes text for XML character data and attributes; control characters
/// XML cannot carry are dropped.
std::string XmlEscape(const std::string& text);

/// The value of a cell that reads as a plain number ("980", "-3.5",
/// "1,200"); nothing for text, or for numbers with leading zeros, which must
/// keep them.
std::optional<double> CellNumber(const std::string& text);

/// The spreadsheet: sheet "Page N" for each page, N counted from firstPage.
std::string SpreadsheetXml(const std::vector<PageText>& pages, int firstPage);

}  // namespace zembra::exporter
