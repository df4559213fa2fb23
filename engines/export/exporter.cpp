#include "engines/export/exporter.h"

#include <Magick++.h>

#include <algorithm>
#include <cstdio>

#include "engines/common/cleanup.h"
#include "engines/export/documents/document_formats.h"
#include "engines/export/export_options.h"
#include "engines/export/image_export.h"
#include "engines/export/output_format.h"
#include "engines/export/pdf_input.h"

namespace zembra::exporter {

bool ClampPageRange(std::optional<long> first, std::optional<long> last, int pageCount, int& firstPage, int& lastPage,
                    std::string& error) {
  // A last page of 0, like none, means the end of the document.
  const long f = std::clamp<long>(first.value_or(1), 1, pageCount);
  const long l = std::clamp<long>(last.value_or(0) == 0 ? pageCount : *last, 1, pageCount);
  if (f > l) {
    error = "the first page (" + std::to_string(first.value_or(1)) + ") comes after the last page (" +
            std::to_string(last.value_or(pageCount)) + ")";
    return false;
  }
  firstPage = static_cast<int>(f);
  lastPage = static_cast<int>(l);
  return true;
}

int RunExporter(std::span<const std::string> words, const Diagnostics& diagnostics) {
  for (const std::string& word : words) {
    if (word == "--help" && words.size() == 1) {
      std::fputs(ExportUsageText().c_str(), stdout);
      return 0;
    }
  }
  cleanup::Install();
  const ParsedExport parsed = ParseExportArguments(words);
  for (const std::string& warning : parsed.warnings) diagnostics.warn(warning);
  if (!parsed.error.empty()) {
    diagnostics.error(parsed.error);
    return 1;
  }
  const ExportOptions& options = parsed.options;

  std::string error;
  std::unique_ptr<PdfInput> input =
      PdfInput::Open(options.inputPdf, options.ownerPassword, options.userPassword, error);
  if (!input) {
    diagnostics.error(error);
    return 1;
  }
  int firstPage = 1;
  int lastPage = 1;
  if (!ClampPageRange(options.firstPage, options.lastPage, input->pageCount(), firstPage, lastPage, error)) {
    diagnostics.error(error);
    return 1;
  }

  // The input is checked first, so its faults are reported whatever the output.
  const std::string suffix = LowerSuffix(options.outputPath);
  const std::optional<ImageFormat> imageFormat = ImageFormatForSuffix(suffix);
  if (!imageFormat && !IsDocumentFormat(suffix)) {
    diagnostics.error("cannot convert to " + (suffix.empty() ? std::string("a file without suffix") : "." + suffix) +
                      ": the output's suffix names no format of this tool (" + options.outputPath + ")");
    return 1;
  }

  if (!imageFormat) {
    DocumentJob job;
    job.inputPdf = options.inputPdf;
    job.outputPath = options.outputPath;
    job.ownerPassword = options.ownerPassword;
    job.userPassword = options.userPassword;
    job.firstPage = firstPage;
    job.lastPage = lastPage;
    job.text = options.text;
    input.reset();
    if (!ConvertDocument(job, diagnostics, error)) {
      diagnostics.error(error);
      return 1;
    }
    return 0;
  }

  Magick::InitializeMagick(nullptr);
  std::vector<std::string> hintWarnings;
  const RendererHints hints = ReadRendererHints(*input, hintWarnings);
  for (const std::string& warning : hintWarnings) diagnostics.warn(warning);
  if (!ExportImages(options, *input, firstPage, lastPage, *imageFormat, hints, diagnostics, error)) {
    diagnostics.error(error);
    return 1;
  }
  return 0;
}

}  // namespace zembra::exporter
