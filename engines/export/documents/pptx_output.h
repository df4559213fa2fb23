// PPTX: one slide per page of the document model, its text in text boxes,
// its pictures as pictures, and the rest of the page as a picture behind
// (pptx_slide, page_background); the package of pptx_parts written with libzip.
#pragma once

#include <string>

#include "engines/export/documents/document_model.h"
#include "engines/export/export_job.h"

namespace zembra::exporter {

/// Resolution of the background pictures, per inch of the slide: sharp when
/// the slide is shown full screen.
constexpr double kSlidePictureDpi = 200;

/// Writes the presentation of a document read from the input's pages to
/// output: one slide per page. The pictures of the document's pages are
/// rendered from the input. False with a one-line error.
bool WritePresentation(const PdfInput& input, PageSpan pages, const Document& document, const std::string& output,
                       std::string& error);

bool WritePptx(const ExportJob& job, std::string& error);

}  // namespace zembra::exporter
