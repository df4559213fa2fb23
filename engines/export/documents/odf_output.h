// A flat OpenDocument text (.fodt) written from the document model as the
// flow plan sets it, for LibreOffice to save as DOC: it carries what RTF
// cannot carry into LibreOffice, header rows that repeat on every page and
// pictures' alternative text, besides everything the RTF has.
#pragma once

#include <string>

#include "engines/export/documents/document_model.h"

namespace zembra::exporter {

/// Text as ODF character data: markup escaped, a tab as <text:tab/>, a line
/// break as <text:line-break/>, and every blank that would collapse (one
/// after another, or the paragraph's first, as afterSpace says) as
/// <text:s/>. afterSpace carries over from one piece of a paragraph to the next.
std::string OdfText(const std::string& text, bool& afterSpace);

/// The whole flat ODT file.
std::string OdfDocument(const Document& document);

}  // namespace zembra::exporter
