// Several copies of the document in one PDF.
#pragma once

#include <qpdf/QPDF.hh>

#include <string>

namespace zembra::render::finish {

/// Largest number of copies accepted (a typo like 10000 should not fill the disk).
inline constexpr int kMaxCopies = 999;

/// Repeats the pages so the PDF holds `copies` copies of the document:
/// collated as whole copies in turn (1 2 3 1 2 3), otherwise each page
/// repeated in place (1 1 2 2 3 3). Every repeated page gets its own
/// annotations; form fields on repeated pages become separate fields
/// ("name" in the first copy, "name+1", "name+2"... in the others).
/// The renderer passes --copies N and --collate as given; 1 changes nothing.
/// Returns an empty string on success, else the error.
std::string MakeCopies(QPDF& pdf, int copies, bool collate);

}  // namespace zembra::render::finish
