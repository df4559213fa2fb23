// RTF and DOC of the real pages, as LibreOffice reads them back: what a
// user who opens them in a word processor finds (headings in the navigator,
// paragraphs, lists, tables cell by cell, pictures, direction).
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "tests/engines/export/documents/office_readback.h"
#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::CellTexts;
using testing::ConvertedPage;
using testing::Occurrences;
using testing::ParagraphTexts;

class WordPages : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override { ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice"); }
  const std::string& Content(const std::string& page) { return ConvertedPage(page, GetParam()).content; }
  const std::string& Styles(const std::string& page) { return ConvertedPage(page, GetParam()).styles; }
};

bool Has(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// The outline levels of a content.xml's headings, in order.
std::vector<int> HeadingLevels(const std::string& content) {
  std::vector<int> levels;
  const std::regex heading("<text:h [^>]*text:outline-level=\"([0-9])\"");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), heading); it != std::sregex_iterator(); ++it) {
    levels.push_back(std::stoi((*it)[1]));
  }
  return levels;
}

TEST_P(WordPages, TablesAreTablesCellByCellWithSpansAndShading) {
  const std::string& content = Content("tables");
  ASSERT_FALSE(content.empty());
  EXPECT_EQ(Occurrences(content, "<table:table "), 4u) << content;
  EXPECT_EQ(HeadingLevels(content), (std::vector<int>{1, 2, 2, 2}));
  const std::vector<std::string> cells = CellTexts(content);
  // Each amount in one cell, the currency sign beside its number.
  for (const char* text : {"\xE2\x82\xAC"
                           "3,420.00",
                           "\xE2\x82\xAC"
                           "1,204.50",
                           "\xE2\x82\xAC"
                           "4,744.38",
                           "(1,204.50)", "1.234,56 \xE2\x82\xAC", "$ 1,204.50",
                           "\xE2\x88\x92"
                           "42",
                           "12-34-56", "merged cell", "Hosting (12 months)", "Gamma"}) {
    EXPECT_TRUE(Has(cells, text)) << text;
  }
  EXPECT_FALSE(Has(cells, "\xE2\x82\xAC 3,420.00"));
  // The invoice's total over three columns; Region and South over two rows,
  // 2025, 2026 and the merged cell over two columns.
  EXPECT_EQ(Occurrences(content, "table:number-columns-spanned=\"3\""), 1u);
  EXPECT_EQ(Occurrences(content, "table:number-columns-spanned=\"2\""), 3u);
  EXPECT_EQ(Occurrences(content, "table:number-rows-spanned=\"2\""), 2u);
  EXPECT_EQ(Occurrences(content, "<table:covered-table-cell"), 7u);
  // 4 + 4 + 4 + 4 + 2 cells in the invoice, 3 + 4 + 5 + 4 + 4 in the spans
  // table, 3 x 8 and 3 x 3 in the others.
  EXPECT_EQ(cells.size(), 18u + 20u + 24u + 9u);
  EXPECT_NE(content.find("fo:background-color=\"#dde6f0\""), std::string::npos);
  EXPECT_NE(content.find("fo:background-color=\"#fff3c4\""), std::string::npos);
  EXPECT_TRUE(std::regex_search(content, std::regex("fo:border(-bottom)?=\"[0-9.]+(pt|in|cm) solid #333333\"")));
  if (GetParam() == "doc") {
    EXPECT_EQ(Occurrences(content, "<table:table-header-rows>"), 3u);  // RTF cannot say it to LibreOffice
  }
}

TEST_P(WordPages, ATableOverTwoPagesIsOneTable) {
  const std::string& content = Content("long_table");
  ASSERT_FALSE(content.empty());
  EXPECT_EQ(Occurrences(content, "<table:table "), 1u);
  EXPECT_EQ(Occurrences(content, "<table:table-row"), 71u);
  const std::vector<std::string> cells = CellTexts(content);
  ASSERT_EQ(cells.size(), 71u * 3);
  EXPECT_EQ(cells[3 * 70 + 1], "Item number 70");
  EXPECT_EQ(cells[3 * 70 + 2], "227.50");
  EXPECT_TRUE(Has(ParagraphTexts(content), "After the long table."));
  if (GetParam() == "doc") {
    EXPECT_EQ(Occurrences(content, "<table:table-header-rows>"), 1u);
  }
}

