// What every writer of a run gets: the run's options, the input opened
// once, the selected pages, its row of the format table, and the output set
// with every target reserved. The run publishes the set when the writer is done.
#pragma once

#include "engines/common/diagnostics.h"
#include "engines/common/output_set.h"
#include "engines/export/export_options.h"
#include "engines/export/output_format.h"
#include "engines/export/pdf_input.h"

namespace zembra::exporter {

struct ExportJob {
  const ExportOptions& options;  ///< also the input's path and passwords, for engines that read the file
  const PdfInput& input;
  PageSpan pages;
  const OutputFormat& format;
  /// One file, or for a series one per selected page in page order; the
  /// writer writes each at outputs.path(i).
  OutputSet& outputs;
  const Diagnostics& diagnostics;  ///< for warnings about options the format cannot follow
};

}  // namespace zembra::exporter
