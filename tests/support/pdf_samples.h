// Small PDF files written byte by byte, sound and damaged, for tests that
// need inputs without depending on the code under test.
#pragma once

#include <string>

namespace zembra::testing {

/// A PDF of the given number of pages (all alike: a line of Helvetica text
/// "Zembra sample page"), each widthPt x heightPt points.
std::string SamplePdf(int pages = 3, double widthPt = 595, double heightPt = 842);

/// The same document with a page tree that holds no page.
std::string SamplePdfWithoutPages();

/// The sample with every cross-reference offset pointing a few bytes off.
std::string SamplePdfWithBrokenXref();

}  // namespace zembra::testing
