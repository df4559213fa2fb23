#include "tests/engines/export/test_pdfs.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>
#include <set>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace zembra::exporter::testing {

namespace {

struct Surface {
  explicit Surface(const std::string& path, double width, double height)
      : surface(cairo_pdf_surface_create(path.c_str(), width, height)), cr(cairo_create(surface)) {}
  ~Surface() {
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
  }
  cairo_surface_t* surface;
  cairo_t* cr;
};

void Fill(cairo_t* cr, double x, double y, double w, double h, double r, double g, double b) {
  cairo_set_source_rgb(cr, r, g, b);
  cairo_rectangle(cr, x, y, w, h);
  cairo_fill(cr);
}

}  // namespace

void WriteQuadrantPdf(const std::string& path, int pages, double width, double height) {
  Surface pdf(path, width, height);
  static const double kColours[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int page = 0; page < pages; ++page) {
    Fill(pdf.cr, 0, 0, width, height, 1, 1, 1);
    const double* c = kColours[page % 3];
    Fill(pdf.cr, 0, 0, width / 2, height / 2, c[0], c[1], c[2]);
    Fill(pdf.cr, width / 2, height / 2, width / 2, height / 2, 0, 0, 0);
    cairo_show_page(pdf.cr);
  }
}

void WriteQuadrantPagesPdf(const std::string& path, const std::vector<std::pair<double, double>>& sizes) {
  Surface pdf(path, sizes.front().first, sizes.front().second);
  static const double kColours[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (size_t page = 0; page < sizes.size(); ++page) {
    const auto [width, height] = sizes[page];
    cairo_pdf_surface_set_size(pdf.surface, width, height);
    Fill(pdf.cr, 0, 0, width, height, 1, 1, 1);
    const double* c = kColours[page % 3];
    Fill(pdf.cr, 0, 0, width / 2, height / 2, c[0], c[1], c[2]);
    Fill(pdf.cr, width / 2, height / 2, width / 2, height / 2, 0, 0, 0);
    cairo_show_page(pdf.cr);
  }
}

void WriteTurnedTextPdf(const std::string& path) {
  const std::string drawn = path + ".cairo.pdf";
  {
    Surface pdf(drawn, 420, 595);
    for (int page = 0; page < 4; ++page) {
      cairo_t* cr = pdf.cr;
      // Squares and words on whole points: at many resolutions their edges
      // fall on pixel and subpixel boundaries exactly.
      cairo_set_source_rgb(cr, 0, 0.4, 0);
      for (int y = 300; y < 580; y += 9) {
        for (int x = 10; x < 200; x += 7) cairo_rectangle(cr, x, y, 3, 2);
      }
      cairo_fill(cr);
      cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
      for (int y = 300; y < 580; y += 12) {
        cairo_set_font_size(cr, 3 + (y / 12) % 9);
        cairo_move_to(cr, 220, y);
        cairo_show_text(cr, "whole points");
      }
      cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
      double y = 20;
      for (const double size : {5.0, 7.0, 9.0, 11.0, 14.0, 20.0, 33.0, 56.0, 90.0}) {
        cairo_set_source_rgb(cr, size > 30 ? 0.1 : 0, 0, size > 30 ? 0.6 : 0);
        cairo_set_font_size(cr, size);
        y += size * 1.05;
        cairo_move_to(cr, 10, y);
        cairo_show_text(cr, "AgÅj∫(ypq)");
      }
      cairo_set_source_rgb(cr, 0.6, 0, 0);
      for (const double angle : {90.0, 30.0, 180.0}) {
        cairo_save(cr);
        cairo_translate(cr, 300, 200 + angle);
        cairo_rotate(cr, angle * M_PI / 180);
        cairo_set_font_size(cr, 24);
        cairo_move_to(cr, 0, 0);
        cairo_show_text(cr, "turned Wg");
        cairo_restore(cr);
      }
      cairo_show_page(cr);
    }
  }
  QPDF pdf;
  pdf.processFile(drawn.c_str());
  for (int page = 1; page < 4; ++page) {
    QPDFObjectHandle turned = pdf.getAllPages().at(static_cast<size_t>(page));
    turned.replaceKey("/Rotate", QPDFObjectHandle::newInteger(90 * page));
  }
  QPDFWriter writer(pdf, path.c_str());
  writer.write();
  std::remove(drawn.c_str());
}

void WriteDamagedPageTreePdf(const std::string& path, int pages, int damaged) {
  // 1: catalogue, 2: page tree, 3: the content every page shares, 4...: the
  // pages, then the number that stands where page `damaged` belongs.
  std::vector<std::string> objects{"<< /Type /Catalog /Pages 2 0 R >>", ""};
  const std::string content = "1 0 0 rg 0 50 100 50 re f 0 g 100 0 100 50 re f";
  objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream");
  std::string kids;
  for (int page = 1; page <= pages; ++page) {
    objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 100] /Contents 3 0 R >>");
    kids += (page == damaged ? std::to_string(4 + pages) : std::to_string(3 + page)) + " 0 R ";
  }
  objects.push_back("42");
  objects[1] = "<< /Type /Pages /Count " + std::to_string(pages) + " /Kids [" + kids + "] >>";
  std::string file = "%PDF-1.4\n";
  std::vector<size_t> offsets;
  for (size_t i = 0; i < objects.size(); ++i) {
    offsets.push_back(file.size());
    file += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t xref = file.size();
  file += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (const size_t offset : offsets) {
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", offset);
    file += entry;
  }
  file += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n" +
          std::to_string(xref) + "\n%%EOF\n";
  std::ofstream(path, std::ios::binary) << file;
}

void JoinPdfs(const std::vector<std::string>& inputs, const std::string& output) {
  std::vector<std::string> argv{"qpdf", "--empty", "--pages"};
  argv.insert(argv.end(), inputs.begin(), inputs.end());
  argv.insert(argv.end(), {"--", output});
  const RunResult run = Run(argv);
  if (run.exitStatus != 0) throw std::runtime_error("qpdf could not join the pages: " + run.output);
}

void WriteMixedSizesPdf(const std::string& path) {
  Surface pdf(path, 200, 100);
  Fill(pdf.cr, 0, 0, 200, 100, 1, 0, 0);
  cairo_show_page(pdf.cr);
  cairo_pdf_surface_set_size(pdf.surface, 100, 300);
  Fill(pdf.cr, 0, 0, 100, 300, 0, 0, 1);
  cairo_show_page(pdf.cr);
}

void WriteBoxPdf(const std::string& path) {
  Surface pdf(path, 200, 100);
  Fill(pdf.cr, 0, 0, 200, 100, 1, 1, 1);
  Fill(pdf.cr, 50, 25, 100, 50, 1, 0, 0);
  cairo_show_page(pdf.cr);
}

void WriteGreyPdf(const std::string& path) {
  Surface pdf(path, 200, 100);
  Fill(pdf.cr, 0, 0, 200, 100, 1, 1, 1);
  Fill(pdf.cr, 0, 0, 100, 100, 0.5, 0.5, 0.5);
  cairo_show_page(pdf.cr);
}

void WriteShapesPdf(const std::string& path) {
  Surface pdf(path, 200, 100);
  Fill(pdf.cr, 0, 0, 200, 100, 1, 1, 1);
  cairo_set_source_rgb(pdf.cr, 0, 0, 0);
  cairo_arc(pdf.cr, 50, 50, 35, 0, 2 * M_PI);
  cairo_fill(pdf.cr);
  cairo_select_font_face(pdf.cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(pdf.cr, 18);
  cairo_move_to(pdf.cr, 100, 55);
  cairo_show_text(pdf.cr, "Zembra");
  cairo_show_page(pdf.cr);
}

void AddInfoEntries(const std::string& from, const std::string& to,
                    const std::vector<std::pair<std::string, std::string>>& entries) {
  QPDF pdf;
  pdf.processFile(from.c_str());
  QPDFObjectHandle trailer = pdf.getTrailer();
  QPDFObjectHandle info = trailer.getKey("/Info");
  if (!info.isDictionary()) {
    info = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    trailer.replaceKey("/Info", info);
  }
  for (const auto& [key, value] : entries) info.replaceKey("/" + key, QPDFObjectHandle::newString(value));
  QPDFWriter writer(pdf, to.c_str());
  writer.write();
}

RunResult Run(const std::vector<std::string>& argv) {
  char outputName[] = "/tmp/zembra-export-run-XXXXXX";
  const int outputFd = ::mkstemp(outputName);
  if (outputFd < 0) throw std::runtime_error("cannot create a capture file");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outputFd, 1);
  posix_spawn_file_actions_adddup2(&actions, outputFd, 2);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  std::vector<char*> args;
  for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  RunResult result;
  if (::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(outputFd);
  result.output = ReadFile(outputName);
  ::unlink(outputName);
  return result;
}

int StartExporter(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{std::string(ZEMBRA_BIN_DIR) + "/zemexport.lib"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> args;
  for (const std::string& word : argv) args.push_back(const_cast<char*>(word.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

RunResult RunExporter(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv{std::string(ZEMBRA_BIN_DIR) + "/zemexport.lib"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return Run(argv);
}

ScratchDirectory::ScratchDirectory() {
  char name[] = "/tmp/zembra-export-test-XXXXXX";
  if (::mkdtemp(name) == nullptr) throw std::runtime_error("cannot create a scratch directory");
  path_ = name;
}

ScratchDirectory::~ScratchDirectory() { Run({"rm", "-rf", path_}); }

std::vector<std::string> ScratchDirectory::List() const {
  std::vector<std::string> names;
  if (DIR* dir = ::opendir(path_.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

}  // namespace

std::string Identify(const std::string& file, const std::string& format) {
  return Trimmed(Run({"/usr/bin/identify", "-format", format, file}).output);
}

std::string PixelAt(const std::string& file, long x, long y) {
  const std::string at = "p{" + std::to_string(x) + "," + std::to_string(y) + "}";
  const std::string format =
      "%[fx:round(255*" + at + ".r)],%[fx:round(255*" + at + ".g)],%[fx:round(255*" + at + ".b)]";
  return Trimmed(Run({"/usr/bin/convert", file, "-format", format, "info:"}).output);
}

std::string DpiOf(const std::string& file) {
  return Trimmed(Run({"/usr/bin/identify", "-units", "PixelsPerInch", "-format",
                      "%[fx:round(resolution.x)] %[fx:round(resolution.y)]", file})
                     .output);
}

bool ColourNear(const std::string& actual, const std::string& expected, int tolerance) {
  int a[3] = {-999, -999, -999};
  int e[3] = {0, 0, 0};
  std::sscanf(actual.c_str(), "%d,%d,%d", &a[0], &a[1], &a[2]);
  std::sscanf(expected.c_str(), "%d,%d,%d", &e[0], &e[1], &e[2]);
  for (int i = 0; i < 3; ++i) {
    if (std::abs(a[i] - e[i]) > tolerance) return false;
  }
  return true;
}

std::string TiffInfo(const std::string& file) { return Run({"tiffinfo", file}).output; }

std::string FileType(const std::string& file) { return Trimmed(Run({"file", "-b", file}).output); }

std::string DecodedPixels(const std::string& file) {
  const std::string raw = file + ".decoded.rgb";
  const RunResult run = Run({"/usr/bin/convert", file + "[0]", "-depth", "8", "rgb:" + raw});
  std::string pixels = run.exitStatus == 0 ? ReadFile(raw) : "";
  std::remove(raw.c_str());
  return pixels;
}

std::vector<std::string> Colours(const std::string& file) {
  const std::string pixels = DecodedPixels(file);
  std::set<std::string> seen;
  for (size_t i = 0; i + 2 < pixels.size(); i += 3) {
    seen.insert(std::to_string(static_cast<unsigned char>(pixels[i])) + "," +
                std::to_string(static_cast<unsigned char>(pixels[i + 1])) + "," +
                std::to_string(static_cast<unsigned char>(pixels[i + 2])));
  }
  return {seen.begin(), seen.end()};
}

}  // namespace zembra::exporter::testing
