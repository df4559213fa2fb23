#include "tests/engines/render/pdf_finish/pdf_fixtures.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>
#include <qpdf/QPDFPageDocumentHelper.hh>

#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "engines/common/subprocess.h"
#include "engines/common/temp_dir.h"

namespace zembra::render::finish::testing {

void MakePdf(const std::string& path, const std::vector<FixturePage>& pages, double width, double height) {
  cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), width, height);
  cairo_t* cr = cairo_create(surface);
  int number = 0;
  for (const FixturePage& page : pages) {
    ++number;
    cairo_tag_begin(cr, CAIRO_TAG_DEST, ("name='page" + std::to_string(number) + "'").c_str());
    cairo_tag_end(cr, CAIRO_TAG_DEST);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, 14);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, 72, 72);
    cairo_show_text(cr, page.text.c_str());
    if (page.colourful) {
      cairo_set_source_rgb(cr, 0.9, 0.1, 0.1);
      cairo_rectangle(cr, 72, 120, 200, 100);
      cairo_fill(cr);
      cairo_set_source_rgb(cr, 0.1, 0.2, 0.9);
      cairo_rectangle(cr, 300, 120, 200, 100);
      cairo_fill(cr);
    }
    if (page.noiseImagePixels > 0) {
      const int side = page.noiseImagePixels;
      cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, side, side);
      std::mt19937 random(42);
      unsigned char* data = cairo_image_surface_get_data(image);
      const int stride = cairo_image_surface_get_stride(image);
      for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
          auto* pixel = reinterpret_cast<uint32_t*>(data + y * stride + x * 4);
          // Smooth colour plus noise: photographic enough for JPEG, too big at full size.
          const uint32_t r = (x * 255 / side + random() % 40) & 255, g = (y * 255 / side + random() % 40) & 255,
                         b = (random() % 256);
          *pixel = (r << 16) | (g << 8) | b;
        }
      cairo_surface_mark_dirty(image);
      cairo_save(cr);
      cairo_translate(cr, 72, 100);
      const double scale = 432.0 / side;  // 6 inches wide
      cairo_scale(cr, scale, scale);
      cairo_set_source_surface(cr, image, 0, 0);
      cairo_paint(cr);
      cairo_restore(cr);
      cairo_surface_destroy(image);
    }
    for (const FixtureLink& link : page.links) {
      char rect[128];
      std::snprintf(rect, sizeof rect, "rect=[%g %g %g %g]", link.x, link.y, link.width, link.height);
      const std::string attributes = link.uri.empty() ? "dest='page" + std::to_string(link.page) + "' " + rect
                                                      : "uri='" + link.uri + "' " + rect;
      cairo_tag_begin(cr, CAIRO_TAG_LINK, attributes.c_str());
      cairo_tag_end(cr, CAIRO_TAG_LINK);
    }
    cairo_show_page(cr);
  }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  ASSERT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);
}

void MakeNumberedPdf(const std::string& path, int pages, const std::string& prefix) {
  std::vector<FixturePage> list;
  for (int i = 1; i <= pages; ++i) list.push_back(FixturePage{prefix + std::to_string(i), {}, false, 0});
  MakePdf(path, list);
}

std::string Capture(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) {
    if (status != nullptr) *status = -1;
    return output;
  }
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), n);
  const int result = ::pclose(pipe);
  if (status != nullptr) *status = WIFEXITED(result) ? WEXITSTATUS(result) : -1;
  return output;
}

std::string PageText(const std::string& pdf, int page) {
  const std::string n = std::to_string(page);
  return Capture("pdftotext -layout -f " + n + " -l " + n + " '" + pdf + "' - 2>/dev/null");
}

std::vector<std::string> PageTexts(const std::string& pdf) {
  std::vector<std::string> texts;
  auto document = Open(pdf);
  if (!document) return texts;
  const int count = static_cast<int>(document->getAllPages().size());
  for (int i = 1; i <= count; ++i) texts.push_back(PageText(pdf, i));
  return texts;
}

bool QpdfCheckClean(const std::string& pdf, std::string* details) {
  int status = 0;
  const std::string output = Capture("qpdf --check '" + pdf + "' 2>&1", &status);
  if (details != nullptr) *details = output;
  return status == 0 && output.find("WARNING") == std::string::npos &&
         output.find("No syntax or stream encoding errors found") != std::string::npos;
}

std::unique_ptr<QPDF> Open(const std::string& pdf) {
  auto document = std::make_unique<QPDF>();
  document->setSuppressWarnings(true);
  try {
    document->processFile(pdf.c_str());
  } catch (const std::exception& e) {
    ADD_FAILURE() << "cannot open " << pdf << ": " << e.what();
    return nullptr;
  }
  return document;
}

std::vector<QPDFObjectHandle> Annotations(QPDF& pdf, int pageIndex) {
  auto pages = QPDFPageDocumentHelper(pdf).getAllPages();
  if (pageIndex < 0 || pageIndex >= static_cast<int>(pages.size())) return {};
  QPDFObjectHandle annots = pages[pageIndex].getObjectHandle().getKey("/Annots");
  return annots.isArray() ? annots.getArrayAsVector() : std::vector<QPDFObjectHandle>{};
}

int DestinationPage(QPDF& pdf, QPDFObjectHandle dest) {
  if (!dest.isArray() || dest.getArrayNItems() < 1) return -1;
  QPDFObjectHandle target = dest.getArrayItem(0);
  int index = 0;
  for (auto& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
    if (page.getObjectHandle().getObjGen() == target.getObjGen()) return index;
    ++index;
  }
  return -1;
}

int ColouredPixels(const std::string& ppm) {
  std::ifstream in(ppm, std::ios::binary);
  std::string magic;
  int width = 0, height = 0, maximum = 0;
  in >> magic >> width >> height >> maximum;
  in.get();
  if (magic != "P6" || width <= 0 || height <= 0) return -1;
  int coloured = 0;
  for (long i = 0; i < static_cast<long>(width) * height; ++i) {
    const int r = in.get(), g = in.get(), b = in.get();
    if (!in) return -1;
    if (r != g || g != b) ++coloured;
  }
  return coloured;
}

std::string ScratchDir() {
  static std::vector<std::unique_ptr<TempDir>> directories;
  std::string error;
  auto directory = TempDir::Create("zembra-finish-test", error);
  if (!directory) {
    ADD_FAILURE() << error;
    return "/nonexistent";
  }
  directories.push_back(std::move(directory));
  return directories.back()->path();
}

std::string PrintHtml(const std::string& html, const std::string& pdfPath) {
  std::string error;
  auto scratch = TempDir::Create("zembra-print", error);
  if (!scratch) return error;
  const std::string page = scratch->path() + "/page.html";
  std::ofstream(page) << html;
  std::remove(pdfPath.c_str());
  SpawnRequest request;
  request.argv = {kChromium, "--headless", "--no-sandbox", "--disable-gpu", "--no-pdf-header-footer",
                  "--user-data-dir=" + scratch->path() + "/profile", "--print-to-pdf=" + pdfPath,
                  "file://" + page};
  request.standardOutput = scratch->path() + "/out";
  request.standardError = scratch->path() + "/err";
  auto process = Process::Start(request, error);
  if (!process) return error;
  auto status = process->WaitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(60));
  process->KillGroup();
  if (!status) return "Chromium took too long";
  if (*status != 0) return "Chromium failed with status " + std::to_string(*status);
  std::ifstream check(pdfPath);
  if (!check) return "Chromium wrote no PDF";
  return {};
}

}  // namespace zembra::render::finish::testing
