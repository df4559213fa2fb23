// The document model read from the real pages printed by the renderer:
// tagged as zemconv's intermediate PDF is, and untagged as a PDF handed to
// the exporter directly.
#include "engines/export/documents/document_reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/engines/export/documents/model_text.h"
#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter {
namespace {

Document Read(const std::string& pdf, std::optional<PageSpan> span = std::nullopt) {
  std::string error;
  std::unique_ptr<PdfInput> input = PdfInput::Open(pdf, "", "", error);
  if (!input) {
    ADD_FAILURE() << error;
    return {};
  }
  std::optional<Document> document = ReadDocument(*input, span.value_or(PageSpan{1, input->pageCount()}), error);
  if (!document) {
    ADD_FAILURE() << error;
    return {};
  }
  return std::move(*document);
}

std::vector<const Paragraph*> Paragraphs(const Document& document, ParagraphRole role) {
  std::vector<const Paragraph*> found;
  for (const Block& block : document.blocks) {
    const auto* paragraph = std::get_if<Paragraph>(&block);
    if (paragraph != nullptr && paragraph->role == role) found.push_back(paragraph);
  }
  return found;
}

std::vector<const Table*> Tables(const Document& document) {
  std::vector<const Table*> found;
  for (const Block& block : document.blocks) {
    if (const auto* table = std::get_if<Table>(&block)) found.push_back(table);
  }
  return found;
}

const TableCell* CellAt(const Table& table, int row, int column) {
  for (const TableCell& cell : table.cells) {
    if (cell.row == row && cell.column == column) return &cell;
  }
  return nullptr;
}

std::string CellText(const Table& table, int row, int column) {
  const TableCell* cell = CellAt(table, row, column);
  if (cell == nullptr) return "<none>";
  std::string text;
  for (const Paragraph& paragraph : cell->paragraphs) text += (text.empty() ? "" : "\n") + FlowText(paragraph);
  return text;
}

// What kind of block each is, in order: "H1", "P", "T", "I" (list item), "F" (picture), "A" (artifact).
std::string Outline(const Document& document) {
  std::string outline;
  for (const Block& block : document.blocks) {
    if (std::holds_alternative<Table>(block)) {
      outline += "T ";
    } else if (std::holds_alternative<Picture>(block)) {
      outline += "F ";
    } else {
      const Paragraph& paragraph = std::get<Paragraph>(block);
      switch (paragraph.role) {
        case ParagraphRole::kHeading:
          outline += "H" + std::to_string(paragraph.level) + " ";
          break;
        case ParagraphRole::kListItem:
          outline += "I" + std::to_string(paragraph.level) + " ";
          break;
        case ParagraphRole::kArtifact:
          outline += "A ";
          break;
        case ParagraphRole::kCaption:
          outline += "C ";
          break;
        default:
          outline += "P ";
      }
    }
  }
  if (!outline.empty()) outline.pop_back();
  return outline;
}

const TextRun* RunWith(const Document& document, const std::string& text) {
  for (const Block& block : document.blocks) {
    const auto* paragraph = std::get_if<Paragraph>(&block);
    if (paragraph == nullptr) continue;
    for (const TextLine& line : paragraph->lines) {
      for (const TextRun& run : line.runs) {
        if (run.text.find(text) != std::string::npos) return &run;
      }
    }
  }
  return nullptr;
}

// A PNG's size from its header.
std::pair<int, int> PngSize(const std::string& png) {
  if (png.size() < 24 || png.compare(1, 3, "PNG") != 0) return {0, 0};
  auto word = [&](size_t at) {
    return (static_cast<unsigned char>(png[at]) << 24) | (static_cast<unsigned char>(png[at + 1]) << 16) |
           (static_cast<unsigned char>(png[at + 2]) << 8) | static_cast<unsigned char>(png[at + 3]);
  };
  return {word(16), word(20)};
}

TEST(TaggedArticle, HeadingsKeepTheirLevelsAndTheFlowItsOrder) {
  const Document document = Read(testing::RenderedPage("article"));
  EXPECT_TRUE(document.tagged);
  EXPECT_EQ(document.title, "Field notes");
  EXPECT_EQ(document.language, "en");
  EXPECT_EQ(Outline(document), "H1 P H2 P H3 I1 I1 I2 I2 I1 H3 I1 I1 H4 P H2 P P H2 P")
      << testing::DescribeDocument(document);
  std::vector<std::pair<int, std::string>> headings;
  for (const Paragraph* heading : Paragraphs(document, ParagraphRole::kHeading)) {
    headings.emplace_back(heading->level, FlowText(*heading));
  }
  EXPECT_EQ(headings, (std::vector<std::pair<int, std::string>>{{1, "Field notes from the coast"},
                                                                {2, "Methods"},
                                                                {3, "Counting"},
                                                                {3, "Measuring"},
                                                                {4, "A note on tides"},
                                                                {2, "Two columns"},
                                                                {2, "Conclusion"}}));
}

TEST(TaggedArticle, AWrappedParagraphIsOneParagraph) {
  const Document document = Read(testing::RenderedPage("article"));
  const std::vector<const Paragraph*> body = Paragraphs(document, ParagraphRole::kBody);
  ASSERT_FALSE(body.empty());
  const Paragraph& first = *body.front();
  EXPECT_GE(first.lines.size(), 3u);
  EXPECT_EQ(FlowText(first),
            "The survey began on a grey morning in early spring. Our team of four walked the shoreline from the "
            "harbour to the lighthouse, counting nests, measuring the dunes and writing down everything that seemed "
            "out of place. This paragraph is long enough to wrap over several lines, so that a word processor must "
            "see it as one paragraph and not as a line each.");
  EXPECT_EQ(first.alignment, Alignment::kStart);
  for (size_t i = 1; i < first.lines.size(); ++i) EXPECT_GT(first.lines[i].box.y0, first.lines[i - 1].box.y1 - 1);
}

TEST(TaggedArticle, RunsCarryFontsStylesColoursAndLinks) {
  const Document document = Read(testing::RenderedPage("article"));
  struct Case {
    const char* text;
    bool bold, italic;
    FontKind kind;
  };
  for (const Case& c :
       {Case{"measuring tape", true, false, FontKind::kSerif}, Case{"notebook", false, true, FontKind::kSerif},
        Case{"coast-2026.csv", false, false, FontKind::kMono}, Case{"We used", false, false, FontKind::kSerif}}) {
    const TextRun* run = RunWith(document, c.text);
    ASSERT_NE(run, nullptr) << c.text;
    EXPECT_EQ(run->style.bold, c.bold) << c.text;
    EXPECT_EQ(run->style.italic, c.italic) << c.text;
    EXPECT_EQ(run->style.kind, c.kind) << c.text;
    EXPECT_DOUBLE_EQ(run->style.size, 11) << c.text;
  }
  const TextRun* link = RunWith(document, "survey form");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->text, "survey form");
  EXPECT_EQ(link->style.link, "https://example.org/survey");
  EXPECT_TRUE(link->style.underline);
  EXPECT_TRUE(RunWith(document, "We used")->style.link.empty());
  EXPECT_FALSE(RunWith(document, "We used")->style.underline);
  EXPECT_EQ(RunWith(document, "red notes")->style.color, (Rgb{0xb2, 0x22, 0x22}));
  const TextRun* title = RunWith(document, "Field notes from the coast");
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->style.fontFamily, "DejaVu Sans");
  EXPECT_EQ(title->style.color, (Rgb{0x1a, 0x4f, 0x8a}));
  EXPECT_DOUBLE_EQ(title->style.size, 24);
  EXPECT_TRUE(title->style.bold);
  EXPECT_EQ(RunWith(document, "We used")->style.fontFamily, "DejaVu Serif");
}

