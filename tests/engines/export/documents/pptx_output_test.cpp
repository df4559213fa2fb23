#include "engines/export/documents/pptx_output.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "engines/export/documents/document_reader.h"
#include "engines/export/documents/pptx_slide.h"
#include "engines/export/page_geometry.h"
#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"
#include "tests/support/files.h"
#include "tests/support/pdf_samples.h"
#include "tests/support/pdf_text.h"
#include "tests/support/run_program.h"

namespace zembra::exporter {
namespace {

using testing::Capture;
using testing::Job;
using testing::Occurrences;
using testing::OfficeConvert;
using testing::RenderedPage;
using testing::TestDirectory;
using testing::ZipMember;
using zembra::testing::PageTexts;
using zembra::testing::RunProgram;

// A grey picture: a PNG decoded, or a page rendered by pdftoppm.
struct Grey {
  long width = 0, height = 0;
  std::vector<unsigned char> pixels;

  unsigned char at(long x, long y) const { return pixels[static_cast<size_t>(y * width + x)]; }

  /// The darkest pixel of a box given in points of a page shown at dpi.
  int Darkest(const Box& box, double dpi) const {
    int darkest = 255;
    for (long y = std::lround(box.y0 * dpi / 72); y < std::lround(box.y1 * dpi / 72) && y < height; ++y) {
      for (long x = std::lround(box.x0 * dpi / 72); x < std::lround(box.x1 * dpi / 72) && x < width; ++x) {
        darkest = std::min<int>(darkest, at(x, y));
      }
    }
    return darkest;
  }
};

Grey DecodePng(const std::string& bytes) {
  Grey grey;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return grey;
  image.format = PNG_FORMAT_GRAY;
  grey.pixels.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, grey.pixels.data(), 0, nullptr)) return {};
  grey.width = image.width;
  grey.height = image.height;
  return grey;
}

// The width and height a PNG's header gives.
std::pair<long, long> PngSize(const std::string& png) {
  if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return {0, 0};
  const auto number = [&](size_t at) {
    long value = 0;
    for (size_t i = at; i < at + 4; ++i) value = value * 256 + static_cast<unsigned char>(png[i]);
    return value;
  };
  return {number(16), number(20)};
}

Grey RenderGrey(const std::string& pdf, int dpi, int page = 1) {
  const zembra::testing::ProgramResult run = RunProgram(
      {"pdftoppm", "-gray", "-r", std::to_string(dpi), "-f", std::to_string(page), "-l", std::to_string(page), pdf});
  Grey grey;
  // A binary PGM: "P5", width, height, maximum, one white space, pixels.
  long maximum = 0;
  int consumed = 0;
  if (run.exitCode != 0 ||
      std::sscanf(run.output.c_str(), "P5 %ld %ld %ld%n", &grey.width, &grey.height, &maximum, &consumed) != 3) {
    return {};
  }
  const size_t start = static_cast<size_t>(consumed) + 1;
  grey.pixels.assign(run.output.begin() + static_cast<long>(start), run.output.end());
  if (grey.pixels.size() != static_cast<size_t>(grey.width * grey.height)) return {};
  return grey;
}

// How different two renders of a page look: both cut into the same grid of
// cells, the mean difference of the cells' average grey, 0 (alike) to 1.
double Unlikeness(const Grey& a, const Grey& b, int columns, int rows) {
  if (a.pixels.empty() || b.pixels.empty()) return 1;
  const auto cell = [&](const Grey& g, int column, int row) {
    const long x0 = g.width * column / columns, x1 = g.width * (column + 1) / columns;
    const long y0 = g.height * row / rows, y1 = g.height * (row + 1) / rows;
    double sum = 0;
    for (long y = y0; y < y1; ++y) {
      for (long x = x0; x < x1; ++x) sum += g.at(x, y);
    }
    return sum / static_cast<double>((x1 - x0) * (y1 - y0)) / 255;
  };
  double total = 0;
  for (int row = 0; row < rows; ++row) {
    for (int column = 0; column < columns; ++column) total += std::fabs(cell(a, column, row) - cell(b, column, row));
  }
  return total / (columns * rows);
}

