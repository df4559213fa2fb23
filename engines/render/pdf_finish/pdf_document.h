// A PDF being finished: the document itself plus the PDFs its pages were
// copied from (qpdf reads copied stream data from them only when writing, so
// they must live as long as the document).
#pragma once

#include <qpdf/QPDF.hh>

#include <memory>
#include <string>
#include <vector>

namespace zembra::render::finish {

struct WriteSettings {
  /// false (--disable-pdf-compression): streams written without compression
  /// filters and no object streams; JPEG images stay JPEG (decoding them
  /// would only make the file huge).
  bool compress = true;
};

class PdfDocument {
 public:
  /// Opens a PDF. Null with error set when it cannot be read. qpdf's own
  /// warnings are kept quiet: only the caller reports.
  static std::unique_ptr<PdfDocument> Open(const std::string& path, std::string& error);

  QPDF& qpdf() { return *pdf_; }

  /// Opens another PDF whose pages or objects will be copied into this one;
  /// it stays open as long as this document. Null with error set on failure.
  QPDF* OpenSource(const std::string& path, std::string& error);

  /// Writes the document to target atomically (never over an existing file).
  bool Write(const std::string& target, const WriteSettings& settings, std::string& error);

 private:
  PdfDocument() = default;
  std::unique_ptr<QPDF> pdf_;
  std::vector<std::unique_ptr<QPDF>> sources_;
};

/// Opens a PDF into a bare QPDF (warnings suppressed). Null with error set.
std::unique_ptr<QPDF> OpenQpdf(const std::string& path, std::string& error);

/// Number of pages of the PDF at path, or -1 with error set.
int CountPages(const std::string& path, std::string& error);

}  // namespace zembra::render::finish