TEST(TaggedArticle, ListItemsHaveLevelsLabelsAndNumbering) {
  const Document document = Read(testing::RenderedPage("article"));
  struct Item {
    int level;
    bool ordered;
    std::string label, text;
    bool operator==(const Item&) const = default;
  };
  std::vector<Item> items;
  for (const Paragraph* item : Paragraphs(document, ParagraphRole::kListItem)) {
    items.push_back({item->level, item->ordered, item->label, FlowText(*item)});
  }
  const std::vector<Item> expected = {
      {1, true, "1.", "Walk the transect slowly."},
      {1, true, "2.", "Count every nest within two metres."},
      {2, false, "\u25E6", "Occupied nests"},
      {2, false, "\u25E6", "Empty nests"},
      {1, true, "3.", "Write the count on the form."},
      {1, false, "\u2022", "Dune height at every hundred metres."},
      {1, false, "\u2022", "Width of the beach at low tide."},
  };
  ASSERT_EQ(items.size(), expected.size());
  for (size_t i = 0; i < items.size(); ++i) {
    EXPECT_EQ(items[i].level, expected[i].level) << i;
    EXPECT_EQ(items[i].ordered, expected[i].ordered) << i;
    EXPECT_EQ(items[i].label, expected[i].label) << i;
    EXPECT_EQ(items[i].text, expected[i].text) << i;
  }
}

