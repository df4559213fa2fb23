// The renderer's command line parsed as in a real run, for unit tests of
// what the options do.
#pragma once

#include <string>
#include <vector>

#include "engines/render/render_arguments.h"

namespace zembra::render {

/// Parses the options with an input and an output after them.
inline ParseResult ParseWithFiles(std::vector<std::string> words) {
  words.push_back("in.html");
  words.push_back("out.pdf");
  return ParseRenderArguments(words);
}

}  // namespace zembra::render
