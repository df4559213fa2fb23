// The input of a run: the PDF opened once with poppler's core library (with
// the options' passwords) and the pages selected, which every writer of the
// run shares. The image formats render its pages; the document formats read
// its text, pictures and structure from the same document.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engines/export/export_options.h"

class PDFDoc;

namespace zembra::exporter {

/// A rendered page or band of rows: rows packed without padding, 1 (grey) or 3
/// (RGB) bytes a pixel, held in pixels, or at held: storage kept by holder, or
/// without holder the renderer's bitmap, valid until it draws again.
struct RawImage {
  long width = 0;
  long height = 0;
  int channels = 3;
  std::vector<unsigned char> pixels;
  std::shared_ptr<void> holder;
  unsigned char* held = nullptr;

  const unsigned char* data() const { return held != nullptr ? held : pixels.data(); }
  size_t size() const {
    return static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(channels);
  }
  /// Frees the pixels.
  void Release() {
    std::vector<unsigned char>().swap(pixels);
    holder.reset();
    held = nullptr;
  }
};

class PdfInput {
 public:
  /// Opens and, when encrypted, unlocks the PDF. Fails with a one-line
  /// error for a missing, unreadable or damaged file and for a missing or
  /// wrong password.
  static std::unique_ptr<PdfInput> Open(const std::string& path, const std::string& ownerPassword,
                                        const std::string& userPassword, std::string& error);
  ~PdfInput();
  PdfInput(const PdfInput&) = delete;
  PdfInput& operator=(const PdfInput&) = delete;

  int pageCount() const;

  /// The opened document, for the writers that read its text, pictures and structure.
  PDFDoc& core() const { return *core_; }

  /// The file opened once more with the same passwords, for a thread of its
  /// own (a PDFDoc is not to be shared between threads). Fails when the file
  /// cannot be opened again or no longer has the same number of pages.
  std::unique_ptr<PDFDoc> OpenAgain(std::string& error) const;

  /// A text entry of the document information dictionary, if present.
  std::optional<std::string> Info(const std::string& key) const;

  /// The page's size in points as displayed (its own rotation applied); index from 0.
  bool PageSize(int index, double& widthPoints, double& heightPoints, std::string& error) const;

 private:
  PdfInput(std::unique_ptr<PDFDoc> core, std::string path, std::string ownerPassword, std::string userPassword);
  std::unique_ptr<PDFDoc> core_;
  std::string path_, ownerPassword_, userPassword_;
};

/// The size in points of page index (from 0) of doc as displayed, its own
/// rotation applied. Fails for a page that cannot be read.
bool DisplayedPageSize(PDFDoc& doc, int index, double& widthPoints, double& heightPoints, std::string& error);

/// The pages a run converts, 1-based and inclusive.
struct PageSpan {
  int first = 1;
  int last = 1;
  int count() const { return last - first + 1; }
};

/// Clamps a requested page range (-f, -l) to a document of pageCount pages;
/// a last page of 0, like none, means the end. Nothing, with error set, when
/// the first page comes after the last.
std::optional<PageSpan> SelectPages(std::optional<long> first, std::optional<long> last, int pageCount,
                                    std::string& error);

struct OpenedInput {
  std::unique_ptr<PdfInput> pdf;
  PageSpan pages;
};

/// The input step of a run: opens options.inputPdf with -opw/-upw and
/// selects the pages of -f and -l. Nothing, with a one-line error, when
/// either fails.
std::optional<OpenedInput> OpenInput(const ExportOptions& options, std::string& error);

}  // namespace zembra::exporter