std::string Convert(const std::string& pdf, const std::string& name, std::optional<long> first = std::nullopt,
                    std::optional<long> last = std::nullopt) {
  const std::string pptx = TestDirectory() + "/" + name + ".pptx";
  std::string error;
  EXPECT_TRUE(testing::Convert(Job(pdf, pptx, first, last), error)) << error;
  return pptx;
}

class PptxOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM("unzip");
    ZEMBRA_REQUIRE_PROGRAM("pdftotext");
    ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice");
  }
};

TEST_F(PptxOutput, EditableTextLibreOfficeShowsOnSlidesOfThePageSize) {
  const std::string pdf = TestDirectory() + "/text.pdf";
  testing::MakeTextPdf(pdf);
  const std::string pptx = Convert(pdf, "deck", 1, 3);
  EXPECT_NE(Capture("file -b '" + pptx + "'").find("PowerPoint 2007+"), std::string::npos);
  EXPECT_EQ(RunProgram({"unzip", "-tq", pptx}).exitCode, 0);
  const std::string names = RunProgram({"unzip", "-Z1", pptx}).output;
  EXPECT_EQ(names.rfind("[Content_Types].xml\n", 0), 0u);
  for (const char* part : {"ppt/slides/slide1.xml", "ppt/slides/slide3.xml", "ppt/presentation.xml",
                           "ppt/theme/theme1.xml", "ppt/media/page1.png"}) {
    EXPECT_NE(names.find(part), std::string::npos) << part;
  }
  EXPECT_EQ(names.find("slide4.xml"), std::string::npos);
  // Pages 2 and 3 hold nothing but text: no picture behind it.
  EXPECT_EQ(names.find("ppt/media/page2.png"), std::string::npos);
  const std::string slide = ZipMember(pptx, "ppt/slides/slide1.xml");
  EXPECT_NE(slide.find(">Quarterly Report<"), std::string::npos);
  EXPECT_NE(slide.find(">Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x93 \xCE\xA9mega<"), std::string::npos);
  EXPECT_EQ(slide.find("<a:alpha"), std::string::npos);  // nothing transparent
  EXPECT_NE(ZipMember(pptx, "ppt/presentation.xml").find("<p:sldSz cx=\"7772400\" cy=\"10058400\"/>"),
            std::string::npos);

  // The background: the rectangle, sharp (200 dpi), and none of the text.
  const Grey background = DecodePng(ZipMember(pptx, "ppt/media/page1.png"));
  ASSERT_EQ(background.width, 1700);
  ASSERT_EQ(background.height, 2200);
  EXPECT_LT(background.Darkest({110, 380, 290, 480}, 200), 160);  // kShapeOnPage1, from the top
  EXPECT_EQ(background.Darkest({60, 70, 560, 240}, 200), 255);    // where the lines of text are

  // LibreOffice shows the text, as text, on three pages of the PDF's size.
  const std::string back = OfficeConvert(pptx, "pdf");
  ASSERT_FALSE(back.empty());
  const std::vector<std::string> pages = PageTexts(back);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_NE(pages[0].find("Quarterly Report"), std::string::npos) << pages[0];
  EXPECT_NE(pages[0].find("The quick brown fox jumps over the lazy dog."), std::string::npos) << pages[0];
  EXPECT_NE(pages[2].find("Third page text"), std::string::npos) << pages[2];
  EXPECT_NE(Capture("pdfinfo '" + back + "'").find("Page size:       612 x 792 pts"), std::string::npos);
}

