// One unencrypted single-page PDF per selected page, for engines that only
// take the first page of a document or cannot open a protected one.
#pragma once

#include <string>
#include <vector>

#include "engines/export/export_options.h"
#include "engines/export/pdf_input.h"

namespace zembra::exporter {

/// Writes directory/page<N>.pdf for every selected page of options.inputPdf
/// (opened with its passwords), returning the paths in page order; false
/// with an error when the PDF cannot be read. With
/// paintPaper each page first gets its white paper painted, so that engines
/// that crop to what is drawn keep the whole page.
bool SplitPages(const ExportOptions& options, PageSpan pages, const std::string& directory, bool paintPaper,
                std::vector<std::string>& files, std::string& error);

}  // namespace zembra::exporter
