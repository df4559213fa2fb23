#include "engines/render/pdf_finish/copies.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <exception>
#include <vector>

namespace zembra::render::finish {

std::string MakeCopies(QPDF& pdf, int copies, bool collate) {
  if (copies < 1 || copies > kMaxCopies)
    return "--copies must be between 1 and " + std::to_string(kMaxCopies) + ", not " + std::to_string(copies);
  if (copies == 1) return {};
  try {
    QPDFPageDocumentHelper pages(pdf);
    QPDFAcroFormDocumentHelper forms(pdf);
    const std::vector<QPDFPageObjectHelper> originals = pages.getAllPages();
    if (originals.empty()) return "the document has no pages to copy";

    // (page index, copy number) in output order.
    std::vector<std::pair<size_t, int>> order;
    if (collate) {
      for (int c = 0; c < copies; ++c)
        for (size_t p = 0; p < originals.size(); ++p) order.emplace_back(p, c);
    } else {
      for (size_t p = 0; p < originals.size(); ++p)
        for (int c = 0; c < copies; ++c) order.emplace_back(p, c);
    }

    for (const auto& page : originals) pages.removePage(page);
    for (const auto& [index, copy] : order) {
      QPDFPageObjectHelper original = originals[index];
      if (copy == 0) {
        pages.addPage(original, false);
        continue;
      }
      QPDFPageObjectHelper duplicate = original.shallowCopyPage();
      pages.addPage(duplicate, false);
      // Shared annotation objects would belong to two pages; give the copy its own.
      forms.fixCopiedAnnotations(duplicate.getObjectHandle(), original.getObjectHandle(), forms);
    }
  } catch (const std::exception& e) {
    return std::string("cannot make copies: ") + e.what();
  }
  return {};
}

}  // namespace zembra::render::finish
