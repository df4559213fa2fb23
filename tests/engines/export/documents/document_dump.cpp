// Prints the document model the exporter reads from a PDF:
// document_dump <file.pdf> [first [last]].
#include <cstdio>
#include <cstdlib>
#include <string>

#include "engines/export/documents/document_reader.h"
#include "tests/engines/export/documents/model_text.h"

int main(int argc, char** argv) {
  using namespace zembra::exporter;
  if (argc < 2) {
    std::fprintf(stderr, "usage: document_dump <file.pdf> [first [last]]\n");
    return 2;
  }
  std::string error;
  std::unique_ptr<PdfInput> input = PdfInput::Open(argv[1], "", "", error);
  if (!input) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  PageSpan span{1, input->pageCount()};
  if (argc > 2) span.first = std::atoi(argv[2]);
  if (argc > 3) span.last = std::atoi(argv[3]);
  const std::optional<Document> document = ReadDocument(*input, span, error);
  if (!document) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::fputs(testing::DescribeDocument(*document).c_str(), stdout);
  return 0;
}
