#include "tests/engines/export/documents/test_pdfs.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "engines/common/diagnostics.h"
#include "engines/export/exporter.h"
#include "tests/support/engine_check.h"
#include "tests/support/run_program.h"

namespace zembra::exporter::testing {

namespace {

constexpr double kWidth = 612, kHeight = 792;

void Text(cairo_t* cr, double x, double baseline, double size, bool bold, const char* text) {
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  cairo_move_to(cr, x, baseline);
  cairo_show_text(cr, text);
}

// cairo's y grows downwards; a Rect is in PDF points.
void Fill(cairo_t* cr, const Rect& rect) {
  cairo_rectangle(cr, rect.x0, kHeight - rect.y1, rect.x1 - rect.x0, rect.y1 - rect.y0);
  cairo_set_source_rgb(cr, 0.1, 0.3, 0.8);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
}

struct Drawing {
  cairo_surface_t* surface;
  cairo_t* cr;
  explicit Drawing(const std::string& path) {
    surface = cairo_pdf_surface_create(path.c_str(), kWidth, kHeight);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, "Zembra test document");
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "Zembra tests");
    cr = cairo_create(surface);
  }
  ~Drawing() {
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
  }
};

}  // namespace

const Rect kShapeOnPage1 = {100, 300, 300, 420};
const Rect kShapeOnPage2 = {250.5, 80.25, 400, 700};

const std::vector<std::vector<std::string>> kTableRows = {
    {"Region", "Q1", "Q2", "Note"},
    {"North", "1,200", "1,350", "steady growth"},
    {"South \"Main\"", "980", "1,010", "new, shop"},
    {"East", "", "770", "late"},
};

void MakeTextPdf(const std::string& path) {
  Drawing drawing(path);
  Text(drawing.cr, 72, 100, 20, true, "Quarterly Report");
  Text(drawing.cr, 72, 140, 11, false, "The quick brown fox jumps over the lazy dog.");
  Text(drawing.cr, 72, 156, 11, false, "Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x93 \xCE\xA9mega");
  Text(drawing.cr, 72, 220, 11, false, "Left column");
  Text(drawing.cr, 360, 220, 11, false, "Right column");
  Fill(drawing.cr, kShapeOnPage1);
  cairo_show_page(drawing.cr);
  Text(drawing.cr, 72, 100, 11, false, "Second page text");
  cairo_show_page(drawing.cr);
  Text(drawing.cr, 72, 100, 11, false, "Third page text");
  cairo_show_page(drawing.cr);
}

void MakeShapesPdf(const std::string& path) {
  Drawing drawing(path);
  Fill(drawing.cr, kShapeOnPage1);
  cairo_show_page(drawing.cr);
  Fill(drawing.cr, kShapeOnPage2);
  cairo_show_page(drawing.cr);
}

void MakeTablePdf(const std::string& path) {
  Drawing drawing(path);
  Text(drawing.cr, 72, 100, 16, true, "Sales by region");
  const double columns[] = {72, 200, 290, 380};
  double baseline = 150;
  for (const std::vector<std::string>& row : kTableRows) {
    for (size_t c = 0; c < row.size(); ++c) {
      Text(drawing.cr, columns[c], baseline, 11, baseline == 150, row[c].c_str());
    }
    baseline += 18;
  }
  cairo_show_page(drawing.cr);
  Text(drawing.cr, 72, 100, 11, false, "Notes page");
  cairo_show_page(drawing.cr);
}

void TextPdfTest::SetUp() {
  ZEMBRA_REQUIRE_PROGRAM("pdftotext");
  directory_ = TestDirectory();
  pdf_ = directory_ + "/text.pdf";
  MakeTextPdf(pdf_);
}

void MakeEncryptedPdf(const std::string& path) {
  const std::string plain = path + ".plain.pdf";
  MakeTextPdf(plain);
  std::system(("qpdf --encrypt user owner 256 -- '" + plain + "' '" + path + "'; rm -f '" + plain + "'").c_str());
}