TEST(TaggedArticle, TwoColumnsReadLeftColumnFirst) {
  const Document document = Read(testing::RenderedPage("article"));
  const std::vector<const Paragraph*> body = Paragraphs(document, ParagraphRole::kBody);
  size_t left = body.size(), right = body.size();
  for (size_t i = 0; i < body.size(); ++i) {
    const std::string text = FlowText(*body[i]);
    if (text.rfind("Left column first paragraph.", 0) == 0) left = i;
    if (text.rfind("Right column paragraph.", 0) == 0) right = i;
  }
  ASSERT_LT(left, body.size());
  ASSERT_LT(right, body.size());
  EXPECT_EQ(right, left + 1);
  const double middle = document.pages[0].width / 2;
  for (const TextLine& line : body[left]->lines) EXPECT_LT(line.box.x1, middle);
  for (const TextLine& line : body[right]->lines) EXPECT_GT(line.box.x0, middle);
  EXPECT_GE(body[left]->lines.size(), 5u);
  EXPECT_NE(FlowText(*body[left]).find("while we measured them."), std::string::npos);
}

TEST(TaggedTables, RulesSpansHeadersAndShading) {
  const Document document = Read(testing::RenderedPage("tables"));
  EXPECT_EQ(Outline(document), "H1 P T H2 T H2 T H2 T P") << testing::DescribeDocument(document);
  const std::vector<const Table*> tables = Tables(document);
  ASSERT_EQ(tables.size(), 4u);

  const Table& invoice = *tables[0];
  EXPECT_EQ(invoice.rows, 5);
  EXPECT_EQ(invoice.columns, 4);
  EXPECT_EQ(invoice.headerRows, 1);
  EXPECT_EQ(invoice.cells.size(), 18u);
  const std::vector<std::string> row1 = {"Website design", "€34.20", "100", "€3,420.00"};
  for (int c = 0; c < 4; ++c) EXPECT_EQ(CellText(invoice, 1, c), row1[static_cast<size_t>(c)]);
  EXPECT_EQ(CellText(invoice, 0, 3), "Amount");
  const TableCell* total = CellAt(invoice, 4, 0);
  ASSERT_NE(total, nullptr);
  EXPECT_EQ(total->columnSpan, 3);
  EXPECT_EQ(CellText(invoice, 4, 3), "€4,744.38");
  EXPECT_EQ(total->background, (Rgb{0xff, 0xf3, 0xc4}));
  for (const TableCell& cell : invoice.cells) {
    EXPECT_EQ(cell.header, cell.row == 0);
    for (const Border* side : {&cell.top, &cell.right, &cell.bottom, &cell.left}) {
      EXPECT_NEAR(side->width, 0.75, 0.2) << cell.row << "," << cell.column;
      EXPECT_EQ(side->color, (Rgb{0x33, 0x33, 0x33}));
    }
    if (cell.row == 0) {
      EXPECT_EQ(cell.background, (Rgb{0xdd, 0xe6, 0xf0}));
    } else if (cell.row < 4) {
      EXPECT_EQ(cell.background, std::nullopt);
    }
  }
  ASSERT_EQ(invoice.columnWidths.size(), 4u);
  double width = 0;
  for (double w : invoice.columnWidths) width += w;
  EXPECT_NEAR(width, invoice.box.width(), 0.5);
  EXPECT_EQ(invoice.rowHeights.size(), 5u);
  // Numbers keep to the right, text to the left.
  EXPECT_EQ(CellAt(invoice, 1, 3)->paragraphs.front().alignment, Alignment::kEnd);
  EXPECT_EQ(CellAt(invoice, 1, 0)->paragraphs.front().alignment, Alignment::kStart);

  const Table& spans = *tables[1];
  EXPECT_EQ(spans.rows, 5);
  EXPECT_EQ(spans.columns, 5);
  EXPECT_EQ(spans.headerRows, 2);
  struct Span {
    int row, column, rowSpan, columnSpan;
    const char* text;
  };
  for (const Span& s : {Span{0, 0, 2, 1, "Region"}, Span{0, 1, 1, 2, "2025"}, Span{0, 3, 1, 2, "2026"},
                        Span{1, 4, 1, 1, "H2"}, Span{3, 0, 2, 1, "South"}, Span{3, 3, 1, 2, "merged cell"},
                        Span{4, 1, 1, 1, "15%"}, Span{4, 4, 1, 1, "(1,204.50)"}}) {
    const TableCell* cell = CellAt(spans, s.row, s.column);
    ASSERT_NE(cell, nullptr) << s.text;
    EXPECT_EQ(cell->rowSpan, s.rowSpan) << s.text;
    EXPECT_EQ(cell->columnSpan, s.columnSpan) << s.text;
    EXPECT_EQ(CellText(spans, s.row, s.column), s.text);
  }
  EXPECT_EQ(CellAt(spans, 4, 0), nullptr);  // covered by "South"

  const Table& numbers = *tables[2];
  EXPECT_EQ(numbers.rows, 8);
  EXPECT_EQ(numbers.columns, 3);
  EXPECT_EQ(numbers.headerRows, 1);
  EXPECT_EQ(CellText(numbers, 4, 1), "−42");
  EXPECT_NEAR(CellAt(numbers, 0, 1)->bottom.width, 1.5, 0.2);
  EXPECT_EQ(CellAt(numbers, 0, 1)->left.width, 0);
  // A border just under a cell's words is no underline of theirs.
  for (const TableCell& cell : numbers.cells)
    for (const Paragraph& paragraph : cell.paragraphs)
      for (const TextLine& line : paragraph.lines)
        for (const TextRun& run : line.runs) EXPECT_FALSE(run.style.underline) << run.text;

  const Table& unruled = *tables[3];
  EXPECT_EQ(unruled.rows, 3);
  EXPECT_EQ(unruled.columns, 3);
  EXPECT_EQ(unruled.headerRows, 0);
  EXPECT_EQ(CellText(unruled, 2, 1), "three");
  EXPECT_EQ(CellText(unruled, 1, 2), "2");
  for (const TableCell& cell : unruled.cells) EXPECT_EQ(cell.top.width + cell.left.width, 0);
}

