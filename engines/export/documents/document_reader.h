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

/// Where the reader's time goes, in seconds of wall time.
struct ReadTimes {
  double content = 0;   ///< the pages' content and the structure tree, read side by side
  double blocks = 0;    ///< the blocks made of them, pictures included
  double pictures = 0;  ///< vector art rendered into pictures
};

/// ReadDocument, recording its times.
std::optional<Document> ReadDocument(const PdfInput& input, PageSpan pages, std::string& error, ReadTimes* times);

}  // namespace zembra::exporter
