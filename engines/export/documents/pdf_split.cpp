#include "engines/export/documents/pdf_split.h"

// Only the current pointer interface of qpdf is used.
#define POINTERHOLDER_TRANSITION 4
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <exception>
#include <memory>
#include <sstream>

#include "engines/common/checked_file.h"

namespace zembra::exporter {

namespace {

// qpdf takes either password; the owner password opens everything.
std::unique_ptr<QPDF> Open(const ExportOptions& options, std::string& error) {
  std::vector<std::string> passwords;
  if (!options.ownerPassword.empty()) passwords.push_back(options.ownerPassword);
  if (!options.userPassword.empty()) passwords.push_back(options.userPassword);
  if (passwords.empty()) passwords.emplace_back();
  for (const std::string& password : passwords) {
    auto pdf = std::make_unique<QPDF>();
    pdf->setSuppressWarnings(true);
    try {
      pdf->processFile(options.inputPdf.c_str(), password.c_str());
      return pdf;
    } catch (const std::exception& problem) {
      error = "cannot read " + options.inputPdf + ": " + problem.what();
    }
  }
  return nullptr;
}

// Paints the visible page white beneath everything else, and gives the page
// room below: LibreOffice's PDF import loses the bottom 10 mm of a page, and
// the metafile it exports covers exactly what is drawn, now the whole paper.
void PaintPaper(QPDF& single) {
  constexpr double kImportLoss = 28.35;  // 10 mm in points
  QPDFPageObjectHelper page = QPDFPageDocumentHelper(single).getAllPages().front();
  const QPDFObjectHandle::Rectangle box = page.getCropBox(false, false).getArrayAsRectangle();
  std::ostringstream paint;
  paint << "q 1 g " << box.llx << ' ' << box.lly << ' ' << box.urx - box.llx << ' ' << box.ury - box.lly
        << " re f Q\n";
  page.addPageContents(QPDFObjectHandle::newStream(&single, paint.str()), true);
  const QPDFObjectHandle roomy = QPDFObjectHandle::newFromRectangle(
      QPDFObjectHandle::Rectangle(box.llx, box.lly - kImportLoss, box.urx, box.ury));
  QPDFObjectHandle dictionary = page.getObjectHandle();
  dictionary.replaceKey("/MediaBox", roomy);
  dictionary.replaceKey("/CropBox", roomy);
}

}  // namespace

bool SplitPages(const ExportOptions& options, PageSpan pages, const std::string& directory, bool paintPaper,
                std::vector<std::string>& files, std::string& error) {
  std::unique_ptr<QPDF> source = Open(options, error);
  if (!source) return false;
  try {
    source->pushInheritedAttributesToPage();
    std::vector<QPDFPageObjectHelper> all = QPDFPageDocumentHelper(*source).getAllPages();
    if (pages.last > static_cast<int>(all.size())) {
      error = options.inputPdf + " has only " + std::to_string(all.size()) + " pages";
      return false;
    }
    for (int number = pages.first; number <= pages.last; ++number) {
      QPDF single;
      single.emptyPDF();
      QPDFPageDocumentHelper(single).addPage(all[static_cast<size_t>(number - 1)], false);
      if (paintPaper) PaintPaper(single);
      const std::string path = directory + "/page" + std::to_string(number) + ".pdf";
      auto file = CheckedFile::Open(path, error);
      if (file == nullptr) return false;
      QPDFWriter writer(single);
      writer.setOutputFile(path.c_str(), file->get(), false);
      writer.setPreserveEncryption(false);
      writer.write();
      if (!file->Close(error)) return false;
      files.push_back(path);
    }
  } catch (const std::exception& problem) {
    error = "cannot split the pages of " + options.inputPdf + ": " + problem.what();
    return false;
  }
  return true;
}

}  // namespace zembra::exporter