TEST_P(WordPages, ArticleKeepsHeadingsParagraphsListsLinksAndColumns) {
  const std::string& content = Content("article");
  ASSERT_FALSE(content.empty());
  EXPECT_EQ(HeadingLevels(content), (std::vector<int>{1, 2, 3, 3, 4, 2, 2}));
  const std::vector<std::string> paragraphs = ParagraphTexts(content);
  EXPECT_TRUE(Has(paragraphs,
                  "The survey began on a grey morning in early spring. Our team of four walked the shoreline from the "
                  "harbour to the lighthouse, counting nests, measuring the dunes and writing down everything that "
                  "seemed out of place. This paragraph is long enough to wrap over several lines, so that a word "
                  "processor must see it as one paragraph and not as a line each."));
  for (const char* item : {"Walk the transect slowly.", "Occupied nests", "Width of the beach at low tide."}) {
    EXPECT_TRUE(Has(paragraphs, item)) << item;
  }
  EXPECT_NE(content.find("xlink:href=\"https://example.org/survey\""), std::string::npos);
  EXPECT_NE(content.find("fo:color=\"#b22222\""), std::string::npos);
  EXPECT_NE(content.find("style:font-name=\"DejaVu Sans Mono\""), std::string::npos);
  // The two columns stand side by side as the cells of one row, the left one read first.
  const std::vector<std::string> cells = CellTexts(content);
  ASSERT_EQ(cells.size(), 2u) << content;
  EXPECT_EQ(cells[0].rfind("Left column first paragraph.", 0), 0u) << cells[0];
  EXPECT_EQ(cells[1].rfind("Right column paragraph.", 0), 0u) << cells[1];
  EXPECT_EQ(Occurrences(content, "<table:table "), 1u);
  // Seven items in two lists, numbered and bulleted.
  EXPECT_GE(Occurrences(content, "<text:list-item"), 7u);
  const std::string styles = content + Styles("article");
  EXPECT_TRUE(std::regex_search(styles, std::regex("<text:list-level-style-number text:level=\"1\"[^>]*"
                                                   "style:num-suffix=\".\"[^>]*style:num-format=\"1\"")));
  EXPECT_TRUE(std::regex_search(styles, std::regex("<text:list-level-style-bullet text:level=\"2\"[^>]*"
                                                   "text:bullet-char=\"\xE2\x97\xA6\"")));
}

// A frame's width and height in inches.
std::vector<std::pair<double, double>> FrameSizes(const std::string& content) {
  std::vector<std::pair<double, double>> sizes;
  const std::regex frame("<draw:frame [^>]*svg:width=\"([0-9.]+)in\" svg:height=\"([0-9.]+)in\"");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), frame); it != std::sregex_iterator(); ++it) {
    sizes.emplace_back(std::stod((*it)[1]), std::stod((*it)[2]));
  }
  return sizes;
}

TEST_P(WordPages, PicturesStandAtTheirPlaceAndSize) {
  const std::string& content = Content("pictures");
  ASSERT_FALSE(content.empty());
  EXPECT_EQ(Occurrences(content, "<draw:image"), 3u);
  // The logo (120 x 48 px), the photograph (360 x 240) and the chart (400 x 220).
  const std::vector<std::pair<double, double>> sizes = FrameSizes(content);
  ASSERT_EQ(sizes.size(), 3u) << content;
  const std::pair<double, double> expected[] = {{1.25, 0.5}, {3.75, 2.5}, {4.1667, 2.2917}};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(sizes[i].first, expected[i].first, 0.02) << i;
    EXPECT_NEAR(sizes[i].second, expected[i].second, 0.02) << i;
  }
  const std::vector<std::string> paragraphs = ParagraphTexts(content);
  const auto heading = std::find(paragraphs.begin(), paragraphs.end(), "Quarterly figures");
  ASSERT_NE(heading, paragraphs.end());
  EXPECT_EQ(heading - paragraphs.begin(), 1);  // after the logo's paragraph
}