TEST(TaggedTables, ATableOverTwoPagesIsOneTable) {
  const Document document = Read(testing::RenderedPage("long_table"));
  EXPECT_EQ(Outline(document), "H1 P T P") << testing::DescribeDocument(document);
  const std::vector<const Table*> tables = Tables(document);
  ASSERT_EQ(tables.size(), 1u);
  const Table& table = *tables[0];
  EXPECT_EQ(table.rows, 71);
  EXPECT_EQ(table.columns, 3);
  EXPECT_EQ(table.headerRows, 1);
  EXPECT_EQ(table.cells.size(), 213u);
  EXPECT_EQ(CellText(table, 0, 1), "Name");
  EXPECT_EQ(CellText(table, 70, 1), "Item number 70");
  EXPECT_EQ(CellText(table, 70, 2), "227.50");
  EXPECT_EQ(CellAt(table, 1, 0)->page, 0);
  EXPECT_EQ(CellAt(table, 70, 0)->page, 1);
  EXPECT_EQ(table.rowHeights.size(), 71u);
  for (double height : table.rowHeights) EXPECT_GT(height, 10);
  // The cells of one column line up on both pages.
  EXPECT_NEAR(CellAt(table, 1, 2)->box.x0, CellAt(table, 70, 2)->box.x0, 0.1);
}

TEST(TaggedTables, AFooterAndHeaderAreArtifactsAfterTheirPagesFlow) {
  const Document document = Read(testing::RenderedPage(
      "long_table", {"--header-left", "Left head [page]", "--footer-center", "Page [page] of [topage]"}));
  EXPECT_EQ(Outline(document), "H1 P T A A P A A") << testing::DescribeDocument(document);
  const std::vector<const Paragraph*> artifacts = Paragraphs(document, ParagraphRole::kArtifact);
  ASSERT_EQ(artifacts.size(), 4u);
  EXPECT_EQ(FlowText(*artifacts[0]), "Left head 1");
  EXPECT_EQ(FlowText(*artifacts[1]), "Page 1 of 2");
  EXPECT_EQ(FlowText(*artifacts[3]), "Page 2 of 2");
  EXPECT_EQ(artifacts[2]->page, 1);
  EXPECT_LT(artifacts[0]->box.y1, document.pages[0].textArea.y0);
  EXPECT_GT(artifacts[1]->box.y0, document.pages[0].textArea.y1);
  EXPECT_EQ(artifacts[1]->alignment, Alignment::kCenter);
}

TEST(TaggedTables, APageRangeKeepsTheRowsOnItsPages) {
  const Document document = Read(testing::RenderedPage("long_table"), PageSpan{2, 2});
  ASSERT_EQ(document.pages.size(), 1u);
  const std::vector<const Table*> tables = Tables(document);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0]->rows, 29);
  EXPECT_EQ(tables[0]->headerRows, 0);
  EXPECT_EQ(CellText(*tables[0], 0, 1), "Item number 42");
  EXPECT_EQ(tables[0]->page, 0);
  EXPECT_EQ(Outline(document), "T P");
}

