// Table of contents (--toc): headings found in the printed document, an HTML
// page listing them for Chromium to print, and that page put into the PDF
// with links to the headings and an outline.
//
// Order of work for the renderer:
//   1. print the document (with HeadingMarkerScript() run, or with Chromium's
//      outline on) and, with --cover, the cover;
//   2. entries = ReadHeadings(printedPdf) (markers, else the outline);
//   3. MakeTocPdf(entries, coverPages, printer, tocPdf): prints
//      BuildTocHtml(...) until the page numbers it shows are final;
//   4. FinishPdf with tocPdf and the entries in its PrintedPdfs (it calls
//      InsertToc after the cover).
// The numbers shown are page numbers of the final PDF, cover and TOC pages
// counted. For "[page]" in headers and footers to agree, the body must be
// numbered from coverPages + tocPages + 1 (known after step 3; the margins'
// text does not move page breaks, so the body can be printed again).
#pragma once

#include <qpdf/QPDF.hh>

#include <functional>
#include <string>
#include <vector>

#include "engines/render/pdf_finish/pdf_document.h"

namespace zembra::render::finish {

struct TocEntry {
  int level = 1;       ///< 1 for h1 ... 6 for h6
  std::string title;   ///< UTF-8
  int page = 1;        ///< 1-based page of the printed document, before any cover or TOC
  double y = -1;       ///< top of the heading in PDF points from the page's bottom; < 0: top of the page
};

/// Headings from the PDF's outline (Chromium writes one with tagged output):
/// the outline's depth is the level. Empty when there is no outline.
std::vector<TocEntry> HeadingsFromOutline(QPDF& pdf);

/// Headings from heading marker links (HeadingMarkerScript()), in document
/// order; the markers are removed from the PDF.
std::vector<TocEntry> TakeHeadingMarkers(QPDF& pdf);

/// The headings of the printed PDF at path, for MakeTocPdf: from heading
/// markers when the page had them, else from the outline. The file is not
/// changed (FinishPdf drops the markers). Empty with error set when the
/// file cannot be read; empty without error when there are no headings.
std::vector<TocEntry> ReadHeadings(const std::string& pdfPath, std::string& error);

/// An HTML page listing the entries with dotted leaders and page numbers
/// (entry.page + pageOffset), each line a toc marker link so InsertToc can
/// turn it into a link to the heading. Levels deeper than maxLevel are left out.
std::string BuildTocHtml(const std::vector<TocEntry>& entries, int pageOffset,
                         const std::string& heading = "Table of Contents", int maxLevel = 6);

/// Prints html (a complete page) into a PDF at pdfPath with the document's
/// paper settings. Returns an empty string or the error.
using HtmlPrinter = std::function<std::string(const std::string& html, const std::string& pdfPath)>;

/// Prints the table of contents into tocPdf (overwritten on each try; the
/// renderer passes a path in its temporary directory). The numbers it shows
/// depend on its own page count, so it is printed again until the count the
/// numbers assumed is the count printed (at most 4 tries). Sets *tocPages.
std::string MakeTocPdf(const std::vector<TocEntry>& entries, int coverPages, const HtmlPrinter& printer,
                       const std::string& tocPdf, int* tocPages = nullptr);

/// Puts the pages of tocPdf after the first coverPages pages, turns its
/// lines into links to the headings' places, and replaces the outline by
/// one of the headings. The entries are those given to MakeTocPdf.
std::string InsertToc(PdfDocument& document, const std::string& tocPdf, const std::vector<TocEntry>& entries,
                      int coverPages);

/// Replaces the document's outline by the headings (nested by level);
/// firstBodyPage is the 0-based index of the body's first page.
void WriteOutline(QPDF& pdf, const std::vector<TocEntry>& entries, int firstBodyPage);

}  // namespace zembra::render::finish
