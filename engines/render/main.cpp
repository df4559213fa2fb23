// zemrender.lib [options] <input> <pdf>: an HTML file or web page into a PDF file.
#include <string>
#include <vector>

#include "engines/common/diagnostics.h"
#include "engines/common/guarded_main.h"
#include "engines/render/renderer.h"

int main(int argc, char** argv) {
  const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
  return zembra::GuardedMain(zembra::Diagnostics("zemrender.lib"), [&] { return zembra::render::RunRenderer(words); });
}
