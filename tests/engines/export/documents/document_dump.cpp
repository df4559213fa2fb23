// Prints the document model the exporter reads from a PDF:
// document_dump <file.pdf> [first [last]]; with --times before the file,
// reads it five times and prints where the time went instead; with
// --pictures <dir>, also writes every picture there (picture1.png, ...).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <string>

#include "engines/export/documents/document_reader.h"
#include "tests/engines/export/documents/model_text.h"

int main(int argc, char** argv) {
  using namespace zembra::exporter;
  const bool times = argc > 1 && std::string(argv[1]) == "--times";
  if (times) --argc, ++argv;
  std::string pictures;
  if (argc > 2 && std::string(argv[1]) == "--pictures") {
    pictures = argv[2];
    argc -= 2, argv += 2;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: document_dump [--times] <file.pdf> [first [last]]\n");
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
  if (times) {
    for (int run = 0; run < 5; ++run) {
      ReadTimes spent;
      const auto start = std::chrono::steady_clock::now();
      const std::clock_t cpuStart = std::clock();
      if (!ReadDocument(*input, span, error, &spent)) break;
      const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
      std::printf("read %.3f s (cpu %.3f s): content and tags %.3f, blocks %.3f (pictures %.3f)\n", total, cpu,
                  spent.content, spent.blocks, spent.pictures);
    }
    return 0;
  }
  const std::optional<Document> document = ReadDocument(*input, span, error);
  if (!document) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  std::fputs(testing::DescribeDocument(*document).c_str(), stdout);
  int count = 0;
  auto write = [&](const Picture& picture) {
    if (pictures.empty()) return;
    std::ofstream(pictures + "/picture" + std::to_string(++count) + ".png", std::ios::binary) << picture.png;
  };
  for (const Block& block : document->blocks) {
    if (const auto* picture = std::get_if<Picture>(&block)) write(*picture);
    if (const auto* table = std::get_if<Table>(&block)) {
      for (const TableCell& cell : table->cells) {
        for (const Picture& picture : cell.pictures) write(picture);
      }
    }
  }
  return 0;
}