TEST(TaggedPictures, EveryFigureWithItsSizeAndAltText) {
  const Document document = Read(testing::RenderedPage("pictures"));
  EXPECT_EQ(Outline(document), "F H1 P F P F P") << testing::DescribeDocument(document);
  std::vector<const Picture*> pictures;
  for (const Block& block : document.blocks) {
    if (const auto* picture = std::get_if<Picture>(&block)) pictures.push_back(picture);
  }
  ASSERT_EQ(pictures.size(), 3u);
  struct Expected {
    const char* alt;
    bool raster;
    double width, height;  // points: CSS pixels * 0.75
  };
  const Expected expected[] = {
      {"ACME logo", true, 90, 36}, {"Site photograph", true, 270, 180}, {"Sales chart", false, 300, 165}};
  for (size_t i = 0; i < 3; ++i) {
    const Picture& picture = *pictures[i];
    EXPECT_EQ(picture.alt, expected[i].alt);
    EXPECT_EQ(picture.raster, expected[i].raster) << expected[i].alt;
    EXPECT_NEAR(picture.box.width(), expected[i].width, 1) << expected[i].alt;
    EXPECT_NEAR(picture.box.height(), expected[i].height, 1) << expected[i].alt;
    EXPECT_EQ(PngSize(picture.png), std::make_pair(picture.pixelWidth, picture.pixelHeight)) << expected[i].alt;
  }
  // Raster images at their own resolution, the chart at 150 dpi at least.
  EXPECT_EQ(std::make_pair(pictures[0]->pixelWidth, pictures[0]->pixelHeight), std::make_pair(120, 48));
  EXPECT_EQ(std::make_pair(pictures[1]->pixelWidth, pictures[1]->pixelHeight), std::make_pair(360, 240));
  EXPECT_GE(pictures[2]->pixelWidth, 300 * 150 / 72);
  // The chart's labels are part of the picture, not text of the page.
  for (const Block& block : document.blocks) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
      EXPECT_EQ(FlowText(*paragraph).find("Q1"), std::string::npos);
    }
  }
}

TEST(TaggedScripts, RightToLeftAndCjkTextInReadingOrder) {
  const Document document = Read(testing::RenderedPage("scripts"));
  std::vector<std::pair<std::string, bool>> texts;
  for (const Block& block : document.blocks) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block))
      texts.emplace_back(FlowText(*paragraph), paragraph->rightToLeft);
  }
  const std::vector<std::pair<std::string, bool>> expected = {
      {"Mixed scripts", false},
      {"التدويل", true},
      {"التدويل هو عملية تصميم البرامج بحيث يمكن تكييفها مع لغات ومناطق مختلفة دون تغييرات هندسية.", true},
      {"בינאום הוא תהליך של תכנון תוכנה כך שניתן להתאים אותה לשפות שונות.", true},
      {"国际化是设计软件的过程，使其能够适应不同的语言和地区。", false},
      {"国際化とは、ソフトウェアを様々な言語や地域に適応できるように設計することです。", false},
      {"Latin text with an Arabic word العربية in the middle and 2026 at the end.", false},
  };
  EXPECT_EQ(texts, expected);
  // Chromium embeds the CJK fonts as Type 3 fonts without a name: their
  // descriptor still tells the family, a sans one.
  for (const char* cjk : {"国际化", "国際化"}) {
    const TextRun* run = RunWith(document, cjk);
    ASSERT_NE(run, nullptr) << cjk;
    EXPECT_EQ(run->style.fontFamily.rfind("Noto Sans CJK", 0), 0u) << run->style.fontFamily;
    EXPECT_EQ(run->style.kind, FontKind::kSans) << cjk;
  }
  const std::vector<const Table*> tables = Tables(document);
  ASSERT_EQ(tables.size(), 1u);
  const Table& table = *tables[0];
  EXPECT_TRUE(table.rightToLeft);
  EXPECT_EQ(CellText(table, 0, 0), "المدينة");
  EXPECT_EQ(CellText(table, 1, 1), "9,540,000");
  // The first column stands at the right.
  EXPECT_GT(CellAt(table, 0, 0)->box.x0, CellAt(table, 0, 1)->box.x0);
  EXPECT_EQ(CellAt(table, 0, 0)->paragraphs.front().alignment, Alignment::kStart);
  const std::vector<const Paragraph*> headings = Paragraphs(document, ParagraphRole::kHeading);
  ASSERT_EQ(headings.size(), 2u);
  EXPECT_EQ(headings[1]->level, 2);
  EXPECT_EQ(headings[1]->alignment, Alignment::kStart);  // flush right: where right-to-left text starts
  EXPECT_GT(headings[1]->box.x0, document.pages[0].width / 2);
}

}  // namespace
}  // namespace zembra::exporter

