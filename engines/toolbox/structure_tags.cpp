#include "engines/toolbox/structure_tags.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>

namespace zembra::toolbox {

bool IsIntermediateOf(const std::string& input, const std::string& output) {
  const size_t dot = output.rfind('.');
  if (dot == std::string::npos || output.find('/', dot) != std::string::npos) return false;
  return input == output.substr(0, dot) + "temp.pdf";
}

void DropStructureTags(QPDF& pdf) {
  QPDFObjectHandle root = pdf.getRoot();
  root.removeKey("/StructTreeRoot");
  root.removeKey("/MarkInfo");
  for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QPDFObjectHandle object = page.getObjectHandle();
    object.removeKey("/StructParents");
    QPDFObjectHandle annotations = object.getKey("/Annots");
    if (!annotations.isArray()) continue;
    for (QPDFObjectHandle annotation : annotations.aitems())
      if (annotation.isDictionary()) annotation.removeKey("/StructParent");
  }
}

}  // namespace zembra::toolbox
