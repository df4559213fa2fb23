// PPTX: the package of pptx_parts written with libzip, each page rendered
// by poppler into a PNG picture.
#pragma once

#include <string>

#include "engines/export/documents/document_formats.h"
#include "engines/export/documents/pdf_document.h"

namespace zembra::exporter {

/// Resolution of the page pictures: sharp when the slide is shown full screen.
constexpr double kSlidePictureDpi = 200;

bool WritePptx(const DocumentJob& job, const poppler::document& document, PageSpan pages, std::string& error);

}  // namespace zembra::exporter
