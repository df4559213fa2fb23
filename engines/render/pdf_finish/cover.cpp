#include "engines/render/pdf_finish/cover.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <exception>

#include "engines/render/pdf_finish/links.h"

namespace zembra::render::finish {

std::string PrependCover(PdfDocument& document, const std::string& coverPdf, int* coverPages) {
  std::string error;
  QPDF* cover = document.OpenSource(coverPdf, error);
  if (cover == nullptr) return "cannot use the cover: " + error;
  try {
    // The cover's name table is not copied: point its links at pages directly.
    MakeLinkDestinationsExplicit(*cover);
    QPDFPageDocumentHelper coverPageHelper(*cover);
    std::vector<QPDFPageObjectHelper> sourcePages = coverPageHelper.getAllPages();
    if (sourcePages.empty()) return "the cover " + coverPdf + " has no pages";

    QPDF& pdf = document.qpdf();
    QPDFPageDocumentHelper pages(pdf);
    QPDFAcroFormDocumentHelper forms(pdf);
    QPDFAcroFormDocumentHelper coverForms(*cover);
    std::vector<QPDFPageObjectHelper> bodyPages = pages.getAllPages();
    // Pages go in without their annotations first: qpdf turns references to
    // pages not yet copied into nulls, and cover links point at cover pages.
    std::vector<QPDFObjectHandle> annotations;
    for (auto& page : sourcePages) {
      QPDFObjectHandle pageObject = page.getObjectHandle();
      annotations.push_back(pageObject.getKey("/Annots"));
      pageObject.removeKey("/Annots");
      if (bodyPages.empty()) {
        pages.addPage(page, false);
      } else {
        pages.addPageAt(page, true, bodyPages.front());
      }
    }
    const std::vector<QPDFPageObjectHelper> all = pages.getAllPages();
    for (size_t i = 0; i < sourcePages.size(); ++i) {
      if (annotations[i].isNull()) continue;
      sourcePages[i].getObjectHandle().replaceKey("/Annots", annotations[i]);
      forms.fixCopiedAnnotations(all[i].getObjectHandle(), sourcePages[i].getObjectHandle(), coverForms);
    }
    if (coverPages != nullptr) *coverPages = static_cast<int>(sourcePages.size());
  } catch (const std::exception& e) {
    return "cannot add the cover " + coverPdf + ": " + e.what();
  }
  return {};
}

}  // namespace zembra::render::finish
