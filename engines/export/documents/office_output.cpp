#include "engines/export/documents/office_output.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <optional>

#include "engines/common/files.h"
#include "engines/common/temp_dir.h"
#include "engines/export/documents/document_reader.h"
#include "engines/export/documents/engine_run.h"
#include "engines/export/documents/libreoffice.h"
#include "engines/export/documents/odf_output.h"
#include "engines/export/documents/pdf_split.h"
#include "engines/export/documents/spreadsheet_xml.h"

namespace zembra::exporter {

namespace {

// A private work area: LibreOffice's profile, its inputs and its results.
struct OfficeWork {
  std::unique_ptr<TempDir> root;
  OfficeConversion conversion;
};

bool Prepare(OfficeWork& work, const std::string& target, int pageCount, std::string& error) {
  work.root = TempDir::Create("zemexport-office", error);
  if (!work.root) return false;
  work.conversion.target = target;
  work.conversion.profileDirectory = work.root->path() + "/profile";
  work.conversion.outputDirectory = work.root->path() + "/out";
  work.conversion.timeout = std::chrono::seconds(120 + 5 * pageCount);
  if (::mkdir(work.conversion.outputDirectory.c_str(), 0700) != 0) {
    error = "cannot create a work directory in " + work.root->path();
    return false;
  }
  return true;
}

// Runs the conversion and copies each expected result to its file of the output set.
bool ConvertAndPlace(const OfficeWork& work, const std::string& suffix, const OutputSet& outputs,
                     std::string& error) {
  if (!RunOffice(work.conversion, error)) return false;
  for (size_t i = 0; i < work.conversion.inputs.size(); ++i) {
    const std::string result = OfficeResultPath(work.conversion, work.conversion.inputs[i], suffix);
    struct stat info;
    if (::stat(result.c_str(), &info) != 0 || info.st_size == 0) {
      error = "LibreOffice wrote no " + suffix + " file";
      return false;
    }
    if (!CopyEngineResult(result, outputs.path(i), error)) return false;
  }
  return true;
}

bool ConvertOne(const ExportJob& job, const std::string& source, const std::string& sourceName,
                const std::string& target, const std::string& suffix, std::string& error) {
  OfficeWork work;
  if (!Prepare(work, target, job.pages.count(), error)) return false;
  const std::string input = work.root->path() + "/" + sourceName;
  if (!WriteWholeFile(input, source, error)) return false;
  work.conversion.inputs = {input};
  return ConvertAndPlace(work, suffix, job.outputs, error);
}

}  // namespace

bool WriteDoc(const ExportJob& job, std::string& error) {
  const std::optional<Document> document = ReadDocument(job.input, job.pages, error);
  if (!document) return false;
  return ConvertOne(job, OdfDocument(*document), "document.fodt", "doc:MS Word 97", "doc", error);
}

bool WriteXls(const ExportJob& job, std::string& error) {
  const std::optional<Document> document = ReadDocument(job.input, job.pages, error);
  if (!document) return false;
  const SheetGrid grid = GridOfDocument(*document);
  size_t columns = 0;
  for (const std::vector<SheetCell>& row : grid.rows) columns = std::max(columns, row.size());
  if (columns > kWorkbookColumns) {
    job.diagnostics.warn("a table of " + std::to_string(columns) + " columns loses those past the " +
                         std::to_string(kWorkbookColumns) + "th in XLS, which holds no more; CSV keeps them");
  }
  return ConvertOne(job, SpreadsheetXml(grid), "workbook.fods", "xls:MS Excel 97", "xls", error);
}

bool WriteMetafile(const ExportJob& job, std::string& error) {
  const bool emf = job.format.format == Format::kEmf;
  const std::string suffix = emf ? "emf" : "wmf";
  OfficeWork work;
  if (!Prepare(work, emf ? "emf:draw_emf_Export" : "wmf:draw_wmf_Export", job.pages.count(), error)) return false;
  // Draw exports only the first page of what it opens, cropped to what is
  // drawn: one file per page, each with its paper painted.
  const std::string pagesDirectory = work.root->path() + "/pages";
  if (::mkdir(pagesDirectory.c_str(), 0700) != 0) {
    error = "cannot create a work directory in " + work.root->path();
    return false;
  }
  if (!SplitPages(job.options, job.pages, pagesDirectory, true, work.conversion.inputs, error)) return false;
  return ConvertAndPlace(work, suffix, job.outputs, error);
}

}  // namespace zembra::exporter