namespace zembra::exporter {
namespace {

// The same pages printed without tags go through the layout: what they
// must keep.
TEST(UntaggedTables, TablesFromTheirRulesAndFromAlignedWords) {
  const Document document = Read(testing::UntaggedPage("tables"));
  EXPECT_FALSE(document.tagged);
  EXPECT_EQ(Outline(document), "H1 P T H2 T H2 T H2 T P") << testing::DescribeDocument(document);
  std::vector<std::pair<int, std::string>> headings;
  for (const Paragraph* heading : Paragraphs(document, ParagraphRole::kHeading)) {
    headings.emplace_back(heading->level, FlowText(*heading));
  }
  EXPECT_EQ(
      headings,
      (std::vector<std::pair<int, std::string>>{
          {1, "Invoice 2026-114"}, {2, "Spans"}, {2, "Numbers in several notations"}, {2, "A table without rules"}}));
  const std::vector<const Table*> tables = Tables(document);
  ASSERT_EQ(tables.size(), 4u);
  // The tight row is four cells, the header four columns.
  const Table& invoice = *tables[0];
  EXPECT_EQ(invoice.rows, 5);
  EXPECT_EQ(invoice.columns, 4);
  EXPECT_EQ(invoice.headerRows, 1);
  const std::vector<std::string> header = {"Description", "Unit price", "Quantity", "Amount"};
  const std::vector<std::string> tight = {"Website design", "€34.20", "100", "€3,420.00"};
  for (int c = 0; c < 4; ++c) {
    EXPECT_EQ(CellText(invoice, 0, c), header[static_cast<size_t>(c)]);
    EXPECT_EQ(CellText(invoice, 1, c), tight[static_cast<size_t>(c)]);
  }
  EXPECT_EQ(CellAt(invoice, 4, 0)->columnSpan, 3);
  EXPECT_EQ(CellAt(invoice, 0, 0)->background, (Rgb{0xdd, 0xe6, 0xf0}));
  EXPECT_NEAR(CellAt(invoice, 2, 2)->left.width, 0.75, 0.2);

  const Table& spans = *tables[1];
  EXPECT_EQ(spans.headerRows, 2);
  EXPECT_EQ(CellAt(spans, 0, 0)->rowSpan, 2);
  EXPECT_EQ(CellAt(spans, 0, 1)->columnSpan, 2);
  EXPECT_EQ(CellAt(spans, 3, 3)->columnSpan, 2);
  EXPECT_EQ(CellText(spans, 3, 3), "merged cell");
  EXPECT_EQ(CellText(spans, 4, 4), "(1,204.50)");

  // Rules between the rows only; the heading row above the first rule.
  const Table& numbers = *tables[2];
  EXPECT_EQ(numbers.rows, 8);
  EXPECT_EQ(numbers.columns, 3);
  EXPECT_EQ(CellText(numbers, 0, 2), "Meaning");
  EXPECT_EQ(CellText(numbers, 2, 1), "$ 1,204.50");
  EXPECT_EQ(CellText(numbers, 7, 2), "a code");

  // No rules at all: the words' columns, also in the row set tight.
  const Table& unruled = *tables[3];
  EXPECT_EQ(unruled.rows, 3);
  EXPECT_EQ(unruled.columns, 3);
  EXPECT_EQ(CellText(unruled, 2, 0), "Gamma");
  EXPECT_EQ(CellText(unruled, 2, 1), "three");
  EXPECT_EQ(CellText(unruled, 2, 2), "3");
}

TEST(UntaggedArticle, HeadingsParagraphsListsAndColumnsFromTheLayout) {
  const Document document = Read(testing::UntaggedPage("article"));
  EXPECT_EQ(Outline(document), "H1 P H2 P H3 I1 I1 I2 I2 I1 H3 I1 I1 H4 P H2 P P H2 P")
      << testing::DescribeDocument(document);
  const std::vector<const Paragraph*> items = Paragraphs(document, ParagraphRole::kListItem);
  ASSERT_EQ(items.size(), 7u);
  EXPECT_EQ(items[1]->label, "2.");
  EXPECT_TRUE(items[1]->ordered);
  EXPECT_EQ(FlowText(*items[1]), "Count every nest within two metres.");
  EXPECT_EQ(items[2]->label, "\u25E6");  // drawn as a ring
  EXPECT_EQ(items[5]->label, "\u2022");  // drawn as a disc
  EXPECT_FALSE(items[5]->ordered);
  const std::vector<const Paragraph*> body = Paragraphs(document, ParagraphRole::kBody);
  ASSERT_GE(body.size(), 5u);
  EXPECT_EQ(FlowText(*body[0]).rfind("The survey began", 0), 0u);
  EXPECT_NE(FlowText(*body[0]).find("not as a line each."), std::string::npos);
  EXPECT_EQ(FlowText(*body[3]).rfind("Left column first paragraph.", 0), 0u);
  EXPECT_NE(FlowText(*body[3]).find("while we measured them."), std::string::npos);
  EXPECT_EQ(FlowText(*body[4]).rfind("Right column paragraph.", 0), 0u);
  const TextRun* link = RunWith(document, "survey form");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->style.link, "https://example.org/survey");
}

TEST(UntaggedTables, ATableContinuedOnTheNextPageIsOneTable) {
  const Document document = Read(testing::UntaggedPage("long_table"));
  EXPECT_EQ(Outline(document), "H1 P T P") << testing::DescribeDocument(document);
  const std::vector<const Table*> tables = Tables(document);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0]->rows, 71);
  EXPECT_EQ(tables[0]->headerRows, 1);
  EXPECT_EQ(CellText(*tables[0], 42, 1), "Item number 42");
  EXPECT_EQ(CellAt(*tables[0], 42, 1)->page, 1);
  EXPECT_EQ(CellText(*tables[0], 70, 2), "227.50");
}

