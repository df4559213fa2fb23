// Placeholder until the document formats land: every format reports itself as unavailable.
#include "engines/export/documents/document_formats.h"

namespace zembra::exporter {

bool IsDocumentFormat(const std::string&) { return false; }

bool ConvertDocument(const DocumentJob& job, const Diagnostics&, std::string& error) {
  error = "output format of " + job.outputPath + " is not available";
  return false;
}

}  // namespace zembra::exporter
