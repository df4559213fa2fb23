// Reading what LibreOffice makes of our word processor files: a real page
// converted through the exporter and opened as ODT, and the texts of its
// paragraphs and table cells.
#pragma once

#include <string>
#include <vector>

namespace zembra::exporter::testing {

/// The parts of an ODT that say what a document holds.
struct OdtParts {
  std::string content, styles;  ///< content.xml and styles.xml
};

/// RenderedPage(page) converted by the exporter to the suffix ("rtf",
/// "doc"), then by LibreOffice to ODT, once per test process for each page
/// and suffix; empty parts (with a test failure) when a step fails.
const OdtParts& ConvertedPage(const std::string& page, const std::string& suffix);

/// The text of each table cell of a content.xml, in document order, its
/// paragraphs joined by a line feed, markup removed and entities decoded.
std::vector<std::string> CellTexts(const std::string& content);

/// The text of each paragraph and heading outside tables, in document order.
std::vector<std::string> ParagraphTexts(const std::string& content);

}  // namespace zembra::exporter::testing
