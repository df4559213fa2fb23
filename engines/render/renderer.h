// One whole run: parse, start Chromium, load, print, write the PDF.
#pragma once

#include <span>
#include <string>

#include "engines/common/diagnostics.h"
#include "engines/render/render_options.h"
#include "engines/render/timings.h"

namespace zembra::render {

/// Renders as the options say. Returns an error message, empty on success.
/// The phases of the run are marked in timings when given.
std::string Render(const RenderOptions& options, const Diagnostics& diagnostics, Timings* timings = nullptr);

/// The whole program behind main: arguments (without the program name) in,
/// exit status out.
int RunRenderer(std::span<const std::string> words);

}  // namespace zembra::render
