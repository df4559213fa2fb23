// A cover put before the document.
#pragma once

#include <string>

#include "engines/render/pdf_finish/pdf_document.h"

namespace zembra::render::finish {

/// Puts every page of coverPdf (the cover page Chromium printed with the
/// document's settings) before the document's first page, with its links
/// (internal ones pointing at the copied cover pages) and form fields.
/// On success returns an empty string and sets *coverPages when given.
std::string PrependCover(PdfDocument& document, const std::string& coverPdf, int* coverPages = nullptr);

}  // namespace zembra::render::finish
