// RTF written from the document model: a style sheet with heading levels a
// word processor's navigator shows, real lists, real tables (merges,
// borders, shading, header rows), pictures at their size, fonts, colours and
// links, right-to-left paragraphs, and the PDF's paper, margins, page breaks
// and columns.
#pragma once

#include <string>
#include <vector>

#include "engines/export/documents/document_model.h"
#include "engines/export/export_job.h"

namespace zembra::exporter {

/// Pages of one paper size in a row, with the margins around the largest
/// text area among them (points).
struct RtfSection {
  int firstPage = 0, endPage = 0;  ///< pages [firstPage, endPage)
  double width = 612, height = 792;
  double left = 72, right = 72, top = 72, bottom = 72;
};

/// The sections of a document: a new one where the paper size changes.
std::vector<RtfSection> RtfSections(const Document& document);

/// Where a page's content runs in columns: blocks [first, end) of the
/// document, and the index of the block that starts each further column.
struct RtfColumns {
  size_t first = 0, end = 0;
  std::vector<size_t> breaks;
  double gap = 0;  ///< between two columns, points
};

/// The runs of blocks set in columns: where the reading order goes back up
/// the page to a block right of the one before it, and its column's blocks
/// stand beside the previous column's.
std::vector<RtfColumns> FindColumns(const Document& document);

/// The whole RTF file.
std::string RtfDocument(const Document& document);

bool WriteRtf(const ExportJob& job, std::string& error);

}  // namespace zembra::exporter