TEST(UntaggedTables, RunningHeadersAndFootersAreArtifactsBetweenATablesParts) {
  const Document document = Read(testing::UntaggedPage(
      "long_table", {"--header-left", "Left head [page]", "--footer-center", "Page [page] of [topage]"}));
  EXPECT_EQ(Outline(document), "H1 P T A A P A A") << testing::DescribeDocument(document);
  const std::vector<const Table*> tables = Tables(document);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_EQ(tables[0]->rows, 71);
  const std::vector<const Paragraph*> artifacts = Paragraphs(document, ParagraphRole::kArtifact);
  ASSERT_EQ(artifacts.size(), 4u);
  EXPECT_EQ(FlowText(*artifacts[0]), "Left head 1");
  EXPECT_EQ(FlowText(*artifacts[3]), "Page 2 of 2");
  EXPECT_EQ(artifacts[3]->page, 1);
}

TEST(UntaggedPictures, ImagesAndVectorArtWithTheirText) {
  const Document document = Read(testing::UntaggedPage("pictures"));
  EXPECT_EQ(Outline(document), "F H1 P F P F P") << testing::DescribeDocument(document);
  std::vector<const Picture*> pictures;
  for (const Block& block : document.blocks) {
    if (const auto* picture = std::get_if<Picture>(&block)) pictures.push_back(picture);
  }
  ASSERT_EQ(pictures.size(), 3u);
  EXPECT_EQ(std::make_pair(pictures[0]->pixelWidth, pictures[0]->pixelHeight), std::make_pair(120, 48));
  EXPECT_EQ(std::make_pair(pictures[1]->pixelWidth, pictures[1]->pixelHeight), std::make_pair(360, 240));
  EXPECT_TRUE(pictures[1]->raster);
  EXPECT_FALSE(pictures[2]->raster);
  EXPECT_NEAR(pictures[2]->box.width(), 300, 2);
  EXPECT_NEAR(pictures[2]->box.height(), 165, 2);
  EXPECT_GE(pictures[2]->pixelWidth, 300 * 150 / 72);
  for (const Block& block : document.blocks) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
      EXPECT_EQ(FlowText(*paragraph).find("Q1"), std::string::npos);
    }
  }
}

TEST(UntaggedScripts, ReadingOrderWithoutTags) {
  const Document document = Read(testing::UntaggedPage("scripts"));
  std::vector<std::string> texts;
  for (const Block& block : document.blocks) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) texts.push_back(FlowText(*paragraph));
  }
  ASSERT_EQ(texts.size(), 7u) << testing::DescribeDocument(document);
  EXPECT_EQ(texts[2], "التدويل هو عملية تصميم البرامج بحيث يمكن تكييفها مع لغات ومناطق مختلفة دون تغييرات هندسية.");
  EXPECT_EQ(texts[4], "国际化是设计软件的过程，使其能够适应不同的语言和地区。");
  EXPECT_EQ(texts[6], "Latin text with an Arabic word العربية in the middle and 2026 at the end.");
  const std::vector<const Table*> tables = Tables(document);
  ASSERT_EQ(tables.size(), 1u);
  EXPECT_TRUE(tables[0]->rightToLeft);
  EXPECT_EQ(CellText(*tables[0], 0, 0), "المدينة");
  EXPECT_EQ(CellText(*tables[0], 1, 1), "9,540,000");
}

