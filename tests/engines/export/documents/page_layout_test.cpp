#include "engines/export/documents/page_layout.h"

#include <gtest/gtest.h>

#include <poppler-document.h>
#include <poppler-page.h>

#include <memory>

#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter {
namespace {

Word W(const char* text, double x0, double x1, double y0, double size = 10.5) {
  Word word;
  word.text = text;
  word.x0 = x0;
  word.x1 = x1;
  word.y0 = y0;
  word.y1 = y0 + 13.4;
  word.fontSize = size;
  return word;
}

std::vector<std::string> CellTexts(const Line& line) {
  std::vector<std::string> texts;
  for (const Cell& cell : line.cells) texts.push_back(cell.text());
  return texts;
}

// Word boxes as a browser prints a table with its default tight cell spacing:
// the gap between two cells (4.5 pt) is barely wider than a word space (3.3 pt).
std::vector<Word> TightTable() {
  return {
      W("Region", 51.77, 92.44, 97.9),  W("Q1", 118.23, 134.24, 97.9),   W("Q2", 152.77, 168.77, 97.9),
      W("Note", 204.30, 230.97, 97.9),  W("North", 37.5, 66.84, 115.9),   W("1,200", 111.22, 141.25, 115.9),
      W("1,350", 145.76, 175.79, 115.9), W("steady", 180.29, 215.65, 115.9), W("growth", 218.98, 255.0, 115.9),
      W("South", 37.5, 68.86, 133.9),   W("\"Main\"", 72.19, 106.72, 133.9), W("980", 111.22, 131.24, 133.9),
      W("1,010", 145.76, 175.79, 133.9), W("new,", 180.29, 204.98, 133.9),  W("shop", 208.31, 234.33, 133.9),
      W("East", 37.5, 61.51, 151.9),    W("770", 145.76, 165.78, 151.9),   W("late", 180.29, 199.64, 151.9),
  };
}

TEST(PageLayout, TightTableSplitsWhereColumnEdgesContinue) {
  std::vector<Word> words = TightTable();
  std::reverse(words.begin(), words.end());  // input order must not matter
  const std::vector<Line> lines = BuildLines(words);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(CellTexts(lines[1]), (std::vector<std::string>{"North", "1,200", "1,350", "steady growth"}));
  EXPECT_EQ(CellTexts(lines[2]), (std::vector<std::string>{"South \"Main\"", "980", "1,010", "new, shop"}));
  EXPECT_EQ(CellTexts(lines[3]), (std::vector<std::string>{"East", "770", "late"}));
}

TEST(PageLayout, TableRowsKeepAnEmptyCellInItsColumn) {
  const std::vector<std::vector<std::string>> rows = TableRows(BuildLines(TightTable()));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"Region", "Q1", "Q2", "Note"}));
  EXPECT_EQ(rows[3], (std::vector<std::string>{"East", "", "770", "late"}));
}

TEST(PageLayout, AFooterFarBelowDoesNotJoinTheTable) {
  std::vector<Word> words = TightTable();
  words.push_back(W("file:///tmp/table.html", 24, 122, 766));
  words.push_back(W("1/1", 576, 588, 766));
  const std::vector<std::vector<std::string>> rows = TableRows(BuildLines(words));
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[1], (std::vector<std::string>{"North", "1,200", "1,350", "steady growth"}));
  EXPECT_EQ(rows[4], (std::vector<std::string>{"file:///tmp/table.html", "1/1"}));
}

TEST(PageLayout, AHeadingBesideRightAlignedNumbersSharesTheirColumn) {
  // "Price" is centred over numbers aligned on the right: their extents
  // do not overlap, yet no row fills both, so they are one column.
  const std::vector<std::vector<std::string>> rows = TableRows(BuildLines({
      W("Item", 72, 95, 100), W("Price", 150, 178, 100),
      W("Bolts", 72, 100, 118), W("91.10", 185, 210, 118),
      W("Nuts", 72, 96, 136), W("5.23", 190, 210, 136),
  }));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0], (std::vector<std::string>{"Item", "Price"}));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"Bolts", "91.10"}));
  EXPECT_EQ(rows[2], (std::vector<std::string>{"Nuts", "5.23"}));
}

TEST(PageLayout, JustifiedProseStaysOneCell) {
  // Stretched spaces (0.5 em) that happen to line up between lines are no columns.
  std::vector<Word> words;
  for (int line = 0; line < 6; ++line) {
    double x = 72;
    for (int word = 0; word < 8; ++word) {
      const double width = 30 + ((word * 7 + line * 3) % 5) * 4;
      words.push_back(W("word", x, x + width, 100 + line * 14));
      x += width + 5.2;
    }
  }
  for (const Line& line : BuildLines(words)) EXPECT_EQ(line.cells.size(), 1u) << line.text();
}

