// Reading a PDF's text back with poppler's pdftotext, independently of the
// code under test.
#pragma once

#include <string>
#include <vector>

namespace zembra::testing {

/// Words of the document's text, as pdftotext sees it: one string per page,
/// white space collapsed to single blanks. Empty when pdftotext fails.
std::vector<std::string> PageTexts(const std::string& pdf, const std::string& password = "");

}  // namespace zembra::testing
