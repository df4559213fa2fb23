#include "engines/render/pdf_finish/toc.h"

#include <gtest/gtest.h>
#include <qpdf/QPDFOutlineDocumentHelper.hh>

#include <fstream>
#include <sstream>

#include "engines/render/pdf_finish/cover.h"
#include "engines/render/pdf_finish/links.h"
#include "engines/render/pdf_finish/markers.h"
#include "tests/engines/render/pdf_finish/pdf_fixtures.h"
#include "tests/support/engine_check.h"

namespace zembra::render::finish {
namespace {

const char* kBody = R"HTML(<!DOCTYPE html><html><head><meta charset="utf-8"></head><body>
<h1>Alpha heading</h1><p>Intro text.</p>
<h2 style="break-before: page">Beta heading</h2><p>More.</p>
<div style="break-before: page; height: 300px"></div>
<h2>Gamma heading</h2>
<h3>Delta &amp; more</h3>
<script>)HTML";

HtmlPrinter ChromiumPrinter() {
  return [](const std::string& html, const std::string& pdf) { return testing::PrintHtml(html, pdf); };
}

// The page number printed after the title on the TOC line, or -1.
int NumberAfter(const std::string& text, const std::string& title) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find(title) == std::string::npos) continue;
    size_t end = line.find_last_not_of(" \t\r");
    if (end == std::string::npos) continue;
    size_t start = end + 1;
    while (start > 0 && line[start - 1] >= '0' && line[start - 1] <= '9') --start;
    if (start <= end && end - start < 6) return std::stoi(line.substr(start, end + 1 - start));
  }
  return -1;
}

TEST(Toc, HtmlListsEntriesWithShiftedNumbersAndMarkers) {
  const std::vector<TocEntry> entries = {{1, "One <&>", 1, 700}, {2, "Two", 3, -1}, {4, "Deep", 3, 100}};
  const std::string html = BuildTocHtml(entries, 2, "Contents", 3);
  EXPECT_NE(html.find("<h1>Contents</h1>"), std::string::npos);
  EXPECT_NE(html.find("One &lt;&amp;&gt;</span><span class=\"leader\"></span><span class=\"page\">3</span>"),
            std::string::npos);
  EXPECT_NE(html.find("Two</span><span class=\"leader\"></span><span class=\"page\">5</span>"), std::string::npos);
  EXPECT_NE(html.find(std::string(kMarkerOrigin) + "toc?entry=1\""), std::string::npos);
  EXPECT_EQ(html.find("Deep"), std::string::npos);  // deeper than the limit
}

TEST(Toc, OutlineNestsByLevel) {
  const std::string dir = testing::ScratchDir();
  testing::MakeNumberedPdf(dir + "/in.pdf", 4);
  std::string error;
  auto document = PdfDocument::Open(dir + "/in.pdf", error);
  ASSERT_TRUE(document) << error;
  WriteOutline(document->qpdf(), {{1, "A", 1, 500}, {2, "A.1", 2, -1}, {3, "A.1.x", 2, 300}, {1, "B", 3, 700}, {3, "B.skip", 3, 100}}, 1);
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;
  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  // Read back through qpdf's outline reader, another path than the writer.
  const auto headings = HeadingsFromOutline(*out);
  ASSERT_EQ(headings.size(), 5u);
  const int levels[] = {1, 2, 3, 1, 2};  // a skipped level nests one deeper than its parent
  const int pages[] = {2, 3, 3, 4, 4};    // body starts at the second page
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(headings[i].level, levels[i]) << headings[i].title;
    EXPECT_EQ(headings[i].page, pages[i]) << headings[i].title;
  }
  EXPECT_NEAR(headings[0].y, 500, 0.01);
  EXPECT_NEAR(headings[1].y, 842, 0.01);  // no position: the top of the page
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/out.pdf", &details)) << details;
}

TEST(Toc, HeadingsFromChromiumsOutline) {
  ZEMBRA_REQUIRE_PROGRAM(testing::kChromium);
  const std::string dir = testing::ScratchDir();
  // The outline needs Chromium's outline switch; the printer here has it off,
  // so use the marker route's page and compare with the outline of a second print.
  const std::string html = std::string(kBody) + "</script></body></html>";
  std::string page = dir + "/page.html";
  {
    std::ofstream out(page);
    out << html;
  }
  int status = 0;
  testing::Capture(std::string(testing::kChromium) + " --headless --no-sandbox --no-pdf-header-footer "
                   "--generate-pdf-document-outline --user-data-dir='" + dir + "/profile' --print-to-pdf='" + dir +
                   "/outlined.pdf' 'file://" + page + "' >/dev/null 2>&1", &status);
  ASSERT_EQ(status, 0);
  auto pdf = testing::Open(dir + "/outlined.pdf");
  ASSERT_TRUE(pdf);
  const auto headings = HeadingsFromOutline(*pdf);
  ASSERT_EQ(headings.size(), 4u);
  EXPECT_EQ(headings[0].title, "Alpha heading");
  EXPECT_EQ(headings[0].page, 1);
  EXPECT_EQ(headings[1].title, "Beta heading");
  EXPECT_EQ(headings[1].page, 2);
  EXPECT_EQ(headings[2].page, 3);
  EXPECT_EQ(headings[3].title, "Delta & more");
  EXPECT_EQ(headings[3].level, 3);
  EXPECT_GT(headings[2].y, headings[3].y);
}

class TocEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { ZEMBRA_REQUIRE_PROGRAM(testing::kChromium); ZEMBRA_REQUIRE_PROGRAM("pdftotext"); }
};

TEST_F(TocEndToEnd, NumbersLinksAndOutlineMatchWhereHeadingsAre) {
  const std::string dir = testing::ScratchDir();
  ASSERT_EQ(testing::PrintHtml(std::string(kBody) + HeadingMarkerScript() + ";</script></body></html>", dir + "/body.pdf"), "");
  testing::MakeNumberedPdf(dir + "/cover.pdf", 1, "CoverPage");

  std::string error;
  auto document = PdfDocument::Open(dir + "/body.pdf", error);
  ASSERT_TRUE(document) << error;
  const std::vector<TocEntry> entries = TakeHeadingMarkers(document->qpdf());
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].title, "Alpha heading");
  EXPECT_EQ(entries[0].level, 1);
  EXPECT_EQ(entries[0].page, 1);
  EXPECT_EQ(entries[1].page, 2);
  EXPECT_EQ(entries[2].page, 3);
  EXPECT_EQ(entries[3].title, "Delta & more");
  EXPECT_EQ(entries[3].level, 3);
  EXPECT_GT(entries[2].y, entries[3].y + 10);  // Gamma above Delta on the same page
  for (auto& annotation : testing::Annotations(document->qpdf(), 0)) EXPECT_EQ(LinkUri(annotation), "");

  int coverPages = 0;
  ASSERT_EQ(PrependCover(*document, dir + "/cover.pdf", &coverPages), "");
  int tocPages = 0;
  ASSERT_EQ(MakeTocPdf(entries, coverPages, ChromiumPrinter(), dir + "/toc.pdf", &tocPages), "");
  EXPECT_EQ(tocPages, 1);
  ASSERT_EQ(InsertToc(*document, dir + "/toc.pdf", entries, coverPages), "");
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;

  const auto texts = testing::PageTexts(dir + "/out.pdf");
  ASSERT_EQ(texts.size(), 5u);  // cover, TOC, three body pages
  EXPECT_NE(texts[0].find("CoverPage1"), std::string::npos);
  ASSERT_NE(texts[1].find("Table of Contents"), std::string::npos) << texts[1];
  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  for (const TocEntry& entry : entries) {
    const int number = NumberAfter(texts[1], entry.title);
    ASSERT_GE(number, 3) << entry.title << " in\n" << texts[1];
    ASSERT_LE(number, 5);
    EXPECT_NE(texts[number - 1].find(entry.title), std::string::npos) << entry.title << " not on page " << number;
  }
  // Each TOC line links to the heading's page, at the heading's height.
  auto links = testing::Annotations(*out, 1);
  ASSERT_EQ(links.size(), entries.size());
  for (size_t i = 0; i < links.size(); ++i) {
    ASSERT_EQ(ClassifyLink(links[i]), LinkKind::kInternal);
    QPDFObjectHandle dest = links[i].getKey("/Dest");
    const int target = testing::DestinationPage(*out, dest);
    const int line = static_cast<int>(i);  // Chromium writes the lines' links in order
    EXPECT_EQ(target + 1, NumberAfter(texts[1], entries[line].title)) << entries[line].title;
    EXPECT_NEAR(dest.getArrayItem(3).getNumericValue(), entries[line].y, 0.5);
  }
  // The outline lists the headings, nested, pointing at the same pages.
  const auto outline = HeadingsFromOutline(*out);
  ASSERT_EQ(outline.size(), entries.size());
  for (size_t i = 0; i < outline.size(); ++i) {
    EXPECT_EQ(outline[i].title, entries[i].title);
    EXPECT_EQ(outline[i].page, entries[i].page + 2);
  }
  EXPECT_EQ(outline[1].level, 2);
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/out.pdf", &details)) << details;
}

