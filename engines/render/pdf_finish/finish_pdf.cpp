#include "engines/render/pdf_finish/finish_pdf.h"

#include <qpdf/QPDFPageDocumentHelper.hh>

#include <exception>

#include "engines/common/temp_dir.h"
#include "engines/render/pdf_finish/copies.h"
#include "engines/render/pdf_finish/cover.h"
#include "engines/render/pdf_finish/markers.h"

namespace zembra::render::finish {
namespace {

// Marker links nobody turned into something else must not reach the reader.
void DropMarkerLinks(QPDF& pdf) {
  const std::string origin = kMarkerOrigin;
  for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    QPDFObjectHandle annots = page.getObjectHandle().getKey("/Annots");
    if (!annots.isArray()) continue;
    QPDFObjectHandle kept = QPDFObjectHandle::newArray();
    for (auto& annotation : annots.aitems())
      if (LinkUri(annotation).compare(0, origin.size(), origin) != 0) kept.appendItem(annotation);
    if (kept.getArrayNItems() != annots.getArrayNItems()) page.getObjectHandle().replaceKey("/Annots", kept);
  }
}

}  // namespace

std::string FinishPdf(const PrintedPdfs& printed, const std::string& target, const FinishOptions& options) {
  std::string error;
  auto scratch = TempDir::Create("zembra-finish", error);
  if (!scratch) return error;

  std::string mainPdf = printed.body;
  std::string coverPdf = printed.cover;
  std::string tocPdf = printed.toc;
  if (options.ghostscript.needed()) {
    int n = 0;
    for (std::string* path : {&mainPdf, &coverPdf, &tocPdf}) {
      if (path->empty()) continue;
      const std::string rewritten = scratch->path() + "/gs" + std::to_string(n++) + ".pdf";
      if (error = RunGhostscript(options.ghostscript, *path, rewritten); !error.empty()) return error;
      *path = rewritten;
    }
  }

  auto document = PdfDocument::Open(mainPdf, error);
  if (!document) return error;
  try {
    QPDF& pdf = document->qpdf();
    const bool grey = options.ghostscript.grayscale;
    if (options.forms) {
      if (error = ConvertFormMarkers(*document, options.toggles, grey); !error.empty()) return error;
    }
    int coverPages = 0;
    if (!coverPdf.empty()) {
      // The cover's own form controls become fields too.
      if (options.forms) {
        auto cover = PdfDocument::Open(coverPdf, error);
        if (!cover) return error;
        if (error = ConvertFormMarkers(*cover, options.toggles, grey); !error.empty()) return error;
        DropMarkerLinks(cover->qpdf());
        const std::string formed = scratch->path() + "/cover-forms.pdf";
        if (!cover->Write(formed, WriteSettings{}, error)) return error;
        coverPdf = formed;
      }
      if (error = PrependCover(*document, coverPdf, &coverPages); !error.empty()) return error;
    }
    if (!tocPdf.empty()) {
      if (error = InsertToc(*document, tocPdf, printed.tocEntries, coverPages); !error.empty()) return error;
    }
    DropMarkerLinks(pdf);
    RemoveLinks(pdf, options.links);
    if (options.crop) {
      if (error = ApplyCropBox(pdf, *options.crop); !error.empty()) return error;
    }
    if (error = MakeCopies(pdf, options.copies, options.collate); !error.empty()) return error;
    SetDocumentInfo(pdf, options.info);
  } catch (const std::exception& e) {
    return std::string("cannot finish the PDF: ") + e.what();
  }
  WriteSettings settings;
  settings.compress = options.compress;
  if (!document->Write(target, settings, error)) return error;
  return {};
}

}  // namespace zembra::render::finish
