// Paper, margins, scale and header/footer templates for Page.printToPDF.
#pragma once

#include <string>

#include "engines/render/devtools_pipe.h"
#include "engines/render/render_options.h"

namespace zembra::render {

/// A header or footer line made of three texts with [page], [topage],
/// [title], [date], [time], [isodate], [url] as Chromium template HTML.
/// Empty when all three texts are empty.
std::string HeaderFooterTemplate(const std::string& left, const std::string& center, const std::string& right,
                                 double sideMarginMm);

/// The parameters of Page.printToPDF for these options.
Json PrintParameters(const RenderOptions& options);

}  // namespace zembra::render
