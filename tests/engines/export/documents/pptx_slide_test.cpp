#include "engines/export/documents/pptx_slide.h"

#include <gtest/gtest.h>

#include <cmath>
#include <regex>
#include <set>

#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"
#include "tests/support/run_program.h"

namespace zembra::exporter {
namespace {

using testing::Occurrences;

TextStyle Style(double size, bool bold = false, const std::string& link = "") {
  TextStyle style;
  style.fontFamily = "DejaVu Sans";
  style.size = size;
  style.bold = bold;
  style.link = link;
  style.underline = !link.empty();  // as browsers show links
  return style;
}

// A line on the page given, or on its paragraph's first page.
TextLine Line(Box box, std::vector<TextRun> runs, int page = -1) {
  TextLine line;
  line.box = box;
  line.runs = std::move(runs);
  line.page = page;
  return line;
}

Paragraph Para(int page, std::vector<TextLine> lines, ParagraphRole role = ParagraphRole::kBody) {
  Paragraph paragraph;
  paragraph.role = role;
  paragraph.page = page;
  paragraph.lines = std::move(lines);
  for (TextLine& line : paragraph.lines) {
    if (line.page < 0) line.page = page;
  }
  paragraph.box = paragraph.lines.front().box;
  for (const TextLine& line : paragraph.lines) {
    if (line.page != page) continue;
    paragraph.box.x0 = std::min(paragraph.box.x0, line.box.x0);
    paragraph.box.x1 = std::max(paragraph.box.x1, line.box.x1);
    paragraph.box.y1 = std::max(paragraph.box.y1, line.box.y1);
  }
  return paragraph;
}

Picture Pic(int page, Box box, const std::string& alt) {
  Picture picture;
  picture.page = page;
  picture.box = box;
  picture.alt = alt;
  picture.png = "\x89PNG fake";
  picture.pixelWidth = 10;
  picture.pixelHeight = 10;
  return picture;
}

// Two pages: a heading, a paragraph running from the foot of page 1 to the
// top of page 2, a right-to-left and a centred paragraph, a picture, and a
// table of one cell with a caption, a paragraph and a picture.
Document TwoPages() {
  Document document;
  document.pages = {{612, 792, {72, 72, 540, 720}}, {612, 792, {72, 72, 540, 720}}};
  TextStyle heading = Style(20, true);
  heading.color = {0x1f, 0x4e, 0x79};
  Paragraph title = Para(0, {Line({72, 80, 300, 106}, {{"Title & <more>", heading}})}, ParagraphRole::kHeading);
  title.level = 1;
  document.blocks.emplace_back(title);
  TextStyle italic = Style(11);
  italic.italic = true;
  Paragraph flowing = Para(
      0, {Line({72, 740, 400, 754}, {{"Runs over ", Style(11)}, {"two", italic}}),
          Line({72, 756, 380, 770},
               {{"pages with ", Style(11)}, {"a link", Style(11, false, "https://example.org/a b?q=\xC3\xA9")}}),
          Line({72, 72, 200, 86}, {{"the same link", Style(11, false, "https://example.org/a b?q=\xC3\xA9")}}, 1)});
  flowing.alignment = Alignment::kJustify;
  document.blocks.emplace_back(flowing);
  Paragraph arabic =
      Para(0, {Line({300, 200, 540, 214}, {{"\xD8\xA7\xD9\x84\xD8\xAA\xD8\xAF\xD9\x88\xD9\x8A\xD9\x84", Style(12)}})});
  arabic.rightToLeft = true;
  document.blocks.emplace_back(arabic);
  Paragraph centred = Para(0, {Line({250, 230, 362, 244}, {{"Centred", Style(12)}})});
  centred.alignment = Alignment::kCenter;
  document.blocks.emplace_back(centred);
  document.blocks.emplace_back(Pic(0, {72, 400, 192, 448}, "Logo <ACME>"));
  Table table;
  table.rows = table.columns = 1;
  table.page = 0;
  table.box = {72, 500, 300, 600};
  table.caption = Para(0, {Line({72, 484, 200, 496}, {{"Table 1", Style(10)}})}, ParagraphRole::kCaption);
  TableCell cell;
  cell.box = table.box;
  cell.paragraphs.push_back(Para(0, {Line({76, 504, 200, 516}, {{"In a cell", Style(10)}})}));
  cell.pictures.push_back(Pic(0, {76, 520, 140, 580}, ""));
  table.cells.push_back(cell);
  document.blocks.emplace_back(table);
  return document;
}

std::string TextOf(const TextPiece& piece) {
  std::string text;
  for (const TextLine* line : piece.lines) {
    for (const TextRun& run : line->runs) text += run.text;
    text += "|";
  }
  return text;
}

TEST(ContentByPage, EveryParagraphAndPictureOnItsPagesInReadingOrder) {
  const Document document = TwoPages();
  const std::vector<PageContent> pages = ContentByPage(document);
  ASSERT_EQ(pages.size(), 2u);
  std::vector<std::string> first;
  for (const TextPiece& piece : pages[0].texts) first.push_back(TextOf(piece));
  EXPECT_EQ(first, (std::vector<std::string>{"Title & <more>|", "Runs over two|pages with a link|",
                                             "\xD8\xA7\xD9\x84\xD8\xAA\xD8\xAF\xD9\x88\xD9\x8A\xD9\x84|", "Centred|",
                                             "Table 1|", "In a cell|"}));
  ASSERT_EQ(pages[1].texts.size(), 1u);
  EXPECT_EQ(TextOf(pages[1].texts[0]), "the same link|");
  // The piece on each page has the extent of its own lines.
  EXPECT_EQ(pages[0].texts[1].box, (Box{72, 740, 400, 770}));
  EXPECT_EQ(pages[1].texts[0].box, (Box{72, 72, 200, 86}));
  EXPECT_EQ(pages[1].texts[0].paragraph, pages[0].texts[1].paragraph);
  ASSERT_EQ(pages[0].pictures.size(), 2u);
  EXPECT_EQ(pages[0].pictures[0]->alt, "Logo <ACME>");
  EXPECT_EQ(pages[0].pictures[1]->box, (Box{76, 520, 140, 580}));
  EXPECT_TRUE(pages[1].pictures.empty());
}

TEST(ContentByPage, LinesOnTheirPagesAndNothingOutsideTheDocument) {
  Document document;
  document.pages.resize(3, {612, 792, {}});
  document.blocks.emplace_back(
      Para(1, {Line({72, 700, 300, 714}, {{"a", Style(11)}}), Line({72, 716, 300, 730}, {{"b", Style(11)}}),
               Line({72, 72, 300, 86}, {{"c", Style(11)}}, 2), Line({72, 88, 300, 102}, {{"d", Style(11)}}, 2)}));
  // A paragraph running off the document's last page keeps what is on it.
  document.blocks.emplace_back(
      Para(2, {Line({72, 740, 300, 754}, {{"kept", Style(11)}}), Line({72, 72, 300, 86}, {{"lost", Style(11)}}, 3)}));
  document.blocks.emplace_back(Para(7, {Line({72, 72, 300, 86}, {{"lost", Style(11)}})}));
  document.blocks.emplace_back(Pic(-1, {0, 0, 10, 10}, "lost"));
  const std::vector<PageContent> pages = ContentByPage(document);
  ASSERT_EQ(pages.size(), 3u);
  EXPECT_TRUE(pages[0].texts.empty());
  ASSERT_EQ(pages[1].texts.size(), 1u);
  ASSERT_EQ(pages[2].texts.size(), 2u);
  EXPECT_EQ(TextOf(pages[1].texts[0]), "a|b|");
  EXPECT_TRUE(pages[1].texts[0].opens);
  EXPECT_EQ(TextOf(pages[2].texts[0]), "c|d|");
  EXPECT_FALSE(pages[2].texts[0].opens);
  EXPECT_EQ(pages[2].texts[0].box, (Box{72, 72, 300, 102}));
  EXPECT_EQ(TextOf(pages[2].texts[1]), "kept|");
  for (const PageContent& page : pages) EXPECT_TRUE(page.pictures.empty());
}

TEST(CutoutsOf, TheLinesAndPicturesOfThePage) {
  const Document document = TwoPages();
  const std::vector<PageContent> pages = ContentByPage(document);
  const BackgroundCutouts first = CutoutsOf(pages[0]);
  EXPECT_EQ(first.text.size(), 7u);  // 1 + 2 + 1 + 1 + caption 1 + cell 1
  EXPECT_EQ(first.text[2], (Box{72, 756, 380, 770}));
  EXPECT_EQ(first.pictures, (std::vector<Box>{{72, 400, 192, 448}, {76, 520, 140, 580}}));
  // The lines with underlined runs, whose printed underlines go.
  EXPECT_EQ(first.underlined, (std::vector<Box>{{72, 756, 380, 770}}));
  const BackgroundCutouts second = CutoutsOf(pages[1]);
  EXPECT_EQ(second.text, (std::vector<Box>{{72, 72, 200, 86}}));
  EXPECT_EQ(second.underlined, second.text);
  EXPECT_TRUE(second.pictures.empty());
}

TEST(SetPrinted, BaselinesTakenInAndSidewaysLinesLeftToTheBackground) {
  Document document = TwoPages();
  std::vector<PageContent> pages = ContentByPage(document);
  PrintedLine sideways;
  sideways.sideways = true;
  PrintedLine at100, at750;
  at100.baseline = 100;
  at750.baseline = 750;
  // Heading; the flowing paragraph's two lines; the Arabic line; the rest
  // not reported.
  SetPrinted(pages[0], {at100, sideways, at750, sideways});
  ASSERT_EQ(pages[0].texts.size(), 5u);  // the Arabic line went
  EXPECT_EQ(pages[0].texts[0].baselines, std::vector<double>{100});
  ASSERT_EQ(pages[0].texts[1].lines.size(), 1u);
  EXPECT_EQ(TextOf(pages[0].texts[1]), "pages with a link|");
  EXPECT_EQ(pages[0].texts[1].box, (Box{72, 756, 380, 770}));
  EXPECT_EQ(pages[0].texts[1].baselines, std::vector<double>{750});
  EXPECT_FALSE(pages[0].texts[1].opens);  // its first line is not shown
  EXPECT_EQ(TextOf(pages[0].texts[2]), "Centred|");
  ASSERT_EQ(pages[0].texts[2].baselines.size(), 1u);
  EXPECT_TRUE(std::isnan(pages[0].texts[2].baselines[0]));
}

TEST(BuildSlide, PlacedByThePrintedBaselinesWhenKnown) {
  Document document = TwoPages();
  std::vector<PageContent> pages = ContentByPage(document);
  PrintedLine at100, at750, at766;
  at100.baseline = 100;
  at750.baseline = 750;
  at766.baseline = 766;
  SetPrinted(pages[0], {at100, at750, at766});
  const std::string xml = BuildSlide(pages[0], PlacePage(SlideSizeFor(612, 792), 612, 792), {}, "").xml;
  // A line's cell ends a fifth of its size below its baseline: the
  // heading's (20 pt) at 104, the paragraph's (11 pt) at 768.2, a pitch of
  // 16 pt above 752.2 for the first.
  const auto emu = [](double points) { return std::to_string(std::lround(points * kEmuPerPoint)); };
  EXPECT_NE(xml.find("<a:off x=\"914400\" y=\"" + emu(80) + "\"/><a:ext cx=\"2895600\" cy=\"" + emu(24) + "\"/>"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<a:off x=\"914400\" y=\"" + emu(736.2) + "\"/><a:ext cx=\"4165600\" cy=\"" + emu(32) + "\"/>"),
            std::string::npos)
      << xml;
  EXPECT_NE(xml.find("<a:spcPts val=\"1600\"/>"), std::string::npos);
}

class BuildSlideTest : public ::testing::Test {
 protected:
  void SetUp() override {
    pages_ = ContentByPage(document_);
    media_.background = "../media/page1.png";
    media_.pictures = {"../media/page1-picture1.png", "../media/page1-picture2.png"};
    slide_ = BuildSlide(pages_[0], PlacePage(SlideSizeFor(612, 792), 612, 792), media_, "en-GB");
  }

