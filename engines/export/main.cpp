// zemexport.lib: converts a PDF into images, PostScript, text or office files.
#include <string>
#include <vector>

#include "engines/common/diagnostics.h"
#include "engines/common/guarded_main.h"
#include "engines/export/exporter.h"

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
  const zembra::Diagnostics diagnostics("zemexport.lib");
  return zembra::GuardedMain(diagnostics, [&] { return zembra::exporter::RunExporter(words, diagnostics); });
}
