#include "engines/export/exporter.h"

#include <cstdio>
#include <optional>

#include "engines/common/cleanup.h"
#include "engines/common/output_set.h"
#include "engines/export/export_job.h"
#include "engines/export/output_format.h"
#include "engines/export/output_names.h"
#include "engines/export/pdf_input.h"

namespace zembra::exporter {

bool Export(const ExportOptions& options, const Diagnostics& diagnostics, std::string& error) {
  return Export(options, diagnostics, error, nullptr);
}

bool Export(const ExportOptions& options, const Diagnostics& diagnostics, std::string& error, Writer writer) {
  const std::optional<OpenedInput> input = OpenInput(options, error);
  if (!input) return false;
  const OutputFormat* format = FormatForPath(options.outputPath, error);
  if (format == nullptr) return false;

  // The naming options shape the series of images only.
  const bool images = format->family == FormatFamily::kRasterImage;
  NamingRequest naming;
  naming.outputPath = options.outputPath;
  naming.pageCount = input->pages.count();
  naming.allPagesInOneFile = !format->series || (format->multipage && options.multipage);
  if (images) {
    naming.nameTemplate = options.nameTemplate;
    naming.numberFromOne = options.numberFromOne;
  }
  const std::optional<OutputNames> names = PlanOutputNames(naming, error);
  if (!names) return false;
  OutputSet outputs;
  for (const std::vector<std::string>& targets : names->pageTargets) {
    if (!outputs.Add(targets.front(), error, {targets.begin() + 1, targets.end()})) return false;
  }
  if (!images && outputs.size() > 1) {
    diagnostics.note("writing " + std::to_string(outputs.size()) + " files, one per page, numbered from " +
                     outputs.target(0));
  }
  const ExportJob job{options, *input->pdf, input->pages, *format, outputs, diagnostics};
  if ((writer != nullptr ? writer : format->writer)(job, error) && outputs.Publish(error)) return true;
  error = outputs.InTargetNames(error);
  return false;
}

int RunExporter(std::span<const std::string> words, const Diagnostics& diagnostics) {
  if (words.size() == 1 && words[0] == "--help") {
    std::fputs(ExportUsageText().c_str(), stdout);
    return 0;
  }
  cleanup::Install();
  const ParsedExport parsed = ParseExportArguments(words);
  for (const std::string& warning : parsed.warnings) diagnostics.warn(warning);
  if (!parsed.error.empty()) {
    diagnostics.error(parsed.error);
    return 1;
  }
  std::string error;
  if (!Export(parsed.options, diagnostics, error)) {
    diagnostics.error(error);
    return 1;
  }
  return 0;
}

}  // namespace zembra::exporter