TEST_F(TocEndToEnd, LongTocShiftsNumbersByItsOwnPageCount) {
  const std::string dir = testing::ScratchDir();
  const int sections = 70;
  std::vector<testing::FixturePage> pages;
  std::vector<TocEntry> entries;
  for (int i = 1; i <= sections; ++i) {
    const std::string title = "Section-" + std::to_string(i) + "-end";
    pages.push_back({title, {}, false, 0});
    entries.push_back({1 + i % 2, title, i, 770});
  }
  testing::MakePdf(dir + "/body.pdf", pages);
  int tocPages = 0;
  ASSERT_EQ(MakeTocPdf(entries, 0, ChromiumPrinter(), dir + "/toc.pdf", &tocPages), "");
  ASSERT_GE(tocPages, 2) << "the test needs a TOC longer than one page";
  std::string error;
  auto document = PdfDocument::Open(dir + "/body.pdf", error);
  ASSERT_TRUE(document) << error;
  ASSERT_EQ(InsertToc(*document, dir + "/toc.pdf", entries, 0), "");
  ASSERT_TRUE(document->Write(dir + "/out.pdf", {}, error)) << error;

  std::string tocText;
  for (int page = 1; page <= tocPages; ++page) tocText += testing::PageText(dir + "/out.pdf", page);
  for (int i : {1, 2, 35, sections}) {
    const std::string title = "Section-" + std::to_string(i) + "-end";
    const int number = NumberAfter(tocText, title);
    EXPECT_EQ(number, i + tocPages) << title;
    EXPECT_NE(testing::PageText(dir + "/out.pdf", number).find(title), std::string::npos) << title;
  }
}

}  // namespace
}  // namespace zembra::render::finish

namespace zembra::render::finish {
namespace {

TEST(Toc, ReadHeadingsPrefersMarkersAndLeavesTheFileAlone) {
  const std::string dir = testing::ScratchDir();
  testing::MakePdf(dir + "/marked.pdf",
                   {{"One", {{72, 100, 1, 14, std::string(kMarkerOrigin) + "heading?level=2&title=First%20one", 0}}, false, 0},
                    {"Two", {{72, 500, 1, 14, std::string(kMarkerOrigin) + "heading?level=1&title=Second", 0}}, false, 0}});
  std::string error;
  auto entries = ReadHeadings(dir + "/marked.pdf", error);
  ASSERT_EQ(error, "");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].title, "First one");
  EXPECT_EQ(entries[0].level, 2);
  EXPECT_EQ(entries[0].page, 1);
  EXPECT_NEAR(entries[0].y, 842 - 100, 0.5);
  EXPECT_EQ(entries[1].page, 2);
  auto again = testing::Open(dir + "/marked.pdf");
  ASSERT_TRUE(again);
  EXPECT_EQ(testing::Annotations(*again, 0).size(), 1u);

  // Without markers, the outline.
  testing::MakeNumberedPdf(dir + "/plain.pdf", 2);
  {
    auto document = PdfDocument::Open(dir + "/plain.pdf", error);
    ASSERT_TRUE(document) << error;
    WriteOutline(document->qpdf(), {{1, "From outline", 2, 400}}, 0);
    ASSERT_TRUE(document->Write(dir + "/outlined.pdf", {}, error)) << error;
  }
  entries = ReadHeadings(dir + "/outlined.pdf", error);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].title, "From outline");
  EXPECT_EQ(entries[0].page, 2);
  EXPECT_TRUE(ReadHeadings(dir + "/plain.pdf", error).empty());
  EXPECT_EQ(error, "");
  ReadHeadings(dir + "/missing.pdf", error);
  EXPECT_NE(error, "");
}

}  // namespace
}  // namespace zembra::render::finish

#include "engines/render/pdf_finish/finish_pdf.h"

