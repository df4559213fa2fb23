#include "engines/export/documents/pdf_document.h"

#include <unistd.h>

namespace zembra::exporter {

namespace {

// poppler reports damaged objects on stderr by default; the tool speaks
// through its own diagnostics only.
void IgnorePopplerMessage(const std::string&, void*) {}

}  // namespace

std::unique_ptr<poppler::document> OpenPdf(const DocumentJob& job, std::string& error) {
  poppler::set_debug_error_function(IgnorePopplerMessage, nullptr);
  if (::access(job.inputPdf.c_str(), R_OK) != 0) {
    error = "cannot read " + job.inputPdf;
    return nullptr;
  }
  std::unique_ptr<poppler::document> document(
      poppler::document::load_from_file(job.inputPdf, job.ownerPassword, job.userPassword));
  if (!document) {
    error = job.inputPdf + " is not a readable PDF";
    return nullptr;
  }
  // An encrypted file loads locked when the password does not open it.
  if (document->is_locked()) {
    error = job.ownerPassword.empty() && job.userPassword.empty()
                ? job.inputPdf + " is protected: give its password with -opw or -upw"
                : "the password given does not open " + job.inputPdf;
    return nullptr;
  }
  return document;
}

std::optional<PageSpan> SelectedPages(const DocumentJob& job, int pageCount, std::string& error) {
  if (pageCount < 1) {
    error = job.inputPdf + " has no pages";
    return std::nullopt;
  }
  PageSpan span;
  span.first = job.firstPage < 1 ? 1 : job.firstPage;
  span.last = job.lastPage <= 0 || job.lastPage > pageCount ? pageCount : job.lastPage;
  if (span.first > span.last) {
    error = "no page selected: first page " + std::to_string(span.first) + " is after last page " +
            std::to_string(span.last);
    return std::nullopt;
  }
  return span;
}

}  // namespace zembra::exporter