TEST(PageLayout, WideGapSplitsEvenWithoutNeighbours) {
  const std::vector<Line> lines = BuildLines({W("Total", 72, 100, 100), W("42", 300, 312, 100)});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(CellTexts(lines[0]), (std::vector<std::string>{"Total", "42"}));
}

TEST(PageLayout, LinesGoTopToBottomAndWordsLeftToRight) {
  const std::vector<Line> lines =
      BuildLines({W("second", 72, 110, 120), W("line", 113, 130, 120.5), W("first", 72, 100, 100)});
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].text(), "first");
  EXPECT_EQ(lines[1].text(), "second line");
}

TEST(PageLayout, WordsWithoutASpaceBetweenThemStayJoined) {
  Word price = W("12", 72, 84, 100);
  price.spaceAfter = false;
  const std::vector<Line> lines = BuildLines({price, W("%", 84.2, 92, 100), W("more", 95, 120, 100)});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text(), "12% more");
}

TEST(PageLayout, BlankWordsAreDropped) {
  const std::vector<Line> lines = BuildLines({W(" ", 72, 75, 100), W("word", 80, 100, 100)});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].text(), "word");
}

TEST(PageLayout, SizeWithoutFontInformationComesFromTheBox) {
  Word word = W("x", 0, 5, 0, 0);
  EXPECT_NEAR(EffectiveSize(word), 13.4 * 0.85, 0.01);
  word.fontSize = 9;
  EXPECT_EQ(EffectiveSize(word), 9);
}

TEST(PageLayout, LineSizeIsTheSizeOfMostText) {
  const std::vector<Line> lines = BuildLines({W("Big", 72, 100, 100, 20), W("smaller", 103, 140, 100, 10),
                                              W("words", 143, 170, 100, 10)});
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_DOUBLE_EQ(lines[0].fontSize(), 10);
}

TEST(PageLayout, FontNamesTellBoldAndItalic) {
  struct Case {
    const char* name;
    bool bold, italic;
  };
  for (const Case& c : {Case{"ABCDEF+DejaVuSans-Bold", true, false}, Case{"LiberationSerif-BoldItalic", true, true},
                        Case{"Helvetica-Oblique", false, true}, Case{"Arial-Black", true, false},
                        Case{"OpenSans-SemiBold", true, false}, Case{"Times-Roman", false, false}}) {
    EXPECT_EQ(FontNameIsBold(c.name), c.bold) << c.name;
    EXPECT_EQ(FontNameIsItalic(c.name), c.italic) << c.name;
  }
}

TEST(PageLayout, FontNamesTellTheFamily) {
  EXPECT_EQ(FontKindOf("DAAAAA+DejaVuSansMono"), FontKind::kMono);
  EXPECT_EQ(FontKindOf("Courier-Bold"), FontKind::kMono);
  EXPECT_EQ(FontKindOf("LiberationSerif-Italic"), FontKind::kSerif);
  EXPECT_EQ(FontKindOf("Times-Roman"), FontKind::kSerif);
  EXPECT_EQ(FontKindOf("EAAAAA+NotoSans-Regular"), FontKind::kSans);
  EXPECT_EQ(FontKindOf("Helvetica"), FontKind::kSans);
  EXPECT_EQ(FontKindOf(""), FontKind::kSans);
}

TEST(PageLayout, ReadsWordsSizesAndBoldFromARealPdf) {
  const std::string pdf = testing::TestDirectory() + "/text.pdf";
  testing::MakeTextPdf(pdf);
  std::unique_ptr<poppler::document> document(poppler::document::load_from_file(pdf));
  ASSERT_TRUE(document);
  const std::vector<PageText> pages = ReadPagesText(*document, 1, 2);
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_DOUBLE_EQ(pages[0].width, 612);
  EXPECT_DOUBLE_EQ(pages[0].height, 792);
  ASSERT_GE(pages[0].lines.size(), 4u);
  const Line& heading = pages[0].lines[0];
  EXPECT_EQ(heading.text(), "Quarterly Report");
  EXPECT_NEAR(heading.fontSize(), 20, 0.5);
  EXPECT_TRUE(heading.cells[0].words[0].bold);
  EXPECT_NEAR(heading.x0, 72, 1);
  EXPECT_EQ(pages[0].lines[2].text(), "Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x93 \xCE\xA9mega");
  EXPECT_FALSE(pages[0].lines[1].cells[0].words[0].bold);
  const Line& columns = pages[0].lines[3];
  EXPECT_EQ(CellTexts(columns), (std::vector<std::string>{"Left column", "Right column"}));
  ASSERT_EQ(pages[1].lines.size(), 1u);
  EXPECT_EQ(pages[1].lines[0].text(), "Second page text");
}

}  // namespace
}  // namespace zembra::exporter
