// Bench driver: one document conversion through the exporter's document
// formats, timed from outside. Usage: convert_document <in.pdf> <out.ext> [first last]
#include <cstdlib>
#include <iostream>
#include <string>

#include "engines/common/cleanup.h"
#include "engines/common/diagnostics.h"
#include "engines/export/documents/document_formats.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: convert_document <in.pdf> <out.ext> [first last]\n";
    return 2;
  }
  zembra::cleanup::Install();
  zembra::exporter::DocumentJob job;
  job.inputPdf = argv[1];
  job.outputPath = argv[2];
  if (argc > 4) {
    job.firstPage = std::atoi(argv[3]);
    job.lastPage = std::atoi(argv[4]);
  }
  zembra::Diagnostics diagnostics("convert_document");
  diagnostics.setQuiet(true);
  std::string error;
  if (!zembra::exporter::ConvertDocument(job, diagnostics, error)) {
    diagnostics.error(error);
    return 1;
  }
  return 0;
}