TEST_F(PptxOutput, RealPagesKeepTheirTextForLibreOffice) {
  const std::pair<const char*, std::vector<const char*>> pages[] = {
      {"tables",
       {"Invoice 2026-114", "Website design",
        "\xE2\x82\xAC"
        "3,420.00",
        "merged cell", "Gamma", "1.234,56"}},
      {"article",
       {"Field notes from the coast", "Methods", "survey form", "1. Walk the transect slowly.", "Conclusion"}},
      {"pictures", {"Quarterly figures", "The chart above shows growth in every quarter."}},
      // Right to left in reading order, and CJK.
      {"scripts",
       {"Mixed scripts", "\xD8\xA7\xD9\x84\xD8\xAA\xD8\xAF\xD9\x88\xD9\x8A\xD9\x84 \xD9\x87\xD9\x88",
        "\xD7\x91\xD7\x99\xD7\xA0\xD7\x90\xD7\x95\xD7\x9D \xD7\x94\xD7\x95\xD7\x90",
        "\xD8\xA7\xD9\x84\xD9\x82\xD8\xA7\xD9\x87\xD8\xB1\xD8\xA9", "9,540,000",
        "\xE5\x9B\xBD\xE9\x99\x85\xE5\x8C\x96\xE6\x98\xAF\xE8\xAE\xBE\xE8\xAE\xA1", "Latin text with an Arabic word"}},
  };
  for (const auto& [name, texts] : pages) {
    const std::string pdf = RenderedPage(name);
    ASSERT_FALSE(pdf.empty());
    const std::string pptx = Convert(pdf, name);
    const std::string back = OfficeConvert(pptx, "pdf");
    ASSERT_FALSE(back.empty()) << name;
    const std::vector<std::string> read = PageTexts(back);
    ASSERT_EQ(read.size(), 1u) << name;
    for (const char* text : texts) EXPECT_NE(read[0].find(text), std::string::npos) << name << ": " << text;
  }
}

TEST_F(PptxOutput, AnArticleIsTextAlone) {
  const std::string pptx = Convert(RenderedPage("article"), "article-alone");
  EXPECT_EQ(RunProgram({"unzip", "-Z1", pptx}).output.find("ppt/media/"), std::string::npos);
  const std::string slide = ZipMember(pptx, "ppt/slides/slide1.xml");
  EXPECT_EQ(Occurrences(slide, "<a:buAutoNum type=\"arabicPeriod\""), 3u);
  EXPECT_EQ(Occurrences(slide, "<a:buChar "), 4u);
  EXPECT_NE(slide.find("<a:hlinkClick"), std::string::npos);
}

TEST_F(PptxOutput, RealPicturesArePicturesWithTheirAltText) {
  const std::string pptx = Convert(RenderedPage("pictures"), "pictures-alone");
  const std::string slide = ZipMember(pptx, "ppt/slides/slide1.xml");
  EXPECT_EQ(Occurrences(slide, "<p:pic>"), 3u);
  for (const char* alt : {"descr=\"ACME logo\"", "descr=\"Site photograph\"", "descr=\"Sales chart\""}) {
    EXPECT_NE(slide.find(alt), std::string::npos) << alt;
  }
  // The photograph at its own size, 360 x 240 pixels.
  EXPECT_EQ(PngSize(ZipMember(pptx, "ppt/media/page1-picture2.png")), (std::pair<long, long>{360, 240}));
  // The chart's labels belong to the chart: no text box holds them.
  EXPECT_EQ(slide.find(">Q1<"), std::string::npos);
  // Nothing else on the page but text and white: no picture behind.
  EXPECT_EQ(RunProgram({"unzip", "-Z1", pptx}).output.find("ppt/media/page1.png"), std::string::npos);
}