  // The XML of each shape of the slide, front to back.
  std::vector<std::string> Shapes() const {
    std::vector<std::string> shapes;
    const std::string& xml = slide_.xml;
    for (size_t at = xml.find("<p:"); at != std::string::npos; at = xml.find("<p:", at + 1)) {
      for (const std::string kind : {"sp", "pic"}) {
        if (xml.compare(at, kind.size() + 4, "<p:" + kind + ">") != 0) continue;
        const size_t end = xml.find("</p:" + kind + ">", at) + kind.size() + 5;
        shapes.push_back(xml.substr(at, end - at));
        at = end - 1;
      }
    }
    return shapes;
  }

  Document document_ = TwoPages();
  std::vector<PageContent> pages_;
  SlideMedia media_;
  SlideParts slide_;
};

TEST_F(BuildSlideTest, WellFormedPartsThatLibreOfficeAndStrictReadersAccept) {
  ZEMBRA_REQUIRE_PROGRAM("xmllint");
  for (const std::string& part : {slide_.xml, slide_.relationships}) {
    const zembra::testing::ProgramResult lint =
        zembra::testing::RunProgram({"xmllint", "--noout", "-"}, "", {}, 60, part);
    EXPECT_EQ(lint.exitCode, 0) << lint.errorOutput;
  }
  // Every shape id once.
  std::set<std::string> ids;
  const std::regex id("<p:cNvPr id=\"(\\d+)\"");
  size_t count = 0;
  for (auto it = std::sregex_iterator(slide_.xml.begin(), slide_.xml.end(), id); it != std::sregex_iterator(); ++it) {
    ids.insert((*it)[1]);
    ++count;
  }
  EXPECT_EQ(ids.size(), count);
  EXPECT_EQ(count, 1u + 3u + 6u);  // the tree, background and two pictures, six text boxes
  // Every relationship the slide names exists.
  const std::regex named("r:(?:embed|id)=\"(rId\\d+)\"");
  for (auto it = std::sregex_iterator(slide_.xml.begin(), slide_.xml.end(), named); it != std::sregex_iterator();
       ++it) {
    EXPECT_NE(slide_.relationships.find("Id=\"" + (*it)[1].str() + "\""), std::string::npos) << (*it)[1];
  }
}

TEST_F(BuildSlideTest, BackgroundThenPicturesThenTextInReadingOrder) {
  const std::vector<std::string> shapes = Shapes();
  ASSERT_EQ(shapes.size(), 9u);
  EXPECT_NE(shapes[0].find("name=\"Page background\""), std::string::npos);
  EXPECT_NE(shapes[0].find("<a:off x=\"0\" y=\"0\"/><a:ext cx=\"7772400\" cy=\"10058400\"/>"), std::string::npos);
  EXPECT_NE(shapes[0].find("noMove=\"1\""), std::string::npos);
  EXPECT_NE(shapes[1].find("descr=\"Logo &lt;ACME&gt;\""), std::string::npos);
  EXPECT_NE(shapes[1].find("<a:off x=\"914400\" y=\"5080000\"/><a:ext cx=\"1524000\" cy=\"609600\"/>"),
            std::string::npos);
  EXPECT_EQ(shapes[2].find("descr="), std::string::npos);
  const char* texts[] = {
      "Title &amp; &lt;more&gt;", "Runs over ", "\xD8\xA7\xD9\x84\xD8\xAA", "Centred", "Table 1", "In a cell"};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(shapes[3 + i].rfind("<p:sp>", 0), 0u);
    EXPECT_NE(shapes[3 + i].find(texts[i]), std::string::npos) << i;
  }
  EXPECT_NE(shapes[3].find("name=\"Heading 1\""), std::string::npos);
  EXPECT_NE(shapes[7].find("name=\"Caption 9\""), std::string::npos);
  // The relationships: layout, background, pictures in order, one hyperlink.
  EXPECT_NE(slide_.relationships.find("Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                                      "relationships/image\" Target=\"../media/page1.png\""),
            std::string::npos);
  EXPECT_NE(slide_.relationships.find("Id=\"rId4\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                                      "relationships/image\" Target=\"../media/page1-picture2.png\""),
            std::string::npos);
}

TEST_F(BuildSlideTest, TextBoxesAtTheirPlaceWithTheirLook) {
  const std::vector<std::string> shapes = Shapes();
  ASSERT_EQ(shapes.size(), 9u);
  const std::string& heading = shapes[3];
  EXPECT_NE(heading.find("<a:off x=\"914400\" y=\"1016000\"/><a:ext cx=\"2895600\" cy=\"330200\"/>"),
            std::string::npos);
  EXPECT_NE(heading.find("wrap=\"none\""), std::string::npos);  // lines break where they were printed, only there
  EXPECT_NE(heading.find("<a:rPr lang=\"en-GB\" sz=\"2000\" b=\"1\" i=\"0\" dirty=\"0\"><a:solidFill>"
                         "<a:srgbClr val=\"1F4E79\"/></a:solidFill><a:latin typeface=\"DejaVu Sans\"/>"
                         "<a:ea typeface=\"DejaVu Sans\"/><a:cs typeface=\"DejaVu Sans\"/></a:rPr>"
                         "<a:t>Title &amp; &lt;more&gt;</a:t>"),
            std::string::npos);
  EXPECT_EQ(Occurrences(heading, "<a:br>"), 0u);
  // The paragraph's two lines on this page: one break, their pitch (16 pt)
  // as the line spacing, italic kept.
  const std::string& flowing = shapes[4];
  EXPECT_EQ(Occurrences(flowing, "<a:br>"), 1u);
  EXPECT_NE(flowing.find("<a:lnSpc><a:spcPts val=\"1600\"/></a:lnSpc>"), std::string::npos);
  // Justified: lines broken as printed are stretched to the frame, the
  // paragraph's last is not.
  EXPECT_NE(flowing.find("<a:pPr algn=\"just\">"), std::string::npos);
  EXPECT_NE(flowing.find("i=\"1\""), std::string::npos);
  EXPECT_NE(flowing.find("b=\"0\" i=\"0\" u=\"sng\""), std::string::npos);
  EXPECT_NE(flowing.find("<a:t>Runs over </a:t></a:r><a:r><a:rPr lang=\"en-GB\" sz=\"1100\" b=\"0\" i=\"1\""),
            std::string::npos);
  EXPECT_EQ(flowing.find("the same link"), std::string::npos);
  // Right to left: the base direction and the alignment to the right, the
  // text in logical order as the model holds it.
  const std::string& arabic = shapes[5];
  EXPECT_NE(arabic.find("<a:pPr algn=\"r\" rtl=\"1\">"), std::string::npos);
  EXPECT_NE(arabic.find("<a:t>\xD8\xA7\xD9\x84\xD8\xAA\xD8\xAF\xD9\x88\xD9\x8A\xD9\x84</a:t>"), std::string::npos);
  EXPECT_NE(shapes[6].find("<a:pPr algn=\"ctr\">"), std::string::npos);
  EXPECT_NE(shapes[3].find("<a:pPr algn=\"l\">"), std::string::npos);
}

TEST_F(BuildSlideTest, LinksAreExternalRelationshipsOncePerTarget) {
  const std::regex click("<a:hlinkClick r:id=\"(rId\\d+)\"/>");
  std::smatch found;
  ASSERT_TRUE(std::regex_search(slide_.xml, found, click));
  EXPECT_NE(slide_.relationships.find("Id=\"" + found[1].str() +
                                      "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
                                      "hyperlink\" Target=\"https://example.org/a%20b?q=%C3%A9\" "
                                      "TargetMode=\"External\""),
            std::string::npos)
      << slide_.relationships;
  // The next page shows the same link: its slide has a relationship of its own.
  const SlideParts next = BuildSlide(pages_[1], PlacePage(SlideSizeFor(612, 792), 612, 792), {}, "");
  EXPECT_EQ(Occurrences(next.relationships, "TargetMode=\"External\""), 1u);
  EXPECT_EQ(next.xml.find("Page background"), std::string::npos);
  EXPECT_EQ(next.xml.find("lang="), std::string::npos);
  EXPECT_EQ(Occurrences(slide_.relationships, "TargetMode=\"External\""), 1u);
}

TEST(BuildSlide, ScaledWithThePageAndTextCleanedForXml) {
  Document document;
  document.pages = {{1224, 1584, {}}};
  TextStyle style;  // no family: a generic one
  style.kind = FontKind::kMono;
  style.size = 20;
  document.blocks.emplace_back(Para(0, {Line({100, 200, 300, 230}, {{"  a\x01"
                                                                     "b\nc \xFF"
                                                                     "d  ",
                                                                     style},
                                                                    {"   ", style},
                                                                    {"", style}})}));
  document.blocks.emplace_back(Para(0, {Line({100, 300, 300, 330}, {{"   ", style}})}));
  const std::vector<PageContent> pages = ContentByPage(document);
  // A page twice the slide's size is shown at half size, centred.
  SlideSize slide{7772400, 10058400};
  Placement placement = PlacePage(slide, 1224, 1584);
  placement.offsetX = 1000;
  const SlideParts parts = BuildSlide(pages[0], placement, {}, "");
  EXPECT_NE(parts.xml.find("<a:off x=\"636000\" y=\"1270000\"/><a:ext cx=\"1270000\" cy=\"190500\"/>"),
            std::string::npos)
      << parts.xml;
  EXPECT_NE(parts.xml.find("sz=\"1000\""), std::string::npos);
  EXPECT_NE(parts.xml.find("typeface=\"Courier New\""), std::string::npos);
  // Blanks at the line's ends dropped, a control character too, a line
  // break a blank, a stray byte the replacement character.
  EXPECT_NE(parts.xml.find("<a:t>ab c \xEF\xBF\xBD"
                           "d</a:t>"),
            std::string::npos)
      << parts.xml;
  // A paragraph of blanks gets no box.
  EXPECT_EQ(Occurrences(parts.xml, "<p:sp>"), 1u);
}

TEST(BuildSlide, SizesAndSpacingsWithinWhatTheFormatAllows) {
  Document document;
  document.pages = {{14400, 14400, {}}};
  TextStyle tiny, huge;
  tiny.size = 0.5;
  huge.size = 9000;
  document.blocks.emplace_back(Para(0, {Line({10, 10, 100, 11}, {{"tiny", tiny}})}));
  document.blocks.emplace_back(
      Para(0, {Line({10, 100, 9000, 9100}, {{"huge", huge}}), Line({10, 9200, 9000, 14300}, {{"far", huge}})}));
  const std::vector<PageContent> pages = ContentByPage(document);
  const SlideParts parts = BuildSlide(pages[0], PlacePage(SlideSizeFor(612, 792), 612, 792), {}, "");
  EXPECT_NE(parts.xml.find("sz=\"100\""), std::string::npos);     // 1 pt at least
  EXPECT_NE(parts.xml.find("sz=\"400000\""), std::string::npos);  // 4000 pt at most
  EXPECT_NE(parts.xml.find("<a:spcPts val=\"158400\"/>"), std::string::npos);
}

Paragraph Item(const std::string& label, bool rightToLeft = false) {
  Paragraph item = Para(
      0, {Line({100, 100, 300, 114}, {{"Item text", Style(10)}}), Line({100, 116, 250, 130}, {{"goes on", Style(10)}})},
      ParagraphRole::kListItem);
  item.label = label;
  item.rightToLeft = rightToLeft;
  return item;
}

TEST(BulletOf, LabelsThatBulletsShowAsPrinted) {
  const std::pair<const char*, const char*> cases[] = {
      {"\xE2\x80\xA2", "<a:buFontTx/><a:buChar char=\"\xE2\x80\xA2\"/>"},    // disc
      {" \xE2\x97\xA6 ", "<a:buFontTx/><a:buChar char=\"\xE2\x97\xA6\"/>"},  // circle, blanks around
      {"-", "<a:buFontTx/><a:buChar char=\"-\"/>"},
      {"1.", "<a:buFontTx/><a:buAutoNum type=\"arabicPeriod\"/>"},
      {"12.", "<a:buFontTx/><a:buAutoNum type=\"arabicPeriod\" startAt=\"12\"/>"},
      {"3)", "<a:buFontTx/><a:buAutoNum type=\"arabicParenR\" startAt=\"3\"/>"},
      {"c.", "<a:buFontTx/><a:buAutoNum type=\"alphaLcPeriod\" startAt=\"3\"/>"},
      {"B)", "<a:buFontTx/><a:buAutoNum type=\"alphaUcParenR\" startAt=\"2\"/>"},
      {"iv.", "<a:buFontTx/><a:buAutoNum type=\"romanLcPeriod\" startAt=\"4\"/>"},
      {"XII.", "<a:buFontTx/><a:buAutoNum type=\"romanUcPeriod\" startAt=\"12\"/>"},
      {"MCMXC.", "<a:buFontTx/><a:buAutoNum type=\"romanUcPeriod\" startAt=\"1990\"/>"},
      {"\"", "<a:buFontTx/><a:buChar char=\"&quot;\"/>"},
      // Left to the background: no bullet shows these.
      {"", nullptr},
      {"1.2.", nullptr},
      {"(1)", nullptr},
      {"Step 1:", nullptr},
      {"ab.", nullptr},
      {"x", nullptr},
      {"\xE2\x86\x92\xE2\x86\x92", nullptr},
  };
  for (const auto& [label, xml] : cases) {
    const std::optional<ListBullet> bullet = BulletOf(Item(label));
    if (xml == nullptr) {
      EXPECT_FALSE(bullet) << label;
      continue;
    }
    ASSERT_TRUE(bullet) << label;
    EXPECT_EQ(bullet->xml, xml);
    // About the label and a blank of a 10 pt face.
    EXPECT_GT(bullet->indent, 7) << label;
    EXPECT_LT(bullet->indent, 10 * (0.8 * static_cast<double>(std::string(label).size()) + 1)) << label;
  }
  EXPECT_FALSE(BulletOf(Item("1.", true)));  // right to left: its label stays printed
  Paragraph body = Item("1.");
  body.role = ParagraphRole::kBody;
  EXPECT_FALSE(BulletOf(body));
}

TEST(BuildSlide, AListItemsLabelIsItsBulletHangingBeforeTheText) {
  Document document;
  document.pages = {{612, 792, {}}, {612, 792, {}}};
  Paragraph item = Item("2.");
  // Its last line on the next page: no bullet there.
  item.lines.push_back(Line({100, 72, 200, 86}, {{"and ends here", Style(10)}}, 1));
  document.blocks.emplace_back(item);
  const std::vector<PageContent> pages = ContentByPage(document);
  ASSERT_EQ(pages[1].texts.size(), 1u);
  const Placement placement = PlacePage(SlideSizeFor(612, 792), 612, 792);
  const std::string first = BuildSlide(pages[0], placement, {}, "").xml;
  const ListBullet bullet = *BulletOf(item);
  const long indent = std::lround(bullet.indent * kEmuPerPoint);
  // The frame starts where the bullet does, the text where it was printed.
  EXPECT_NE(first.find("<a:off x=\"" + std::to_string(1270000 - indent) + "\""), std::string::npos) << first;
  EXPECT_NE(first.find("marL=\"" + std::to_string(indent) + "\" indent=\"-" + std::to_string(indent) + "\""),
            std::string::npos)
      << first;
  EXPECT_NE(first.find("<a:buAutoNum type=\"arabicPeriod\" startAt=\"2\"/></a:pPr>"), std::string::npos);
  EXPECT_EQ(first.find("<a:buNone/>"), std::string::npos);
  const std::string second = BuildSlide(pages[1], placement, {}, "").xml;
  EXPECT_NE(second.find("<a:buNone/>"), std::string::npos);
  EXPECT_NE(second.find("<a:off x=\"1270000\""), std::string::npos);
  // The printed label is left out of the background before the first line
  // only.
  const BackgroundCutouts cutouts = CutoutsOf(pages[0]);
  ASSERT_EQ(cutouts.pictures.size(), 1u);
  EXPECT_LT(cutouts.pictures[0].x0, 100 - bullet.indent);
  EXPECT_LT(cutouts.pictures[0].x1, 100);
  EXPECT_GT(cutouts.pictures[0].x1, 99);
  EXPECT_EQ(cutouts.pictures[0].y0, 100);
  EXPECT_EQ(cutouts.pictures[0].y1, 114);
  EXPECT_TRUE(CutoutsOf(pages[1]).pictures.empty());
}

TEST(ExternalLinkTarget, URIsWithASchemeEscapedAsURIs) {
  const std::pair<const char*, const char*> cases[] = {
      {"https://example.org/", "https://example.org/"},
      {"HTTP://Example.org/a?b=1&c=[2]#top", "HTTP://Example.org/a?b=1&c=[2]#top"},
      {"https://example.org/a b", "https://example.org/a%20b"},
      {"https://example.org/caf\xC3\xA9", "https://example.org/caf%C3%A9"},
      {"https://example.org/\"<x>\"|{}", "https://example.org/%22%3Cx%3E%22%7C%7B%7D"},
      {"https://example.org/50%25", "https://example.org/50%25"},
      {"mailto:someone@example.org", "mailto:someone@example.org"},
      {"file:///tmp/page.html", "file:///tmp/page.html"},
      {"#section-2", ""},
      {"relative/page.html", ""},
      {"", ""},
      {":nothing", ""},
      {"1http://x", ""},
      {"java script:alert(1)", ""},
      {"javascript:alert(1)", ""},
      {"JavaScript:alert(1)", ""},
      {"data:text/html,hi", ""},
  };
  for (const auto& [link, target] : cases) EXPECT_EQ(ExternalLinkTarget(link), target) << link;
}

}  // namespace
}  // namespace zembra::exporter
