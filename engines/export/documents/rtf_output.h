// RTF written from the document model as the flow plan sets it: a style
// sheet with heading levels a word processor's navigator shows, real lists,
// real tables (merges, borders, shading, header rows), pictures at their
// size, fonts, colours and links, right-to-left paragraphs, and the PDF's
// paper, margins, page breaks and columns.
#pragma once

#include <string>

#include "engines/export/documents/document_model.h"
#include "engines/export/export_job.h"

namespace zembra::exporter {

/// The whole RTF file.
std::string RtfDocument(const Document& document);

bool WriteRtf(const ExportJob& job, std::string& error);

}  // namespace zembra::exporter
