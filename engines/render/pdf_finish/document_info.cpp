#include "engines/render/pdf_finish/document_info.h"

namespace zembra::render::finish {

void SetDocumentInfo(QPDF& pdf, const DocumentInfo& info) {
  if (info.empty()) return;
  QPDFObjectHandle trailer = pdf.getTrailer();
  QPDFObjectHandle dictionary = trailer.getKey("/Info");
  if (!dictionary.isDictionary()) {
    dictionary = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    trailer.replaceKey("/Info", dictionary);
  }
  auto text = [&](const char* key, const std::string& value) {
    dictionary.replaceKey(key, QPDFObjectHandle::newUnicodeString(value));
  };
  if (info.title) text("/Title", *info.title);
  if (info.imageHeight) text(kImageHeightKey, std::to_string(*info.imageHeight));
  if (info.jpegQuality) text(kJpegQualityKey, std::to_string(*info.jpegQuality));
  if (info.transparent) text(kTransparentKey, "true");
}

}  // namespace zembra::render::finish
