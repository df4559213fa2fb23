#include "engines/render/pdf_post/cover.h"

#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <exception>

#include "engines/render/pdf_post/links.h"

namespace zembra::render::post {

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
    // Copy all pages first so links between cover pages map onto the copies.
    std::vector<QPDFObjectHandle> copied;
    for (auto& page : sourcePages) copied.push_back(pdf.copyForeignObject(page.getObjectHandle()));
    for (size_t i = 0; i < copied.size(); ++i) {
      QPDFPageObjectHelper local(copied[i]);
      if (bodyPages.empty()) {
        pages.addPage(local, false);
      } else {
        pages.addPageAt(local, true, bodyPages.front());
      }
      forms.fixCopiedAnnotations(copied[i], sourcePages[i].getObjectHandle(), coverForms);
    }
    if (coverPages != nullptr) *coverPages = static_cast<int>(copied.size());
  } catch (const std::exception& e) {
    return "cannot add the cover " + coverPdf + ": " + e.what();
  }
  return {};
}

}  // namespace zembra::render::post