namespace zembra::render::finish {
namespace {

// The 22-page report bench page, through the whole finishing path.
TEST_F(TocEndToEnd, ReportPageNumbersAreRight) {
  std::string html = testing::ReadFile(std::string(ZEMBRA_BENCH_PAGES) + "/report.html");
  if (html.empty()) GTEST_SKIP() << "bench pages not available";
  const size_t end = html.rfind("</body>");
  ASSERT_NE(end, std::string::npos);
  const std::string dir = testing::ScratchDir();
  ASSERT_EQ(testing::PrintHtml(html, dir + "/plain.pdf"), "");
  html.insert(end, "<script>" + HeadingMarkerScript() + ";</script>");
  ASSERT_EQ(testing::PrintHtml(html, dir + "/report.pdf"), "");
  // The markers move no word on any page.
  auto words = [](const std::string& pdf) { return testing::Capture("pdftotext -bbox '" + pdf + "' - | grep '<word'"); };
  const std::string plainWords = words(dir + "/plain.pdf");
  EXPECT_GT(plainWords.size(), 1000u);
  EXPECT_TRUE(plainWords == words(dir + "/report.pdf")) << "heading markers changed the layout";
  testing::MakeNumberedPdf(dir + "/cover.pdf", 1, "CoverPage");

  std::string error;
  const auto entries = ReadHeadings(dir + "/report.pdf", error);
  ASSERT_EQ(error, "");
  ASSERT_GT(entries.size(), 20u);
  PrintedPdfs printed;
  printed.body = dir + "/report.pdf";
  printed.cover = dir + "/cover.pdf";
  printed.toc = dir + "/toc.pdf";
  printed.tocEntries = entries;
  int tocPages = 0;
  ASSERT_EQ(MakeTocPdf(entries, 1, ChromiumPrinter(), printed.toc, &tocPages), "");
  ASSERT_EQ(FinishPdf(printed, dir + "/out.pdf", FinishOptions{}), "");

  const auto texts = testing::PageTexts(dir + "/out.pdf");
  ASSERT_EQ(static_cast<int>(texts.size()), 1 + tocPages + CountPages(dir + "/report.pdf", error));
  std::string tocText;
  for (int page = 1; page <= tocPages; ++page) tocText += texts[page];
  int checked = 0;
  for (const TocEntry& entry : entries) {
    const int number = NumberAfter(tocText, entry.title);
    ASSERT_GT(number, 1 + tocPages) << entry.title;
    ASSERT_LE(number, static_cast<int>(texts.size())) << entry.title;
    EXPECT_NE(texts[number - 1].find(entry.title), std::string::npos) << entry.title << " not on page " << number;
    ++checked;
  }
  EXPECT_EQ(checked, static_cast<int>(entries.size()));
  // No marker link is left anywhere.
  auto out = testing::Open(dir + "/out.pdf");
  ASSERT_TRUE(out);
  for (int page = 0; page < static_cast<int>(texts.size()); ++page)
    for (auto& annotation : testing::Annotations(*out, page))
      EXPECT_EQ(LinkUri(annotation).find(kMarkerOrigin), std::string::npos);
  std::string details;
  EXPECT_TRUE(testing::QpdfCheckClean(dir + "/out.pdf", &details)) << details;
}

}  // namespace
}  // namespace zembra::render::finish

namespace zembra::render::finish {
namespace {

// A printer that writes a PDF of a scripted number of pages per call and
// records the pages the HTML numbered the first entry with.
struct ScriptedPrinter {
  std::vector<int> pageCounts;
  std::vector<int> firstNumbers;
  size_t calls = 0;

  HtmlPrinter Printer() {
    return [this](const std::string& html, const std::string& pdf) -> std::string {
      const std::string marker = "<span class=\"page\">";
      const size_t at = html.find(marker);
      firstNumbers.push_back(at == std::string::npos ? -1 : std::stoi(html.substr(at + marker.size())));
      const int pages = pageCounts[std::min(calls++, pageCounts.size() - 1)];
      if (pages == 0) return "printer broke";
      testing::MakeNumberedPdf(pdf, pages, "Toc");
      return {};
    };
  }
};

struct TwoStepCase {
  std::vector<int> printed;      // pages the printer produces, call by call
  int coverPages;
  std::vector<int> numbers;      // number shown for entry page 1, call by call
  int tocPages;                  // result; 0: an error
};

class TocTwoStep : public ::testing::TestWithParam<TwoStepCase> {};

TEST_P(TocTwoStep, NumbersAssumeThePageCountThatIsPrinted) {
  const TwoStepCase& c = GetParam();
  ScriptedPrinter printer{c.printed, {}, 0};
  const std::string dir = testing::ScratchDir();
  int tocPages = 0;
  const std::string error =
      MakeTocPdf({{1, "Only", 1, -1}}, c.coverPages, printer.Printer(), dir + "/toc.pdf", &tocPages);
  EXPECT_EQ(printer.firstNumbers, c.numbers);
  if (c.tocPages == 0) {
    EXPECT_NE(error, "");
  } else {
    EXPECT_EQ(error, "");
    EXPECT_EQ(tocPages, c.tocPages);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Toc, TocTwoStep,
    ::testing::Values(TwoStepCase{{1}, 0, {2}, 1},                  // one page as assumed: printed once
                      TwoStepCase{{1}, 2, {4}, 1},                  // after a two-page cover
                      TwoStepCase{{3, 3}, 0, {2, 4}, 3},            // longer: printed again with numbers + 2
                      TwoStepCase{{2, 3, 3}, 1, {3, 4, 5}, 3},      // the new numbers add a page
                      TwoStepCase{{2, 1, 2, 1}, 0, {2, 3, 2, 3}, 0}, // never settles
                      TwoStepCase{{0}, 0, {2}, 0}));                 // the printer fails

}  // namespace
}  // namespace zembra::render::finish
