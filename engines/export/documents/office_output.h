// The legacy office formats and metafiles, made by LibreOffice headless:
// DOC from our RTF, XLS from our spreadsheet (one sheet per page), EMF and
// WMF from each page imported into Draw.
#pragma once

#include <string>

#include "engines/export/documents/document_formats.h"
#include "engines/export/documents/pdf_document.h"

namespace zembra::exporter {

enum class Metafile { kEmf, kWmf };

bool WriteDoc(const DocumentJob& job, const poppler::document& document, PageSpan pages, std::string& error);
bool WriteXls(const DocumentJob& job, const poppler::document& document, PageSpan pages, std::string& error);
bool WriteMetafiles(const DocumentJob& job, PageSpan pages, Metafile kind, std::string& error);

}  // namespace zembra::exporter