// The backgrounds of real pages with rules show no text where a text box
// shows it. (The article's has nothing left to show: its list labels are
// bullets, its link's underline the text box's.)
TEST_F(PptxOutput, RealBackgroundsLeaveOutTheTextOfTheTextBoxes) {
  for (const char* name : {"tables", "scripts", "long_table"}) {
    const std::string pdf = RenderedPage(name);
    ASSERT_FALSE(pdf.empty());
    const std::string pptx = Convert(pdf, std::string(name) + "-background");
    std::string error;
    const std::unique_ptr<PdfInput> input = PdfInput::Open(pdf, "", "", error);
    ASSERT_TRUE(input) << error;
    const std::optional<Document> document = ReadDocument(*input, {1, input->pageCount()}, error);
    ASSERT_TRUE(document) << error;
    const std::vector<PageContent> contents = ContentByPage(*document);
    size_t checked = 0;
    for (size_t page = 0; page < contents.size(); ++page) {
      const std::string png = ZipMember(pptx, "ppt/media/page" + std::to_string(page + 1) + ".png");
      if (png.empty()) continue;  // a page of text alone
      const Grey background = DecodePng(png);
      ASSERT_GT(background.width, 0);
      for (const Box& line : CutoutsOf(contents[page]).text) {
        // Inside the line, off its edges where rules may run.
        const Box inside{line.x0 + 1, line.y0 + 2, line.x1 - 1, line.y1 - 2};
        EXPECT_GT(background.Darkest(inside, 200), 160)
            << name << " page " << page + 1 << " at " << line.x0 << "," << line.y0;
        ++checked;
      }
    }
    EXPECT_GT(checked, 5u) << name;
  }
}

TEST_F(PptxOutput, ASlideLooksLikeItsPage) {
  ZEMBRA_REQUIRE_PROGRAM("pdftoppm");
  for (const char* name : {"article", "tables", "pictures", "scripts"}) {
    const std::string pdf = RenderedPage(name);
    ASSERT_FALSE(pdf.empty());
    const std::string back = OfficeConvert(Convert(pdf, std::string(name) + "-look"), "pdf");
    ASSERT_FALSE(back.empty());
    const Grey page = RenderGrey(pdf, 30), slide = RenderGrey(back, 30);
    ASSERT_EQ(page.width, slide.width);
    ASSERT_EQ(page.height, slide.height);
    // Cells of about 1.5 cm: the same blocks of text, pictures and rules in
    // the same places. Measured against how far a blank page is off, and
    // another page.
    Grey blank = page;
    std::fill(blank.pixels.begin(), blank.pixels.end(), 255);
    const double unlike = Unlikeness(page, slide, 12, 16);
    EXPECT_LT(unlike, 0.4 * Unlikeness(page, blank, 12, 16)) << name;
    const Grey other = RenderGrey(RenderedPage(std::string(name) == "article" ? "tables" : "article"), 30);
    EXPECT_GT(Unlikeness(other, slide, 12, 16), 2 * unlike) << name;
  }
}

// A page of 200 x 200 inches with a rectangle and a line of text.
std::string MakeHugePagePdf() {
  const std::string path = TestDirectory() + "/huge.pdf";
  cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), 14400, 14400);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.1, 0.3, 0.8);
  cairo_rectangle(cr, 1000, 1000, 6000, 3000);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 400);
  cairo_move_to(cr, 1000, 8000);
  cairo_show_text(cr, "Huge page");
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  cairo_surface_destroy(surface);
  return path;
}

TEST(PptxHugePage, ScaledToTheLargestSlideAndTheImageLimits) {
  ZEMBRA_REQUIRE_PROGRAM("unzip");
  const std::string pptx = Convert(MakeHugePagePdf(), "huge");
  EXPECT_NE(ZipMember(pptx, "ppt/presentation.xml").find("<p:sldSz cx=\"51206400\" cy=\"51206400\"/>"),
            std::string::npos);
  const auto [width, height] = PngSize(ZipMember(pptx, "ppt/media/page1.png"));
  EXPECT_EQ(width, height);
  EXPECT_LE(width, kMaxPageSide);
  EXPECT_LE(width * height, kMaxPagePixels);
  EXPECT_GT(width * height, kMaxPagePixels * 95 / 100);
  // The text at the page's scale: 400 pt on 200 inches is 112 pt on 56.
  const std::string slide = ZipMember(pptx, "ppt/slides/slide1.xml");
  EXPECT_NE(slide.find(">Huge page<"), std::string::npos);
  EXPECT_NE(slide.find("sz=\"11200\""), std::string::npos);
}