std::string OfficeConvert(const std::string& input, const std::string& filter) {
  static int conversions = 0;
  const std::string directory = TestDirectory() + "/readback" + std::to_string(++conversions);
  ::mkdir(directory.c_str(), 0700);
  const zembra::testing::ProgramResult run = zembra::testing::RunProgram(
      {"/usr/bin/soffice", OfficeProfileArgument(), "--headless", "--norestore", "--convert-to", filter, "--outdir",
       directory, input},
      "", {}, 180);
  const std::vector<std::string> made = ListDirectory(directory);
  if (run.exitCode != 0 || made.size() != 1) {
    ADD_FAILURE() << "LibreOffice did not convert " << input << " to " << filter << ": " << run.errorOutput;
    return "";
  }
  return directory + "/" + made.front();
}

std::string ZipMember(const std::string& package, const std::string& member) {
  return zembra::testing::RunProgram({"unzip", "-p", package, member}).output;
}

size_t Occurrences(const std::string& text, const std::string& what) {
  size_t count = 0;
  for (size_t at = text.find(what); !what.empty() && at != std::string::npos; at = text.find(what, at + what.size()))
    ++count;
  return count;
}

namespace {

// Prints a page of tests/engines/export/documents/pages with the built
// renderer into a file of the given name (its suffix decides whether the
// PDF is tagged), once per process for each name and set of options.
std::string PrintPage(const std::string& name, const std::string& file, const std::vector<std::string>& options) {
  static std::map<std::string, std::string> printed;
  std::string key = file;
  for (const std::string& option : options) key += "\n" + option;
  const auto known = printed.find(key);
  if (known != printed.end()) return known->second;
  const std::string page = std::string(ZEMBRA_SOURCE_DIR) + "/tests/engines/export/documents/pages/" + name + ".html";
  const std::string pdf = TestDirectory() + "/" + file;
  std::vector<std::string> words = options;
  words.insert(words.end(), {page, pdf});
  const zembra::testing::ProgramResult run = zembra::testing::RunBuilt("zemrender.lib", words);
  if (run.exitCode != 0 || !Exists(pdf)) {
    ADD_FAILURE() << "zemrender.lib could not print " << page << ": " << run.errorOutput;
    return printed[key] = "";
  }
  return printed[key] = pdf;
}

}  // namespace

std::string RenderedPage(const std::string& name) { return PrintPage(name, name + "temp.pdf", {}); }

std::string RenderedPage(const std::string& name, const std::vector<std::string>& options) {
  return PrintPage(name, name + "temp.pdf", options);
}

std::string UntaggedPage(const std::string& name) { return PrintPage(name, name + "-untagged.pdf", {}); }

std::string UntaggedPage(const std::string& name, const std::vector<std::string>& options) {
  return PrintPage(name, name + "-untagged.pdf", options);
}

std::string TestDirectory() {
  // Leaked on purpose: the clean-up at exit must still see it.
  static const std::string* const directory = [] {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/zemexport-test-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    auto* made = new std::string(::mkdtemp(buffer.data()) != nullptr ? buffer.data() : "");
    std::atexit([] {
      if (!directory->empty()) std::system(("rm -rf '" + *directory + "'").c_str());
    });
    return made;
  }();
  static int serial = 0;
  const std::string fresh = *directory + "/t" + std::to_string(++serial);
  ::mkdir(fresh.c_str(), 0700);
  return fresh;
}

std::string Capture(const std::string& command, int* status) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    if (status != nullptr) *status = -1;
    return "";
  }
  std::string output;
  std::array<char, 4096> buffer;
  size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), got);
  const int result = ::pclose(pipe);
  if (status != nullptr) *status = result;
  return output;
}

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

std::vector<std::string> ListDirectory(const std::string& directory) {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(directory.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

ExportOptions Job(const std::string& input, const std::string& output, std::optional<long> first,
                  std::optional<long> last) {
  ExportOptions options;
  options.inputPdf = input;
  options.outputPath = output;
  options.firstPage = first;
  options.lastPage = last;
  return options;
}

bool Convert(const ExportOptions& options, std::string& error) {
  Diagnostics diagnostics("zemexport.lib");
  diagnostics.setQuiet(true);
  return Export(options, diagnostics, error);
}

std::string OfficeProfileArgument() { return "-env:UserInstallation=file://" + TestDirectory() + "/profile"; }

}  // namespace zembra::exporter::testing
