// zemexport.lib: converts a PDF into images, PostScript, text or office files.
#include <string>
#include <vector>

#include "engines/common/diagnostics.h"
#include "engines/export/exporter.h"

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + 1, argv + argc);
  return zembra::exporter::RunExporter(words, zembra::Diagnostics("zemexport.lib"));
}