TEST(PptxPages, TheSelectedPagesOnly) {
  ZEMBRA_REQUIRE_PROGRAM("unzip");
  const std::string pdf = TestDirectory() + "/text.pdf";
  testing::MakeTextPdf(pdf);
  const std::string pptx = Convert(pdf, "part", 2, 3);
  EXPECT_EQ(Occurrences(ZipMember(pptx, "ppt/presentation.xml"), "<p:sldId "), 2u);
  EXPECT_NE(ZipMember(pptx, "ppt/slides/slide1.xml").find(">Second page text<"), std::string::npos);
  EXPECT_NE(ZipMember(pptx, "ppt/slides/slide2.xml").find(">Third page text<"), std::string::npos);
  EXPECT_EQ(ZipMember(pptx, "ppt/slides/slide1.xml").find("Quarterly"), std::string::npos);
}

// A page turned a quarter shows its lines on their side: no text box can
// show them so, the background does.
TEST(PptxPages, TextOnItsSideStaysInTheBackground) {
  ZEMBRA_REQUIRE_PROGRAM("unzip");
  ZEMBRA_REQUIRE_PROGRAM("qpdf");
  const std::string pdf = TestDirectory() + "/text.pdf", turned = TestDirectory() + "/turned.pdf";
  testing::MakeTextPdf(pdf);
  ASSERT_EQ(RunProgram({"qpdf", "--rotate=+90:1", pdf, turned}).exitCode, 0);
  const std::string pptx = Convert(turned, "turned", 1, 1);
  EXPECT_NE(ZipMember(pptx, "ppt/presentation.xml").find("<p:sldSz cx=\"10058400\" cy=\"7772400\"/>"),
            std::string::npos);
  const std::string slide = ZipMember(pptx, "ppt/slides/slide1.xml");
  EXPECT_EQ(slide.find("Quarterly"), std::string::npos) << slide;
  EXPECT_EQ(slide.find("quick brown"), std::string::npos);
  // Its picture holds the text: dark where the heading runs down the page.
  const Grey background = DecodePng(ZipMember(pptx, "ppt/media/page1.png"));
  ASSERT_EQ(background.width, 2200);
  EXPECT_LT(background.Darkest({680, 72, 700, 250}, 200), 100);
}

