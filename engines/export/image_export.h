// PDF pages to image files: each page rendered, processed, encoded and
// released before the next but one is rendered.
#pragma once

#include <string>

#include "engines/export/export_job.h"

namespace zembra::exporter {

/// The writer of every raster format: renders the job's pages into its
/// files (one per page, or every page in one TIFF with -multipage), with the
/// hints the renderer recorded in the PDF (/ZembraImageHeight,
/// /ZembraJpegQuality) where no option overrides them.
bool WriteImages(const ExportJob& job, std::string& error);

}  // namespace zembra::exporter
