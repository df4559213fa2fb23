#include "engines/toolbox/pdf_output.h"

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFAcroFormDocumentHelper.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdlib>
#include <string_view>

#include "engines/common/atomic_output.h"
#include "engines/common/checked_file.h"

namespace zembra::toolbox {

namespace {

// protectedSource: the document whose protection the output keeps when no
// new one is asked for (the input of a split, or the document itself).
void Configure(QPDFWriter& writer, QPDF& protectedSource, const WriteSettings& settings) {
  switch (settings.layout) {
    case StreamLayout::kKeep:
      break;
    case StreamLayout::kPack:
      writer.setObjectStreamMode(qpdf_o_generate);
      writer.setCompressStreams(true);
      writer.setRecompressFlate(true);
      writer.setDecodeLevel(qpdf_dl_generalized);
      break;
    case StreamLayout::kUnpack:
      writer.setObjectStreamMode(qpdf_o_disable);
      writer.setCompressStreams(false);
      writer.setDecodeLevel(qpdf_dl_generalized);
      break;
  }
  if (settings.deterministic) {
    // A deterministic ID hashes the content, which encryption forbids; a
    // static ID is the only fixed choice there. Set before the encryption
    // parameters, which compute the ID.
    if (settings.security.encrypt || protectedSource.isEncrypted()) {
      writer.setStaticID(true);
      writer.setStaticAesIV(true);
    } else {
      writer.setDeterministicID(true);
    }
  }
  if (!settings.security.encrypt && protectedSource.isEncrypted()) {
    writer.copyEncryptionParameters(protectedSource);
  }
  ApplySecurity(settings.security, writer);
}

bool WriteTo(QPDF& pdf, QPDF& protectedSource, const std::string& path, const WriteSettings& settings,
             std::string& error) {
  auto file = CheckedFile::Open(path, error);
  if (file == nullptr) return false;
  try {
    QPDFWriter writer(pdf);
    writer.setOutputFile(path.c_str(), file->get(), false);
    Configure(writer, protectedSource, settings);
    writer.write();
  } catch (const std::exception& e) {
    error = std::string("cannot write the PDF: ") + e.what();
    return false;
  }
  return file->Close(error);
}

}  // namespace

bool DeterministicRequested() {
  const char* value = std::getenv("ZEMBRA_DETERMINISTIC");
  return value != nullptr && std::string_view(value) == "1";
}

bool WriteDocument(QPDF& pdf, const std::string& target, const WriteSettings& settings, OutputSet& outputs,
                   std::string& error) {
  const std::optional<size_t> output = outputs.Add(target, error);
  return output && WriteTo(pdf, pdf, outputs.path(*output), settings, error);
}

std::vector<std::string> SplitTargets(const std::string& target, size_t pageCount) {
  // Always at least four digits: the front end looks for the "0001" name.
  std::vector<std::string> targets;
  for (size_t i = 1; i <= pageCount; ++i) targets.push_back(SeriesPath(target, static_cast<int>(i)));
  return targets;
}

bool WriteSplit(QPDF& pdf, const std::string& target, const WriteSettings& settings, OutputSet& outputs,
                std::string& error) {
  QPDFPageDocumentHelper document(pdf);
  std::vector<QPDFPageObjectHelper> pages = document.getAllPages();
  if (pages.empty()) {
    error = "the document has no pages to split";
    return false;
  }
  const size_t first = outputs.size();
  if (!outputs.AddAll(SplitTargets(target, pages.size()), error)) return false;
  QPDFAcroFormDocumentHelper form(pdf);
  QPDFObjectHandle info = pdf.getTrailer().getKey("/Info");
  if (info.isDictionary() && !info.isIndirect()) {
    info = pdf.makeIndirectObject(info);
    pdf.getTrailer().replaceKey("/Info", info);
  }
  try {
    for (size_t i = 0; i < pages.size(); ++i) {
      QPDF single;
      single.emptyPDF();
      QPDFPageDocumentHelper(single).addPage(pages[i], false);
      if (form.hasAcroForm()) {
        // Carry the page's fields along, with a form of their own.
        QPDFAcroFormDocumentHelper singleForm(single);
        singleForm.fixCopiedAnnotations(QPDFPageDocumentHelper(single).getAllPages().front().getObjectHandle(),
                                        pages[i].getObjectHandle(), form);
      }
      if (info.isDictionary()) single.getTrailer().replaceKey("/Info", single.copyForeignObject(info));
      if (!WriteTo(single, pdf, outputs.path(first + i), settings, error)) return false;
    }
  } catch (const std::exception& e) {
    error = std::string("cannot split the PDF: ") + e.what();
    return false;
  }
  return true;
}

}  // namespace zembra::toolbox