TEST(PptxErrors, OneLineAndNoPackageWhenTheOutputCannotBeWritten) {
  const std::string pdf = TestDirectory() + "/text.pdf";
  testing::MakeTextPdf(pdf);
  std::string error;
  EXPECT_FALSE(testing::Convert(Job(pdf, "/nonexistent/dir/deck.pptx"), error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;

  // A page too narrow for a picture within the image limits: one line.
  const std::string sliver = TestDirectory() + "/sliver.pdf";
  ASSERT_TRUE(zembra::testing::WriteFile(sliver, zembra::testing::SamplePdf(1, 100000, 2)));
  const std::string slivered = TestDirectory() + "/sliver.pptx";
  EXPECT_FALSE(testing::Convert(Job(sliver, slivered), error));
  EXPECT_NE(error.find("page 1: the page of 100000 x 2 points is too narrow"), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  EXPECT_FALSE(testing::Exists(slivered));

  // A document that does not match the selected pages is refused.
  const std::unique_ptr<PdfInput> input = PdfInput::Open(pdf, "", "", error);
  ASSERT_TRUE(input) << error;
  Document document;
  document.pages.push_back({612, 792, {}});
  const std::string output = TestDirectory() + "/mismatch.pptx";
  EXPECT_FALSE(WritePresentation(*input, {1, 3}, document, output, error));
  EXPECT_NE(error.find("1 pages of the 3 selected"), std::string::npos) << error;
  EXPECT_FALSE(testing::Exists(output));
}

// The leftmost and rightmost ink (in points) in the middle half of a line's
// height, up to 30 points either side of its box.
std::pair<double, double> InkColumns(const Grey& grey, const Box& box, double dpi) {
  const double quarter = box.height() / 4;
  double left = 1e9, right = -1;
  for (long y = std::lround((box.y0 + quarter) * dpi / 72); y < std::lround((box.y1 - quarter) * dpi / 72); ++y) {
    for (long x = std::lround((box.x0 - 30) * dpi / 72); x < std::lround((box.x1 + 30) * dpi / 72); ++x) {
      if (grey.at(x, y) >= 128) continue;
      left = std::min(left, x * 72 / dpi);
      right = std::max(right, x * 72 / dpi);
    }
  }
  return {left, right};
}

// List items printed as a browser prints them: a numbered label as text, a
// disc drawn as a path, each ending a blank before the item's text.
TEST_F(PptxOutput, ListLabelsAreBulletsWhereTheyWerePrinted) {
  ZEMBRA_REQUIRE_PROGRAM("pdftoppm");
  const std::string pdf = TestDirectory() + "/list.pdf";
  cairo_surface_t* surface = cairo_pdf_surface_create(pdf.c_str(), 612, 792);
  cairo_t* cr = cairo_create(surface);
  cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, 11);
  Document document;
  document.pages.push_back({612, 792, {}});
  const char* texts[] = {"Walk the transect slowly.", "Count every nest.", "Dune height at every hundred metres."};
  const char* labels[] = {"1.", "2.", "\xE2\x80\xA2"};
  for (int i = 0; i < 3; ++i) {
    const double baseline = 100 + 20 * i;
    cairo_text_extents_t extents;
    if (i < 2) {
      cairo_text_extents(cr, (std::string(labels[i]) + " ").c_str(), &extents);
      cairo_move_to(cr, 90 - extents.x_advance, baseline);
      cairo_show_text(cr, labels[i]);
    } else {
      cairo_new_path(cr);
      cairo_arc(cr, 80, baseline - 3.5, 1.9, 0, 2 * M_PI);
      cairo_fill(cr);
    }
    cairo_text_extents(cr, texts[i], &extents);
    cairo_move_to(cr, 90, baseline);
    cairo_show_text(cr, texts[i]);
    Paragraph item;
    item.role = ParagraphRole::kListItem;
    item.ordered = i < 2;
    item.level = 1;
    item.label = labels[i];
    TextLine line;
    line.box = {90, baseline - 0.928 * 11, 90 + extents.x_advance, baseline + 0.236 * 11};
    TextStyle style;
    style.fontFamily = "DejaVu Sans";
    style.size = 11;
    line.runs.push_back({texts[i], style});
    item.lines.push_back(line);
    item.box = line.box;
    document.blocks.emplace_back(item);
  }
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  cairo_surface_destroy(surface);

  std::string error;
  const std::unique_ptr<PdfInput> input = PdfInput::Open(pdf, "", "", error);
  ASSERT_TRUE(input) << error;
  const std::string pptx = TestDirectory() + "/list.pptx";
  ASSERT_TRUE(WritePresentation(*input, {1, 1}, document, pptx, error)) << error;
  // The labels are the bullets': none is left printed behind.
  EXPECT_EQ(RunProgram({"unzip", "-Z1", pptx}).output.find("ppt/media/page1.png"), std::string::npos);
  const std::string back = OfficeConvert(pptx, "pdf");
  ASSERT_FALSE(back.empty());
  const std::vector<std::string> pages = PageTexts(back);
  ASSERT_EQ(pages.size(), 1u);
  EXPECT_NE(pages[0].find("1. Walk the transect slowly. 2. Count every nest."), std::string::npos) << pages[0];
  EXPECT_NE(pages[0].find("\xE2\x80\xA2"), std::string::npos) << pages[0];
  // Each label within a few points of where it was printed, the text where
  // it was.
  const Grey page = RenderGrey(pdf, 144), slide = RenderGrey(back, 144);
  for (int i = 0; i < 3; ++i) {
    const double baseline = 100 + 20 * i;
    const Box label{60, baseline - 9, 89, baseline + 2};
    const auto [left, right] = InkColumns(page, label, 144);
    const auto [shownLeft, shownRight] = InkColumns(slide, label, 144);
    EXPECT_NEAR(shownLeft, left, 3) << labels[i];
    EXPECT_NEAR(shownRight, right, 3) << labels[i];
    const Box text{90, baseline - 9, 200, baseline + 2};
    EXPECT_NEAR(InkColumns(slide, text, 144).first, InkColumns(page, text, 144).first, 1) << texts[i];
  }
}

// Paragraphs of several lines at various sizes and pitches, drawn with cairo
// in DejaVu Sans, and the model of them a reader gives: line boxes from the
// font's ascent and descent.
struct PrintedParagraph {
  double size, pitch, firstBaseline;
  std::vector<const char*> lines;
  Alignment alignment;
};

const PrintedParagraph kPrinted[] = {
    {11,
     15,
     100,
     {"Eleven points on a pitch of fifteen,", "the second line of it,", "and a third, longer than the others,",
      "then the last."},
     Alignment::kStart},
    {16, 24, 200, {"Sixteen points,", "spaced by half a line", "more than usual."}, Alignment::kStart},
    {28, 0, 320, {"A heading of 28 points"}, Alignment::kStart},
    {11, 12, 380, {"Set tight: eleven on twelve,", "lines closer than the font's own", "height."}, Alignment::kStart},
    {12, 16, 480, {"Centred lines", "of different widths,", "centred on the page."}, Alignment::kCenter},
    {12, 16, 580, {"Right-aligned lines", "end at the right margin,", "as printed."}, Alignment::kEnd},
    {12,
     16,
     660,
     {"Justified lines are stretched", "to the full width of their", "column but the last."},
     Alignment::kJustify},
};
constexpr double kAscent = 0.928, kDescent = 0.236;  // DejaVu Sans

class PptxLines : public PptxOutput {
 protected:
  void SetUp() override {
    PptxOutput::SetUp();
    ZEMBRA_REQUIRE_PROGRAM("pdftoppm");
    pdf_ = TestDirectory() + "/lines.pdf";
    cairo_surface_t* surface = cairo_pdf_surface_create(pdf_.c_str(), 612, 792);
    cairo_t* cr = cairo_create(surface);
    cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    document_.pages.push_back({612, 792, {72, 72, 540, 720}});
    for (const PrintedParagraph& printed : kPrinted) {
      cairo_set_font_size(cr, printed.size);
      Paragraph paragraph;
      paragraph.alignment = printed.alignment;
      double baseline = printed.firstBaseline;
      for (size_t k = 0; k < printed.lines.size(); ++k) {
        const char* text = printed.lines[k];
        cairo_text_extents_t extents;
        cairo_text_extents(cr, text, &extents);
        double x = 72, width = extents.x_advance;
        if (printed.alignment == Alignment::kCenter) x = 306 - extents.x_advance / 2;
        if (printed.alignment == Alignment::kEnd) x = 540 - extents.x_advance;
        if (printed.alignment == Alignment::kJustify && k + 1 < printed.lines.size()) {
          // Word by word, the blanks widened to end the line at 468 points.
          std::vector<std::string> words;
          for (size_t at = 0, end = 0; at <= std::strlen(text); at = end + 1) {
            end = std::string(text).find(' ', at);
            if (end == std::string::npos) end = std::strlen(text);
            words.push_back(std::string(text, at, end - at));
          }
          double inked = 0;
          for (const std::string& word : words) {
            cairo_text_extents(cr, word.c_str(), &extents);
            inked += extents.x_advance;
          }
          const double blank = (468 - inked) / static_cast<double>(words.size() - 1);
          double at = x;
          for (const std::string& word : words) {
            cairo_move_to(cr, at, baseline);
            cairo_show_text(cr, word.c_str());
            cairo_text_extents(cr, word.c_str(), &extents);
            at += extents.x_advance + blank;
          }
          width = 468;
        } else {
          cairo_move_to(cr, x, baseline);
          cairo_show_text(cr, text);
        }
        TextLine line;
        line.box = {x, baseline - kAscent * printed.size, x + width, baseline + kDescent * printed.size};
        TextStyle style;
        style.fontFamily = "DejaVu Sans";
        style.size = printed.size;
        line.runs.push_back({text, style});
        paragraph.lines.push_back(line);
        baseline += printed.pitch;
      }
      paragraph.box = paragraph.lines.front().box;
      for (const TextLine& line : paragraph.lines) {
        paragraph.box.x0 = std::min(paragraph.box.x0, line.box.x0);
        paragraph.box.x1 = std::max(paragraph.box.x1, line.box.x1);
        paragraph.box.y1 = line.box.y1;
      }
      document_.blocks.emplace_back(paragraph);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    cairo_surface_destroy(surface);
  }

  std::string pdf_;
  Document document_;
};

// How far down (in points) the ink of a line's box in one render must move to
// best match the other: the shift with the least squared difference of the
// rows' ink, within a third of the line's height.
double VerticalShift(const Grey& printed, const Grey& shown, const Box& box, double dpi) {
  const long x0 = std::lround(box.x0 * dpi / 72), x1 = std::lround(box.x1 * dpi / 72);
  const long y0 = std::lround(box.y0 * dpi / 72), y1 = std::lround(box.y1 * dpi / 72);
  const auto row = [&](const Grey& grey, long y) {
    double ink = 0;
    for (long x = x0; x < x1; ++x) ink += 255 - grey.at(x, y);
    return ink;
  };
  const long reach = (y1 - y0) / 3;
  long best = 0;
  double least = -1;
  for (long shift = -reach; shift <= reach; ++shift) {
    double sum = 0;
    for (long y = y0; y < y1; ++y) {
      const double d = row(printed, y) - row(shown, y + shift);
      sum += d * d;
    }
    if (least < 0 || sum < least) {
      least = sum;
      best = shift;
    }
  }
  return static_cast<double>(best) * 72 / dpi;
}

TEST_F(PptxLines, EveryLineLandsWherePrinted) {
  const std::string pptx = TestDirectory() + "/lines.pptx";
  std::string error;
  const std::unique_ptr<PdfInput> input = PdfInput::Open(pdf_, "", "", error);
  ASSERT_TRUE(input) << error;
  ASSERT_TRUE(WritePresentation(*input, {1, 1}, document_, pptx, error)) << error;
  const std::string back = OfficeConvert(pptx, "pdf");
  ASSERT_FALSE(back.empty());
  constexpr double kDpi = 288;
  const Grey page = RenderGrey(pdf_, kDpi), slide = RenderGrey(back, kDpi);
  for (const Block& block : document_.blocks) {
    const Paragraph& paragraph = std::get<Paragraph>(block);
    for (const TextLine& line : paragraph.lines) {
      const std::string text = line.runs[0].text;
      // Its baseline within a point of the printed one, also for lines set
      // tighter or looser than the font's own spacing.
      EXPECT_LE(std::fabs(VerticalShift(page, slide, line.box, kDpi)), 1) << text;
      // Its ends within two points, as aligned.
      const auto [left, right] = InkColumns(page, line.box, kDpi);
      const auto [shownLeft, shownRight] = InkColumns(slide, line.box, kDpi);
      EXPECT_NEAR(shownLeft, left, 2) << text;
      EXPECT_NEAR(shownRight, right, 2) << text;
    }
  }
}

}  // namespace
}  // namespace zembra::exporter