TEST_P(WordPages, RightToLeftParagraphsInLogicalOrder) {
  const std::string& content = Content("scripts");
  ASSERT_FALSE(content.empty());
  const std::vector<std::string> paragraphs = ParagraphTexts(content);
  for (const char* text : {"\xD8\xA7\xD9\x84\xD8\xAA\xD8\xAF\xD9\x88\xD9\x8A\xD9\x84",  // the Arabic heading
                           "\xD7\x91\xD7\x99\xD7\xA0\xD7\x90\xD7\x95\xD7\x9D \xD7\x94\xD7\x95\xD7\x90 "
                           "\xD7\xAA\xD7\x94\xD7\x9C\xD7\x99\xD7\x9A \xD7\xA9\xD7\x9C "
                           "\xD7\xAA\xD7\x9B\xD7\xA0\xD7\x95\xD7\x9F \xD7\xAA\xD7\x95\xD7\x9B\xD7\xA0\xD7\x94 "
                           "\xD7\x9B\xD7\x9A \xD7\xA9\xD7\xA0\xD7\x99\xD7\xAA\xD7\x9F "
                           "\xD7\x9C\xD7\x94\xD7\xAA\xD7\x90\xD7\x99\xD7\x9D \xD7\x90\xD7\x95\xD7\xAA\xD7\x94 "
                           "\xD7\x9C\xD7\xA9\xD7\xA4\xD7\x95\xD7\xAA \xD7\xA9\xD7\x95\xD7\xA0\xD7\x95\xD7\xAA.",
                           "Latin text with an Arabic word \xD8\xA7\xD9\x84\xD8\xB9\xD8\xB1\xD8\xA8\xD9\x8A\xD8\xA9 in "
                           "the middle and 2026 "
                           "at the end."}) {
    EXPECT_TRUE(Has(paragraphs, text)) << text;
  }
  // The heading, two paragraphs and the table's four cells run right to left.
  EXPECT_GE(Occurrences(content, "style:writing-mode=\"rl-tb\""), 1u);
  const std::regex rtl(
      "<style:style style:name=\"([^\"]+)\" style:family=\"paragraph\"[^>]*>"
      "<style:paragraph-properties[^>]*style:writing-mode=\"rl-tb\"");
  std::vector<std::string> styles;
  for (auto it = std::sregex_iterator(content.begin(), content.end(), rtl); it != std::sregex_iterator(); ++it) {
    styles.push_back((*it)[1]);
  }
  size_t rtlParagraphs = 0;
  for (const std::string& style : styles) rtlParagraphs += Occurrences(content, "text:style-name=\"" + style + "\"");
  EXPECT_GE(rtlParagraphs, 7u);
  EXPECT_TRUE(Has(CellTexts(content), "9,540,000"));
  EXPECT_TRUE(Has(paragraphs,
                  "\xE5\x9B\xBD\xE9\x99\x85\xE5\x8C\x96\xE6\x98\xAF\xE8\xAE\xBE\xE8\xAE\xA1\xE8\xBD\xAF\xE4\xBB\xB6\xE7"
                  "\x9A\x84\xE8\xBF\x87\xE7\xA8\x8B\xEF\xBC\x8C\xE4\xBD\xBF"
                  "\xE5\x85\xB6\xE8\x83\xBD\xE5\xA4\x9F\xE9\x80\x82\xE5\xBA\x94\xE4\xB8\x8D\xE5\x90\x8C\xE7\x9A\x84\xE8"
                  "\xAF\xAD\xE8\xA8\x80\xE5\x92\x8C\xE5\x9C\xB0\xE5\x8C\xBA\xE3\x80\x82"));
}

INSTANTIATE_TEST_SUITE_P(RtfAndDoc, WordPages, ::testing::Values("rtf", "doc"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
}  // namespace zembra::exporter
