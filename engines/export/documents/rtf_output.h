// RTF written by hand: the text as paragraphs, tables as RTF tables with
// the page's column edges, a page break between pages, Unicode as \uN escapes, font sizes,
// bold/italic and sans/serif/monospace as the PDF's fonts tell.
#pragma once

#include <string>
#include <vector>

#include "engines/export/documents/page_layout.h"
#include "engines/export/export_job.h"

namespace zembra::exporter {

/// Escapes UTF-8 text for RTF: \ { } escaped, tab as \tab, every character
/// past ASCII as \uN? (signed 16-bit, a surrogate pair beyond the basic plane).
std::string RtfEscape(const std::string& text);

/// Lines that continue a paragraph (same size and weight, close below, no
/// cells, the line before it nearly as wide as the running text) are joined
/// into it; every other line starts a new one.
std::vector<std::vector<const Line*>> Paragraphs(const PageText& page);

std::string RtfDocument(const std::vector<PageText>& pages);

bool WriteRtf(const ExportJob& job, std::string& error);

}  // namespace zembra::exporter
