#include "engines/export/documents/document_formats.h"

#include <cctype>
#include <memory>
#include <optional>

#include "engines/common/atomic_output.h"
#include "engines/export/documents/csv_output.h"
#include "engines/export/documents/office_output.h"
#include "engines/export/documents/pdf_document.h"
#include "engines/export/documents/postscript_output.h"
#include "engines/export/documents/pptx_output.h"
#include "engines/export/documents/rtf_output.h"
#include "engines/export/documents/text_output.h"

namespace zembra::exporter {

namespace {

enum class Format { kPs, kEps, kTxt, kCsv, kRtf, kDoc, kXls, kPptx, kEmf, kWmf };

std::optional<Format> FormatOf(const std::string& suffix) {
  std::string lower;
  for (char c : suffix) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  static const std::pair<const char*, Format> kSuffixes[] = {
      {"ps", Format::kPs},   {"eps", Format::kEps},   {"txt", Format::kTxt}, {"csv", Format::kCsv},
      {"rtf", Format::kRtf}, {"doc", Format::kDoc},   {"xls", Format::kXls}, {"pptx", Format::kPptx},
      {"emf", Format::kEmf}, {"wmf", Format::kWmf},
  };
  for (const auto& [name, format] : kSuffixes) {
    if (lower == name) return format;
  }
  return std::nullopt;
}

// The suffix of the output's file name (after its last "."), or empty.
std::string OutputSuffix(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
  return path.substr(dot + 1);
}

}  // namespace

bool IsDocumentFormat(const std::string& suffix) { return FormatOf(suffix).has_value(); }

bool ConvertDocument(const DocumentJob& job, const Diagnostics& diagnostics, std::string& error) {
  const std::optional<Format> format = FormatOf(OutputSuffix(job.outputPath));
  if (!format) {
    error = "output format of " + job.outputPath + " is not a document format";
    return false;
  }
  std::unique_ptr<poppler::document> document = OpenPdf(job, error);
  if (!document) return false;
  const std::optional<PageSpan> pages = SelectedPages(job, document->pages(), error);
  if (!pages) return false;
  if (*format == Format::kEps || *format == Format::kEmf || *format == Format::kWmf) {
    if (pages->count() > 1) {
      diagnostics.note("writing " + std::to_string(pages->count()) + " files, one per page, numbered from " +
                       SeriesPath(job.outputPath, 1));
    }
  }
  switch (*format) {
    case Format::kPs: return WritePostScript(job, *pages, error);
    case Format::kEps: return WriteEps(job, *pages, error);
    case Format::kTxt: return WriteText(job, *pages, error);
    case Format::kCsv: return WriteCsv(job, *document, *pages, error);
    case Format::kRtf: return WriteRtf(job, *document, *pages, error);
    case Format::kDoc: return WriteDoc(job, *document, *pages, error);
    case Format::kXls: return WriteXls(job, *document, *pages, error);
    case Format::kPptx: return WritePptx(job, *document, *pages, error);
    case Format::kEmf: return WriteMetafiles(job, *pages, Metafile::kEmf, error);
    case Format::kWmf: return WriteMetafiles(job, *pages, Metafile::kWmf, error);
  }
  return false;
}

}  // namespace zembra::exporter
