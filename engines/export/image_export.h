// PDF pages to image files: each page rendered, processed, encoded and
// released before the next but one is rendered.
#pragma once

#include <string>

#include "engines/common/diagnostics.h"
#include "engines/export/export_options.h"
#include "engines/export/output_format.h"
#include "engines/export/pdf_input.h"

namespace zembra::exporter {

/// Hints the renderer records in the PDF's document information.
struct RendererHints {
  std::optional<long> imageHeight;  ///< /ZembraImageHeight
  std::optional<long> jpegQuality;  ///< /ZembraJpegQuality
};

/// Reads the hints; a malformed one is reported through warnings and ignored.
RendererHints ReadRendererHints(const PdfInput& input, std::vector<std::string>& warnings);

/// Converts pages firstPage..lastPage (1-based, clamped already) into the
/// image files the options name. Writes nothing visible unless every page
/// succeeded; false with a one-line error otherwise.
bool ExportImages(const ExportOptions& options, PdfInput& input, int firstPage, int lastPage, ImageFormat format,
                  const RendererHints& hints, const Diagnostics& diagnostics, std::string& error);

}  // namespace zembra::exporter
