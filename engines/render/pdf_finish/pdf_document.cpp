#include "engines/render/pdf_finish/pdf_document.h"

#include <qpdf/QPDFWriter.hh>

#include <exception>

#include "engines/common/atomic_output.h"
#include "engines/common/checked_file.h"

namespace zembra::render::finish {

std::unique_ptr<QPDF> OpenQpdf(const std::string& path, std::string& error) {
  auto pdf = std::make_unique<QPDF>();
  pdf->setSuppressWarnings(true);
  try {
    pdf->processFile(path.c_str());
  } catch (const std::exception& e) {
    error = "cannot read PDF " + path + ": " + e.what();
    return nullptr;
  }
  return pdf;
}

int CountPages(const std::string& path, std::string& error) {
  auto pdf = OpenQpdf(path, error);
  if (!pdf) return -1;
  try {
    return static_cast<int>(pdf->getAllPages().size());
  } catch (const std::exception& e) {
    error = "cannot read the pages of " + path + ": " + e.what();
    return -1;
  }
}

std::unique_ptr<PdfDocument> PdfDocument::Open(const std::string& path, std::string& error) {
  std::unique_ptr<PdfDocument> document(new PdfDocument());
  document->pdf_ = OpenQpdf(path, error);
  if (!document->pdf_) return nullptr;
  return document;
}

QPDF* PdfDocument::OpenSource(const std::string& path, std::string& error) {
  auto source = OpenQpdf(path, error);
  if (!source) return nullptr;
  sources_.push_back(std::move(source));
  return sources_.back().get();
}

bool PdfDocument::Write(const std::string& target, const WriteSettings& settings, std::string& error) {
  auto output = AtomicOutput::Create(target, error);
  if (!output) return false;
  auto file = CheckedFile::Open(output->tempPath(), error);
  if (!file) return false;
  try {
    QPDFWriter writer(*pdf_);
    writer.setOutputFile(output->tempPath().c_str(), file->get(), false);
    if (!settings.compress) {
      writer.setCompressStreams(false);
      writer.setDecodeLevel(qpdf_dl_generalized);
      writer.setObjectStreamMode(qpdf_o_disable);
    } else {
      writer.setObjectStreamMode(qpdf_o_generate);
    }
    writer.write();
  } catch (const std::exception& e) {
    error = "cannot write PDF " + target + ": " + e.what();
    return false;
  }
  return file->Close(error) && output->Commit(error);
}

}  // namespace zembra::render::finish
