// PDF pages to image files, on every processor: each thread renders pages
// with a device of its own on a copy of the document of its own; a page
// that needs no processing goes to its encoder in bands of rows as they are
// rendered, so memory stays a few bands a thread whatever the page count.
#pragma once

#include <string>

#include "engines/export/export_job.h"

namespace zembra::exporter {

/// The writer of every raster format: renders the job's pages into its
/// files (one per page, or every page in one TIFF with -multipage), with the
/// hints the renderer recorded in the PDF (/ZembraImageHeight,
/// /ZembraJpegQuality) where no option overrides them. Uses one thread per
/// usable processor.
bool WriteImages(const ExportJob& job, std::string& error);

/// WriteImages on at most `threads` threads (1: one page after the other).
bool WriteImagesOnThreads(const ExportJob& job, int threads, std::string& error);

}  // namespace zembra::exporter
