// Input PDFs for the finishing tests, drawn with cairo, and small
// helpers that look at PDFs with qpdf and poppler's tools.
#pragma once

#include <qpdf/QPDF.hh>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/files.h"

namespace zembra::render::finish::testing {

struct FixtureLink {
  double x, y, width, height;  ///< cairo coordinates: points from the top-left
  std::string uri;             ///< external link, or
  int page = 0;                ///< internal link to this 1-based page when uri is empty
};

struct FixturePage {
  std::string text;  ///< drawn near the top-left
  std::vector<FixtureLink> links;
  bool colourful = false;  ///< a red and a blue rectangle
  int noiseImagePixels = 0;  ///< a square image of coloured noise this many pixels wide, at 6 inches
};

/// Writes a PDF with one page per entry (A4 unless given). Fails the test on error.
void MakePdf(const std::string& path, const std::vector<FixturePage>& pages, double width = 595, double height = 842);

/// Pages "<prefix>1", "<prefix>2"... as text.
void MakeNumberedPdf(const std::string& path, int pages, const std::string& prefix = "Page");

/// The whole file (empty when it cannot be read).
using zembra::testing::ReadFile;

/// Standard output of a shell command; status set to its exit status.
std::string Capture(const std::string& command, int* status = nullptr);

/// Text of one page (1-based) with pdftotext.
std::string PageText(const std::string& pdf, int page);

/// The text of every page, in order.
std::vector<std::string> PageTexts(const std::string& pdf);

/// Whether `qpdf --check` finds nothing to complain about (output in details).
bool QpdfCheckClean(const std::string& pdf, std::string* details = nullptr);

/// Opened with qpdf; the test fails when the file cannot be read.
std::unique_ptr<QPDF> Open(const std::string& pdf);

/// The page's annotations (possibly none).
std::vector<QPDFObjectHandle> Annotations(QPDF& pdf, int pageIndex);

/// 0-based index of the page an explicit destination array points at, or -1.
int DestinationPage(QPDF& pdf, QPDFObjectHandle dest);

/// Pixels of a binary PPM (P6) whose red, green and blue differ; -1 when unreadable.
int ColouredPixels(const std::string& ppm);

/// A fresh scratch directory for one test, removed at the end of the run.
std::string ScratchDir();

/// Prints an HTML text to pdfPath with the headless Chromium shell (no
/// header or footer). Returns an empty string or the error.
std::string PrintHtml(const std::string& html, const std::string& pdfPath);

inline const char* kChromium = "chromium-headless-shell";

}  // namespace zembra::render::finish::testing
