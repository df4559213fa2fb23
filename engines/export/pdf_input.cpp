#include "engines/export/pdf_input.h"

#include <poppler/ErrorCodes.h>
#include <poppler/GlobalParams.h>
#include <poppler/PDFDoc.h>
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page-renderer.h>
#include <poppler/cpp/poppler-page.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "engines/export/poppler_core.h"

namespace zembra::exporter {

namespace {

// poppler's own complaints about damaged files would break the one-line
// contract of this tool; the failures that matter are reported by us.
void DropPopplerMessage(const std::string&, void*) {}

bool LooksLikePdf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[1024] = {};
  in.read(head, sizeof head);
  return std::string(head, static_cast<size_t>(in.gcount())).find("%PDF-") != std::string::npos;
}

}  // namespace

PdfInput::PdfInput(std::unique_ptr<PDFDoc> core, std::string path, std::string ownerPassword,
                   std::string userPassword)
    : core_(std::move(core)),
      path_(std::move(path)),
      ownerPassword_(std::move(ownerPassword)),
      userPassword_(std::move(userPassword)) {}
PdfInput::~PdfInput() = default;

const poppler::document& PdfInput::document() const {
  if (!document_) {
    document_.reset(poppler::document::load_from_file(path_, ownerPassword_, userPassword_));
    if (!document_) throw std::runtime_error(path_ + " cannot be read a second time");
  }
  return *document_;
}

std::unique_ptr<PdfInput> PdfInput::Open(const std::string& path, const std::string& ownerPassword,
                                         const std::string& userPassword, std::string& error) {
  poppler::set_debug_error_function(DropPopplerMessage, nullptr);
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
  UsePopplerCore();
  auto password = [](const std::string& text) {
    return text.empty() ? std::optional<GooString>() : std::optional<GooString>(GooString(text));
  };
  auto core = std::make_unique<PDFDoc>(std::make_unique<GooString>(path), password(ownerPassword), password(userPassword));
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

std::unique_ptr<PDFDoc> PdfInput::OpenCoreAgain() const {
  auto password = [](const std::string& text) {
    return text.empty() ? std::optional<GooString>() : std::optional<GooString>(GooString(text));
  };
  auto core = std::make_unique<PDFDoc>(std::make_unique<GooString>(path_), password(ownerPassword_),
                                       password(userPassword_));
  if (!core->isOk() || core->getNumPages() != core_->getNumPages()) return nullptr;
  return core;
}

int PdfInput::pageCount() const { return core_->getNumPages(); }

std::optional<std::string> PdfInput::Info(const std::string& key) const {
  const std::unique_ptr<GooString> value = core_->getDocInfoStringEntry(key.c_str());
  if (!value) return std::nullopt;
  return Utf8FromTextString(value.get());
}

bool PdfInput::PageSize(int index, double& widthPoints, double& heightPoints, std::string& error) const {
  if (index < 0 || index >= core_->getNumPages() || core_->getPage(index + 1) == nullptr) {
    error = "page " + std::to_string(index + 1) + " cannot be read";
    return false;
  }
  const bool sideways = core_->getPageRotate(index + 1) % 180 != 0;
  const double width = core_->getPageCropWidth(index + 1), height = core_->getPageCropHeight(index + 1);
  widthPoints = sideways ? height : width;
  heightPoints = sideways ? width : height;
  return true;
}

bool PdfInput::Render(int index, const PageGeometry& geometry, const RenderStyle& style, RawImage& image,
                      std::string& error) const {
  std::unique_ptr<poppler::page> page(document().create_page(index));
  if (!page) {
    error = "page " + std::to_string(index + 1) + " cannot be read";
    return false;
  }
  poppler::page_renderer renderer;
  renderer.set_paper_color(0xffffffff);
  renderer.set_image_format(style.gray ? poppler::image::format_gray8 : poppler::image::format_rgb24);
  renderer.set_render_hint(poppler::page_renderer::antialiasing, style.vectorAntialias);
  renderer.set_render_hint(poppler::page_renderer::text_antialiasing, style.textAntialias);
  renderer.set_render_hint(poppler::page_renderer::text_hinting, false);
  // Held alone, so that writing to it below does not copy it.
  auto rendered = std::make_shared<poppler::image>(
      renderer.render_page(page.get(), geometry.xResolution, geometry.yResolution, 0, 0,
                           static_cast<int>(geometry.width), static_cast<int>(geometry.height)));
  if (!rendered->is_valid() || rendered->width() != geometry.width || rendered->height() != geometry.height) {
    error = "page " + std::to_string(index + 1) + " cannot be rendered";
    return false;
  }
  image.Release();
  image.width = rendered->width();
  image.height = rendered->height();
  image.channels = style.gray ? 1 : 3;
  image.held = reinterpret_cast<unsigned char*>(rendered->data());
  image.holder = rendered;
  // poppler pads rows to 4 bytes; the image libraries want them packed.
  // Packing in place moves each row down, never over a row not yet moved.
  const size_t rowBytes = static_cast<size_t>(image.width) * static_cast<size_t>(image.channels);
  const size_t stride = static_cast<size_t>(rendered->bytes_per_row());
  if (stride != rowBytes) {
    for (long row = 1; row < image.height; ++row) {
      std::memmove(image.held + static_cast<size_t>(row) * rowBytes, image.held + static_cast<size_t>(row) * stride,
                   rowBytes);
    }
  }
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
