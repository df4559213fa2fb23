// Reading the document model out of a PDF: from its structure tree when it
// is tagged (zemconv's intermediate PDF always is), from the layout of its
// words, rules and pictures when not.
#pragma once

#include <optional>
#include <string>

#include "engines/export/documents/document_model.h"
#include "engines/export/pdf_input.h"

namespace zembra::exporter {

/// The pages of the span as a document. Nothing, with a one-line error, when
/// a page cannot be read.
std::optional<Document> ReadDocument(const PdfInput& input, PageSpan pages, std::string& error);

}  // namespace zembra::exporter
