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

struct PrintableArea {
  int width = 0;   ///< CSS pixels the content is laid out in, zoom included
  int height = 0;
};

/// The area inside the margins of the paper (A4 when no size is given), in
/// CSS pixels at 96 per inch, divided by the zoom.
PrintableArea PrintableCssPixels(const PageOptions& page);

/// The parameters of Page.printToPDF for these options.
Json PrintParameters(const PageOptions& page);

/// Whether headers or footers show page numbers ([page], [topage], the
/// default header): a cover or table of contents before the body shifts them.
bool MarginsShowPageNumbers(const PageOptions& page);

}  // namespace zembra::render
