#include "engines/render/pdf_info.h"

// Use the modern smart-pointer API of qpdf without the transition warning.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>

namespace zembra::render {

std::vector<NameValue> PrivateInfoEntries(const RenderOptions& options) {
  std::vector<NameValue> entries;
  if (options.imageHeight) entries.emplace_back("/ZembraImageHeight", std::to_string(*options.imageHeight));
  if (options.jpegQuality) entries.emplace_back("/ZembraJpegQuality", std::to_string(*options.jpegQuality));
  // Chromium paints no page background of its own, so a PDF is transparent
  // already; an image made of it needs to know whether to stay so.
  if (options.transparent) entries.emplace_back("/ZembraTransparent", "true");
  return entries;
}

bool WriteWithInfoEntries(const std::string& from, const std::string& to, const std::vector<NameValue>& entries,
                          std::string& error) {
  try {
    QPDF pdf;
    pdf.processFile(from.c_str());
    QPDFObjectHandle trailer = pdf.getTrailer();
    QPDFObjectHandle info = trailer.getKey("/Info");
    if (!info.isDictionary()) {
      info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
      trailer.replaceKey("/Info", info);
    }
    for (const auto& [key, value] : entries) info.replaceKey(key, QPDFObjectHandle::newUnicodeString(value));
    QPDFWriter writer(pdf, to.c_str());
    writer.write();
    return true;
  } catch (const std::exception& e) {
    error = std::string("cannot record the document information: ") + e.what();
    return false;
  }
}

}  // namespace zembra::render
