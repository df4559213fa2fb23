#include "engines/toolbox/page_operations.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include <map>
#include <vector>

namespace zembra::toolbox {

bool StampPages(QPDF& pdf, QPDF& source, Placement placement, bool perPage, std::string& error) {
  QPDFPageDocumentHelper sourcePages(source);
  std::vector<QPDFPageObjectHelper> stamps = sourcePages.getAllPages();
  if (stamps.empty()) {
    error = "has no pages";
    return false;
  }
  QPDFPageDocumentHelper document(pdf);
  // Inherited resources would be shared by pages that get different stamps.
  document.pushInheritedAttributesToPage();
  std::map<size_t, QPDFObjectHandle> copied;  // one copy per stamp page, reused
  std::vector<QPDFPageObjectHelper> pages = document.getAllPages();
  for (size_t i = 0; i < pages.size(); ++i) {
    QPDFPageObjectHelper& page = pages[i];
    const size_t stampIndex = perPage ? std::min(i, stamps.size() - 1) : 0;
    auto found = copied.find(stampIndex);
    if (found == copied.end()) {
      QPDFObjectHandle form = stamps[stampIndex].getFormXObjectForPage();
      found = copied.emplace(stampIndex, pdf.copyForeignObject(form)).first;
    }
    const QPDFObjectHandle form = found->second;

    QPDFObjectHandle resources = page.getAttribute("/Resources", true);
    if (!resources.isDictionary()) {
      resources = QPDFObjectHandle::newDictionary();
      page.getObjectHandle().replaceKey("/Resources", resources);
    }
    QPDFObjectHandle xobjects = resources.getKey("/XObject");
    if (!xobjects.isDictionary()) {
      xobjects = QPDFObjectHandle::newDictionary();
      resources.replaceKey("/XObject", xobjects);
    } else if (xobjects.isIndirect()) {
      // Another page may share it; give this page its own.
      xobjects = xobjects.shallowCopy();
      resources.replaceKey("/XObject", xobjects);
    }
    int suffix = 0;
    const std::string name = resources.getUniqueResourceName("/Zs", suffix);
    xobjects.replaceKey(name, form);

    const std::string placement_ops =
        "q\n" + page.placeFormXObject(form, name, page.getTrimBox().getArrayAsRectangle()) + "\nQ\n";
    if (placement == Placement::kOver) {
      // Whatever state the page's own content leaves behind must not move the stamp.
      page.addPageContents(QPDFObjectHandle::newStream(&pdf, "q\n"), true);
      page.addPageContents(QPDFObjectHandle::newStream(&pdf, "\nQ\n" + placement_ops), false);
    } else {
      page.addPageContents(QPDFObjectHandle::newStream(&pdf, placement_ops), true);
    }
  }
  return true;
}

void CrossMerge(QPDF& pdf) {
  QPDFPageDocumentHelper document(pdf);
  std::vector<QPDFPageObjectHelper> pages = document.getAllPages();
  const size_t count = pages.size();
  const size_t fronts = (count + 1) / 2;
  std::vector<QPDFPageObjectHelper> order;
  for (size_t k = 0; k < fronts; ++k) {
    order.push_back(pages[k]);
    if (count - 1 - k >= fronts) order.push_back(pages[count - 1 - k]);
  }
  for (QPDFPageObjectHelper& page : pages) document.removePage(page);
  for (QPDFPageObjectHelper& page : order) document.addPage(page, false);
}

}  // namespace zembra::toolbox
