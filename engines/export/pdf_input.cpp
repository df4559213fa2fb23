#include "engines/export/pdf_input.h"

#include <poppler/ErrorCodes.h>
#include <poppler/GlobalParams.h>
#include <poppler/PDFDoc.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "engines/export/poppler_core.h"

namespace zembra::exporter {

namespace {

bool LooksLikePdf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[1024] = {};
  in.read(head, sizeof head);
  return std::string(head, static_cast<size_t>(in.gcount())).find("%PDF-") != std::string::npos;
}

std::unique_ptr<PDFDoc> OpenCore(const std::string& path, const std::string& ownerPassword,
                                 const std::string& userPassword) {
  UsePopplerCore();
  auto password = [](const std::string& text) {
    return text.empty() ? std::optional<GooString>() : std::optional<GooString>(GooString(text));
  };
  return std::make_unique<PDFDoc>(std::make_unique<GooString>(path), password(ownerPassword), password(userPassword));
}

}  // namespace

PdfInput::PdfInput(std::unique_ptr<PDFDoc> core, std::string path, std::string ownerPassword, std::string userPassword)
    : core_(std::move(core)),
      path_(std::move(path)),
      ownerPassword_(std::move(ownerPassword)),
      userPassword_(std::move(userPassword)) {}
PdfInput::~PdfInput() = default;

std::unique_ptr<PdfInput> PdfInput::Open(const std::string& path, const std::string& ownerPassword,
                                         const std::string& userPassword, std::string& error) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0) {
    error = "cannot read " + path + ": " + std::strerror(errno);
    return nullptr;
  }
  if (!S_ISREG(info.st_mode)) {
    error = "cannot read " + path + ": not a regular file";
    return nullptr;
  }
  if (!LooksLikePdf(path)) {
    error = path + " is not a PDF file";
    return nullptr;
  }
  std::unique_ptr<PDFDoc> core = OpenCore(path, ownerPassword, userPassword);
  if (!core->isOk() && core->getErrorCode() == errEncrypted) {
    error = path + " is encrypted and " +
            (ownerPassword.empty() && userPassword.empty() ? std::string("no password was given (-upw or -opw)")
                                                           : std::string("the password given is wrong"));
    return nullptr;
  }
  if (!core->isOk()) {
    error = path + " is damaged or not a PDF file that can be read";
    return nullptr;
  }
  if (core->getNumPages() < 1) {
    error = path + " has no pages";
    return nullptr;
  }
  return std::unique_ptr<PdfInput>(new PdfInput(std::move(core), path, ownerPassword, userPassword));
}

std::unique_ptr<PDFDoc> PdfInput::OpenAgain(std::string& error) const {
  std::unique_ptr<PDFDoc> again = OpenCore(path_, ownerPassword_, userPassword_);
  if (!again->isOk() || again->getNumPages() != core_->getNumPages()) {
    error = path_ + " cannot be read a second time: it changed while being converted";
    return nullptr;
  }
  return again;
}

int PdfInput::pageCount() const { return core_->getNumPages(); }

std::optional<std::string> PdfInput::Info(const std::string& key) const {
  const std::unique_ptr<GooString> value = core_->getDocInfoStringEntry(key.c_str());
  if (!value) return std::nullopt;
  return Utf8FromTextString(value.get());
}

bool PdfInput::PageSize(int index, double& widthPoints, double& heightPoints, std::string& error) const {
  return DisplayedPageSize(*core_, index, widthPoints, heightPoints, error);
}

bool DisplayedPageSize(PDFDoc& doc, int index, double& widthPoints, double& heightPoints, std::string& error) {
  if (index < 0 || index >= doc.getNumPages() || doc.getPage(index + 1) == nullptr) {
    error = "page " + std::to_string(index + 1) + " cannot be read";
    return false;
  }
  const bool sideways = doc.getPageRotate(index + 1) % 180 != 0;
  const double width = doc.getPageCropWidth(index + 1), height = doc.getPageCropHeight(index + 1);
  widthPoints = sideways ? height : width;
  heightPoints = sideways ? width : height;
  return true;
}

std::optional<PageSpan> SelectPages(std::optional<long> first, std::optional<long> last, int pageCount,
                                    std::string& error) {
  const long f = std::clamp<long>(first.value_or(1), 1, pageCount);
  const long l = std::clamp<long>(last.value_or(0) == 0 ? pageCount : *last, 1, pageCount);
  if (f > l) {
    error = "the first page (" + std::to_string(first.value_or(1)) + ") comes after the last page (" +
            std::to_string(last.value_or(pageCount)) + ")";
    return std::nullopt;
  }
  return PageSpan{static_cast<int>(f), static_cast<int>(l)};
}

std::optional<OpenedInput> OpenInput(const ExportOptions& options, std::string& error) {
  OpenedInput input;
  input.pdf = PdfInput::Open(options.inputPdf, options.ownerPassword, options.userPassword, error);
  if (!input.pdf) return std::nullopt;
  const std::optional<PageSpan> pages = SelectPages(options.firstPage, options.lastPage, input.pdf->pageCount(), error);
  if (!pages) return std::nullopt;
  input.pages = *pages;
  return input;
}

}  // namespace zembra::exporter
