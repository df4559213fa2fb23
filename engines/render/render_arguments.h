// The renderer's command line parsed into what the run is asked to do.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "engines/render/render_options.h"

namespace zembra::render {

struct ParseResult {
  RenderOptions options;
  std::vector<std::string> warnings;  ///< one line each
  std::string error;                  ///< set when the run cannot go on (no input or output)
};

/// Parses the words after the program name. The last two words are always
/// the input and the PDF path; "--readme" needs neither.
ParseResult ParseRenderArguments(std::span<const std::string> words);

}  // namespace zembra::render
