// Opening the input PDF with its passwords, and the pages a job selects.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include <poppler-document.h>

#include "engines/export/documents/document_formats.h"

namespace zembra::exporter {

struct PageSpan {
  int first = 1;  ///< 1-based, inclusive
  int last = 1;   ///< 1-based, inclusive
  int count() const { return last - first + 1; }
};

/// Opens the job's PDF with its owner or user password. Null with a one-line
/// error when the file cannot be read or the password does not open it.
std::unique_ptr<poppler::document> OpenPdf(const DocumentJob& job, std::string& error);

/// The job's page range within a document of pageCount pages (lastPage 0:
/// the last page). Nothing, with an error, when the range selects no page.
std::optional<PageSpan> SelectedPages(const DocumentJob& job, int pageCount, std::string& error);

}  // namespace zembra::exporter
