// Input PDFs for the document format tests, drawn with cairo so that every
// word and shape sits at a known place, plus helpers to run read-back tools.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engines/export/export_options.h"
#include "tests/support/files.h"

namespace zembra::exporter::testing {

/// Page 1: a bold 20 pt heading "Quarterly Report", two lines of 11 pt prose
/// (the second with "Café déjà vu – Ωmega"), and a filled rectangle; page 2:
/// "Second page text"; page 3: "Third page text". US Letter, 612 x 792 pt.
/// Title metadata "Zembra test document", creator "Zembra tests".
void MakeTextPdf(const std::string& path);

/// A test with MakeTextPdf's document at pdf_ in a fresh directory_; it
/// needs pdftotext, which reads the text back.
class TextPdfTest : public ::testing::Test {
 protected:
  void SetUp() override;
  std::string directory_, pdf_;
};

/// Numbers of the shapes page: a rectangle, nothing else, on each of two pages.
struct Rect {
  double x0, y0, x1, y1;  ///< PDF points, y growing upwards
};
extern const Rect kShapeOnPage1;
extern const Rect kShapeOnPage2;
void MakeShapesPdf(const std::string& path);

/// Page 1: a table of 4 columns and 4 rows (header, then North/South/East
/// rows with a quote, a comma and one empty cell) below the title line
/// "Sales by region"; page 2: "Notes page".
void MakeTablePdf(const std::string& path);
extern const std::vector<std::vector<std::string>> kTableRows;  ///< what the CSV must hold after the title

/// MakeTextPdf encrypted with user password "user" and owner password "owner".
void MakeEncryptedPdf(const std::string& path);

/// Names of the real pages in tests/engines/export/documents/pages: ruled and
/// unruled tables with spans and numbers in several notations ("tables"), a
/// table over two pages ("long_table"), headings, paragraphs, lists, links and
/// two columns ("article"), a logo, a photograph and an SVG chart
/// ("pictures"), right-to-left and CJK text ("scripts").
/// RenderedPage prints one with the built zemrender.lib, tagged as zemconv's
/// intermediate PDF is, once per test process; the PDF's path, or "" (with a
/// test failure) when the renderer fails.
std::string RenderedPage(const std::string& name);

/// RenderedPage with more renderer options (a footer: {"--footer-center",
/// "Page [page] of [topage]"}), tagged, once per process for each set.
std::string RenderedPage(const std::string& name, const std::vector<std::string>& options);

/// The page printed without tags (to a name not ending in temp.pdf), as a
/// PDF handed to the exporter directly would be: its structure must come
/// from the layout.
std::string UntaggedPage(const std::string& name);
std::string UntaggedPage(const std::string& name, const std::vector<std::string>& options);

/// A fresh directory for a test's files, removed when the test binary ends.
std::string TestDirectory();

/// Runs a shell command line; its standard output, or "" on failure (status kept in *status).
std::string Capture(const std::string& command, int* status = nullptr);

using zembra::testing::ReadFile;
bool Exists(const std::string& path);

/// The files in a directory (names only, sorted).
std::vector<std::string> ListDirectory(const std::string& directory);

/// The options of a conversion of input to output: pages first to last
/// (as -f and -l give them), the whole document by default.
ExportOptions Job(const std::string& input, const std::string& output, std::optional<long> first = std::nullopt,
                  std::optional<long> last = std::nullopt);

/// Runs the converter's one plan on the options (exporter::Export), quietly.
bool Convert(const ExportOptions& options, std::string& error);

/// A private LibreOffice profile argument for read-back conversions.
std::string OfficeProfileArgument();

/// Reads a file back with LibreOffice: converts it (--convert-to with the
/// filter, e.g. "odt", "html", "csv:Text - txt - csv (StarCalc):44,34,76",
/// "pdf") into a fresh directory. The result's path, or "" with a test
/// failure when LibreOffice wrote nothing.
std::string OfficeConvert(const std::string& input, const std::string& filter);

/// The member of a zip package (ODF, PPTX) as text; "" when it is missing.
std::string ZipMember(const std::string& package, const std::string& member);

/// How often a text occurs in another.
size_t Occurrences(const std::string& text, const std::string& what);

}  // namespace zembra::exporter::testing