// The PDFs drawn with cairo are foreign too: no tags, text where cairo put it.
TEST(ForeignPdfs, ATableOfWordsAfterItsTitle) {
  const std::string pdf = testing::TestDirectory() + "/table.pdf";
  testing::MakeTablePdf(pdf);
  const Document document = Read(pdf);
  ASSERT_EQ(document.pages.size(), 2u);
  EXPECT_EQ(Outline(document), "H1 T P") << testing::DescribeDocument(document);
  const std::vector<const Table*> tables = Tables(document);
  ASSERT_EQ(tables.size(), 1u);
  const Table& table = *tables[0];
  ASSERT_EQ(table.rows, 4);
  ASSERT_EQ(table.columns, 4);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(CellText(table, r, c), testing::kTableRows[static_cast<size_t>(r)][static_cast<size_t>(c)])
          << r << "," << c;
    }
  }
  EXPECT_EQ(table.headerRows, 1);  // set in bold
  const std::vector<const Paragraph*> body = Paragraphs(document, ParagraphRole::kBody);
  ASSERT_EQ(body.size(), 1u);
  EXPECT_EQ(body[0]->page, 1);
  EXPECT_EQ(FlowText(*body[0]), "Notes page");
}

TEST(ForeignPdfs, HeadingsByTheirSizeAndParagraphsByTheirSpacing) {
  const std::string pdf = testing::TestDirectory() + "/text.pdf";
  testing::MakeTextPdf(pdf);
  const Document document = Read(pdf);
  ASSERT_EQ(document.pages.size(), 3u);
  EXPECT_EQ(document.title, "Zembra test document");
  const std::vector<const Paragraph*> headings = Paragraphs(document, ParagraphRole::kHeading);
  ASSERT_EQ(headings.size(), 1u) << testing::DescribeDocument(document);
  EXPECT_EQ(FlowText(*headings[0]), "Quarterly Report");
  EXPECT_EQ(headings[0]->level, 1);
  const std::vector<const Paragraph*> body = Paragraphs(document, ParagraphRole::kBody);
  ASSERT_GE(body.size(), 3u) << testing::DescribeDocument(document);
  EXPECT_EQ(FlowText(*body[0]), "The quick brown fox jumps over the lazy dog. Café déjà vu – Ωmega");
  EXPECT_EQ(body[0]->lines.size(), 2u);
  EXPECT_EQ(FlowText(*body.back()), "Third page text");
  EXPECT_EQ(body.back()->page, 2);
}

}  // namespace
}  // namespace zembra::exporter

namespace zembra::exporter {
namespace {

TEST(ForeignPdfs, AShapeAloneIsNoPictureAndAnEncryptedFileReads) {
  // One filled rectangle a page: decoration, left on the page; the pages are there still.
  const std::string shapes = testing::TestDirectory() + "/shapes.pdf";
  testing::MakeShapesPdf(shapes);
  const Document drawn = Read(shapes);
  ASSERT_EQ(drawn.pages.size(), 2u);
  EXPECT_EQ(Outline(drawn), "") << testing::DescribeDocument(drawn);
  EXPECT_DOUBLE_EQ(drawn.pages[1].width, 612);

  const std::string locked = testing::TestDirectory() + "/locked.pdf";
  testing::MakeEncryptedPdf(locked);
  std::string error;
  std::unique_ptr<PdfInput> input = PdfInput::Open(locked, "", "user", error);
  ASSERT_TRUE(input) << error;
  const std::optional<Document> document = ReadDocument(*input, PageSpan{1, 3}, error);
  ASSERT_TRUE(document) << error;
  ASSERT_EQ(document->pages.size(), 3u);
  EXPECT_NE(testing::DescribeDocument(*document).find("Third page text"), std::string::npos);
}

TEST(ReadDocument, APageOutsideTheDocumentIsAnError) {
  std::string error;
  std::unique_ptr<PdfInput> input = PdfInput::Open(testing::RenderedPage("scripts"), "", "", error);
  ASSERT_TRUE(input) << error;
  EXPECT_FALSE(ReadDocument(*input, PageSpan{1, 2}, error));
  EXPECT_EQ(error, "page 2 cannot be read");
}

}  // namespace
}  // namespace zembra::exporter
