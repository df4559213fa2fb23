#include "engines/render/pdf_post/document_info.h"

namespace zembra::render::post {

void SetDocumentInfo(QPDF& pdf, const DocumentInfo& info) {
  QPDFObjectHandle trailer = pdf.getTrailer();
  QPDFObjectHandle dictionary = trailer.getKey("/Info");
  if (!dictionary.isDictionary()) {
    dictionary = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    trailer.replaceKey("/Info", dictionary);
  }
  if (info.title) dictionary.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(*info.title));
  if (info.imageHeight) dictionary.replaceKey(kImageHeightKey, QPDFObjectHandle::newInteger(*info.imageHeight));
  if (info.jpegQuality) dictionary.replaceKey(kJpegQualityKey, QPDFObjectHandle::newInteger(*info.jpegQuality));
}

}  // namespace zembra::render::post
