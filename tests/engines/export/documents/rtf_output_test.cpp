#include "engines/export/documents/rtf_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "engines/common/files.h"

#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Capture;
using testing::Convert;
using testing::Job;
using testing::Occurrences;
using testing::OfficeConvert;
using testing::ReadFile;
using testing::TestDirectory;
using testing::ZipMember;

// Hand-built documents: A4 pages with 56 pt margins all round.
constexpr double kWidth = 595, kHeight = 842, kMargin = 56;
// Two columns 24 pt apart.
constexpr double kColumn = (kWidth - 2 * kMargin - 24) / 2, kRightColumn = kMargin + kColumn + 24;

TextStyle Style(double size = 11, bool bold = false) {
  TextStyle style;
  style.fontFamily = "DejaVu Sans";
  style.size = size;
  style.bold = bold;
  return style;
}

Paragraph Text(const std::string& text, int page, double y0, double x0 = kMargin, double x1 = kWidth - kMargin,
               TextStyle style = Style()) {
  Paragraph paragraph;
  paragraph.page = page;
  paragraph.box = {x0, y0, x1, y0 + style.size * 1.2};
  paragraph.lines.push_back({{{text, style}}, paragraph.box});
  return paragraph;
}

Paragraph Heading(const std::string& text, int level, int page, double y0) {
  Paragraph heading = Text(text, page, y0, kMargin, kMargin + 200, Style(24 - 2 * level, true));
  heading.role = ParagraphRole::kHeading;
  heading.level = level;
  return heading;
}

Paragraph ListItem(const std::string& text, int level, const std::string& label, int page, double y0) {
  Paragraph item = Text(text, page, y0, kMargin + 18 * level);
  item.role = ParagraphRole::kListItem;
  item.level = level;
  item.label = label;
  item.ordered = label != "\xE2\x80\xA2";
  return item;
}

Document Pages(int count) {
  Document document;
  for (int p = 0; p < count; ++p) {
    document.pages.push_back({kWidth, kHeight, {kMargin, kMargin, kWidth - kMargin, kHeight - kMargin}});
  }
  return document;
}

// A table of rows x columns cells of 14 pt rows, 60 pt columns, rows
// running onto the next page after rowsOnFirstPage.
Table Grid(int rows, int columns, int page, double y0, int rowsOnFirstPage = 1000) {
  Table table;
  table.rows = rows;
  table.columns = columns;
  table.page = page;
  table.box = {kMargin, y0, kMargin + 60.0 * columns, y0 + 14.0 * std::min(rows, rowsOnFirstPage)};
  for (int r = 0; r < rows; ++r) {
    const bool later = r >= rowsOnFirstPage;
    const double top = later ? kMargin + 14.0 * (r - rowsOnFirstPage) : y0 + 14.0 * r;
    for (int c = 0; c < columns; ++c) {
      TableCell cell;
      cell.row = r;
      cell.column = c;
      cell.page = page + (later ? 1 : 0);
      cell.box = {kMargin + 60.0 * c, top, kMargin + 60.0 * (c + 1), top + 14};
      cell.top = cell.bottom = cell.left = cell.right = {0.75, {}};
      Paragraph text = Text("r" + std::to_string(r) + "c" + std::to_string(c), cell.page, top + 1, cell.box.x0 + 3,
                            cell.box.x1 - 3, Style(9));
      cell.paragraphs.push_back(text);
      table.cells.push_back(cell);
    }
  }
  return table;
}

// A picture: a real PNG of 4 x 2 pixels.
Picture Png(int page, Box box) {
  static const std::string png = [] {
    const std::string directory = TestDirectory();
    Capture("convert -size 4x2 xc:'#336699' '" + directory + "/p.png'");
    return ReadFile(directory + "/p.png");
  }();
  Picture picture;
  picture.png = png;
  picture.pixelWidth = 4;
  picture.pixelHeight = 2;
  picture.page = page;
  picture.box = box;
  picture.alt = "Blue {box}";
  return picture;
}

bool Balanced(const std::string& rtf) {
  int depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;  // an escaped brace or backslash
    } else if (rtf[i] == '{') {
      ++depth;
    } else if (rtf[i] == '}' && --depth < 0) {
      return false;
    }
  }
  return depth == 0;
}

TEST(RtfSections, MarginsOfTheFullestPageAndANewSectionWherePaperChanges) {
  Document document;
  document.pages = {
      {595, 842, {40, 50, 550, 800}},  // continued by the next page: its bottom counts
      {595, 842, {42, 48, 500, 300}},  // the last A4 page ends early, and ragged
      {842, 595, {0, 0, 0, 0}},        // landscape, empty: nothing to measure
  };
  const std::vector<RtfSection> sections = RtfSections(document);
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[0].firstPage, 0);
  EXPECT_EQ(sections[0].endPage, 2);
  EXPECT_DOUBLE_EQ(sections[0].left, 40);
  EXPECT_DOUBLE_EQ(sections[0].top, 48);
  EXPECT_DOUBLE_EQ(sections[0].right, 40);  // 45 measured: no more than the left margin
  EXPECT_DOUBLE_EQ(sections[0].bottom, 42);
  EXPECT_EQ(sections[1].firstPage, 2);
  EXPECT_DOUBLE_EQ(sections[1].width, 842);
  EXPECT_DOUBLE_EQ(sections[1].left, 72);

  Document single;
  single.pages = {{612, 792, {36, 40, 576, 200}}};  // one short page: the bottom margin is the top's at most
  EXPECT_DOUBLE_EQ(RtfSections(single)[0].bottom, 40);
  EXPECT_EQ(RtfSections(Document{}).size(), 1u);
}

TEST(FindColumns, ReadingOrderGoingBackUpToTheRightStartsAColumn) {
  Document document = Pages(2);
  document.blocks = {
      Heading("Two columns", 2, 0, 60),
      Text("left one", 0, 100, kMargin, kMargin + kColumn - 10),
      Text("left two", 0, 150, kMargin, kMargin + kColumn - 12),
      Text("right one", 0, 100, kRightColumn, kWidth - kMargin),  // back up, to the right
      Text("right two", 0, 150, kRightColumn, kWidth - kMargin - 30),
      Text("full width below", 0, 300),
      Text("next page", 1, 60),
  };
  const std::vector<RtfColumns> columns = FindColumns(document);
  ASSERT_EQ(columns.size(), 1u);
  EXPECT_EQ(columns[0].first, 1u);
  EXPECT_EQ(columns[0].end, 5u);
  EXPECT_EQ(columns[0].breaks, std::vector<size_t>{3});
  EXPECT_NEAR(columns[0].gap, 24, 0.5);

  // Three boxes side by side are three columns.
  Document boxes = Pages(1);
  boxes.blocks = {Text("a", 0, 100, 56, 200), Text("b", 0, 100, 210, 360), Text("c", 0, 100, 370, 520),
                  Text("under", 0, 150)};
  const std::vector<RtfColumns> three = FindColumns(boxes);
  ASSERT_EQ(three.size(), 1u);
  EXPECT_EQ(three[0].breaks, (std::vector<size_t>{1, 2}));
  EXPECT_EQ(three[0].end, 3u);

  // One column, and a block on the next page higher up, are no columns.
  Document plain = Pages(2);
  plain.blocks = {Text("one", 0, 100, 56, 300), Text("two", 0, 120), Text("three", 1, 60, 400, 500)};
  EXPECT_TRUE(FindColumns(plain).empty());
}

TEST(RtfDocument, HeadingsAreStyledParagraphsWithOutlineLevels) {
  Document document = Pages(1);
  document.title = "Notes {draft}";
  TextStyle blue = Style(20, true);
  blue.color = {26, 79, 138};
  Paragraph title = Heading("Title", 1, 0, 60);
  title.lines[0].runs[0].style = blue;
  document.blocks = {title, Heading("Part", 2, 0, 100), Text("Body", 0, 130), Heading("Deep", 9, 0, 160)};
  const std::string rtf = RtfDocument(document);
  EXPECT_TRUE(Balanced(rtf));
  // The heading style shows the document's first heading of its level.
  EXPECT_NE(rtf.find("{\\s1\\sbasedon0\\snext0\\keepn\\outlinelevel0\\f0\\fs40\\b\\cf1 heading 1;}"),
            std::string::npos);
  EXPECT_NE(rtf.find("{\\s5\\sbasedon0\\snext0\\keepn\\outlinelevel4\\b heading 5;}"), std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\plain\\s1\\outlinelevel0\\keepn"), std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\plain\\s2\\outlinelevel1\\keepn"), std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\plain\\s6\\outlinelevel5\\keepn"), std::string::npos);  // six levels at most
  EXPECT_EQ(Occurrences(rtf, "\\outlinelevel"), 6u + 3u);
  EXPECT_NE(rtf.find("{\\info{\\title Notes \\{draft\\}}}"), std::string::npos);
  EXPECT_NE(rtf.find("\\paperw11900\\paperh16840\\margl1120\\margr1120\\margt1120\\margb1120"), std::string::npos);
}

TEST(RtfDocument, PageBreaksWhereTheNextPageStartsButNotInsideOrAfterATableThatRunsOn) {
  Document document = Pages(4);
  Paragraph footer = Text("Page 1", 0, 800);
  footer.role = ParagraphRole::kArtifact;
  document.blocks = {Text("first", 0, 60),        footer,
                     Text("second", 1, 60),       Grid(6, 2, 1, 700, 3),  // rows 3 to 5 on page 3
                     Text("after table", 2, 120), Picture(Png(3, {kMargin, 60, kMargin + 40, 80}))};
  const std::string rtf = RtfDocument(document);
  EXPECT_TRUE(Balanced(rtf));
  EXPECT_EQ(rtf.find("Page 1"), std::string::npos);  // running footers are not the document's text
  EXPECT_EQ(Occurrences(rtf, "\\pagebb"), 2u);
  EXPECT_NE(rtf.find("\\pagebb\\sb80\\f0\\fs22 {\\f0\\fs22 second}"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\pard\\plain\\pagebb\\sb80 {\\pict"), std::string::npos);  // the picture on the fourth page
  EXPECT_EQ(rtf.find("\\page\n"), std::string::npos);
  // The paragraph under the table keeps its distance to the table's last row.
  EXPECT_NE(rtf.find("\\pard\\plain\\sb440\\f0\\fs22 {\\f0\\fs22 after table}"), std::string::npos);
}

TEST(RtfDocument, ATableStartingAPageBreaksBeforeItsFirstCell) {
  Document document = Pages(2);
  document.blocks = {Text("first", 0, 60), Grid(2, 2, 1, 56)};
  const std::string rtf = RtfDocument(document);
  EXPECT_EQ(Occurrences(rtf, "\\pagebb"), 1u);
  EXPECT_LT(rtf.find("\\trowd"), rtf.find("\\pagebb"));
  EXPECT_LT(rtf.find("\\pagebb"), rtf.find("\\cell\n"));
}

TEST(RtfDocument, SpaceAboveATableGoesBelowTheParagraphBeforeAndTwoTablesStayTwo) {
  Document document = Pages(2);
  document.blocks = {Text("above", 0, 60), Grid(1, 2, 0, 100), Grid(1, 2, 0, 130), Grid(1, 2, 1, 56)};
  const std::string rtf = RtfDocument(document);
  // 100 - 73.2 pt below "above"; none in the first row, which keeps its height.
  EXPECT_NE(rtf.find("\\pard\\plain\\sa536\\sb80\\f0\\fs22 {\\f0\\fs22 above}\\par\n\\trowd"), std::string::npos)
      << rtf;
  const std::regex spaceAbove("\\\\sb[0-9]");
  EXPECT_EQ(std::distance(std::sregex_iterator(rtf.begin(), rtf.end(), spaceAbove), std::sregex_iterator()), 1);
  // A thin paragraph between tables, 16 pt high, and one that breaks the page.
  EXPECT_NE(rtf.find("\\row\n\\pard\\plain\\sl-320\\slmult0\\fs2 \\par\n\\trowd"), std::string::npos);
  EXPECT_NE(rtf.find("\\row\n\\pard\\plain\\pagebb\\sl-20\\slmult0\\fs2 \\par\n\\trowd"), std::string::npos);
  EXPECT_EQ(Occurrences(rtf, "\\pagebb"), 1u);
}

TEST(RtfDocument, ParagraphsKeepAlignmentIndentsSpacingAndDirection) {
  Document document = Pages(1);
  Paragraph indented = Text("indented", 0, 100, kMargin + 36);
  indented.lines.push_back(indented.lines[0]);
  indented.lines[1].box.y0 += 16;
  indented.lines[0].box.x0 += 18;  // a first-line indent
  Paragraph centred = Text("centred", 0, 150, 200, 395);
  centred.alignment = Alignment::kCenter;
  Paragraph rtl = Text("\xD7\x91\xD7\x99\xD7\xAA", 0, 200, 300, kWidth - kMargin - 20);
  rtl.rightToLeft = true;
  Paragraph justified = Text("justified", 0, 240);
  justified.alignment = Alignment::kJustify;
  document.blocks = {indented, centred, rtl, justified};
  const std::string rtf = RtfDocument(document);
  EXPECT_NE(rtf.find("\\pard\\plain\\li720\\fi360\\sb880\\sl320\\slmult0\\f0\\fs22 {\\f0\\fs22 indented indented}"),
            std::string::npos)
      << rtf;
  EXPECT_NE(rtf.find("\\pard\\plain\\qc\\sb"), std::string::npos);
  EXPECT_EQ(rtf.find("\\li2880"), std::string::npos);  // a centred paragraph is not indented
  // Right-to-left text starts on the right: \qr, as LibreOffice and Word read it.
  EXPECT_NE(rtf.find("\\pard\\plain\\rtlpar\\qr\\ri400\\sb"), std::string::npos);
  EXPECT_NE(rtf.find("{\\rtlch\\af0\\afs22\\ltrch\\loch\\f0\\fs22 \\u1489?\\u1497?\\u1514?}"), std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\plain\\qj\\sb"), std::string::npos);
}

TEST(RtfDocument, PicturesAreEmbeddedPngsAtTheirShownSize) {
  Document document = Pages(1);
  document.blocks = {Picture(Png(0, {200, 100, 395, 197.5}))};
  const std::string rtf = RtfDocument(document);
  const Picture& picture = std::get<Picture>(document.blocks[0]);
  EXPECT_NE(rtf.find("\\pard\\plain\\qc"), std::string::npos);
  EXPECT_NE(rtf.find("{\\pict{\\*\\picprop{\\sp{\\sn wzDescription}{\\sv Blue \\{box\\}}}}\\pngblip\\picw4\\pich2"
                     "\\picwgoal3900\\pichgoal1950\n89504e47"),
            std::string::npos)
      << rtf.substr(0, 2000);
  // The whole PNG, as hexadecimal digits, lines of 128.
  const size_t start = rtf.find("89504e47");
  std::string hex = rtf.substr(start, rtf.find('}', start) - start);
  hex.erase(std::remove(hex.begin(), hex.end(), '\n'), hex.end());
  EXPECT_EQ(hex.size(), picture.png.size() * 2);
  EXPECT_EQ(hex.substr(hex.size() - 16), "49454e44ae426082");  // the IEND chunk
}

TEST(RtfDocument, ColumnsBecomeASectionWithColumnBreaks) {
  Document document = Pages(1);
  document.blocks = {Heading("Two columns", 2, 0, 60), Text("left", 0, 100, kMargin, kMargin + kColumn - 10),
                     Text("right", 0, 100, kRightColumn, kWidth - kMargin), Text("below", 0, 300)};
  const std::string rtf = RtfDocument(document);
  EXPECT_TRUE(Balanced(rtf));
  // The heading's mark ends the first section; the columns' last one the second.
  EXPECT_NE(rtf.find("Two columns}\\sect\\sectd\\sbknone\\pgwsxn11900"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\cols2\\colsx480\n"), std::string::npos);
  EXPECT_NE(rtf.find("left}\\par\n\\column\n"), std::string::npos);
  EXPECT_NE(rtf.find("right}\\sect\\sectd\\sbknone\\pgwsxn11900"), std::string::npos);
  EXPECT_EQ(Occurrences(rtf, "\\cols2"), 1u);
  // The right column's text is not indented by the width of the left one.
  EXPECT_EQ(rtf.find("\\li5"), std::string::npos);
}

TEST(RtfDocument, ANewPaperSizeIsANewSectionOnANewPage) {
  Document document = Pages(1);
  document.pages.push_back({842, 595, {40, 40, 802, 555}});
  document.blocks = {Text("portrait", 0, 60), Text("landscape", 1, 40)};
  const std::string rtf = RtfDocument(document);
  EXPECT_NE(rtf.find("portrait}\\sect\\sectd\\sbkpage\\pgwsxn16840\\pghsxn11900\\marglsxn800\\margrsxn800"
                     "\\margtsxn800\\margbsxn800\\lndscpsxn\n"),
            std::string::npos)
      << rtf;
  EXPECT_EQ(rtf.find("\\pagebb"), std::string::npos);
}

// The first value of an attribute given in inches, as LibreOffice writes
// the page layout; -1 when there is none.
double Inches(const std::string& xml, const std::string& attribute) {
  std::smatch match;
  if (!std::regex_search(xml, match, std::regex(attribute + "=\"([0-9.]+)in\""))) return -1;
  return std::stod(match[1]);
}

// A document with every kind of block, read back by LibreOffice as ODT.
class RtfReadBack : public ::testing::Test {
 protected:
  void SetUp() override { ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice"); }

  static std::string ContentOf(const Document& document) {
    const std::string rtf = TestDirectory() + "/document.rtf";
    std::string error;
    EXPECT_TRUE(WriteWholeFile(rtf, RtfDocument(document), error)) << error;
    const std::string odt = OfficeConvert(rtf, "odt");
    return odt.empty() ? "" : ZipMember(odt, "content.xml");
  }
};

Document RichDocument() {
  Document document = Pages(2);
  TextStyle red = Style();
  red.color = {178, 34, 34};
  TextStyle link = Style();
  link.link = "https://example.org/survey";
  link.underline = true;
  link.color = {0, 0, 238};
  Paragraph styled = Text("plain ", 0, 120);
  styled.lines[0].runs.push_back({"bold", Style(11, true)});
  styled.lines[0].runs.push_back({" red ", red});
  styled.lines[0].runs.push_back({"survey form", link});
  Table table = Grid(3, 3, 0, 300);
  table.headerRows = 1;
  table.cells[0].columnSpan = 2;
  table.cells.erase(table.cells.begin() + 1);
  table.cells[0].background = Rgb{221, 230, 240};
  Paragraph rtl = Text("\xD7\x91\xD7\x99\xD7\xAA \xD7\xA1\xD7\xA4\xD7\xA8", 1, 200);
  rtl.rightToLeft = true;
  document.blocks = {Heading("Report", 1, 0, 60),
                     styled,
                     Heading("Items", 2, 0, 160),
                     ListItem("Walk", 1, "1.", 0, 190),
                     ListItem("Count", 1, "2.", 0, 206),
                     ListItem("Occupied", 2, "\xE2\x80\xA2", 0, 222),
                     ListItem("Write", 1, "3.", 0, 238),
                     table,
                     Picture(Png(1, {kMargin, 60, kMargin + 80, 100})),
                     rtl};
  return document;
}

TEST_F(RtfReadBack, LibreOfficeSeesHeadingsListsTableMergesPictureLinksAndDirection) {
  const std::string content = ContentOf(RichDocument());
  ASSERT_FALSE(content.empty());
  EXPECT_EQ(Occurrences(content, "<text:h "), 2u) << content;
  EXPECT_EQ(Occurrences(content, "text:outline-level=\"1\""), 1u);
  EXPECT_EQ(Occurrences(content, "text:outline-level=\"2\""), 1u);
  EXPECT_EQ(Occurrences(content, "<text:list-item"), 4u);
  EXPECT_EQ(Occurrences(content, "<table:table "), 1u);
  EXPECT_EQ(Occurrences(content, "<table:table-row"), 3u);
  EXPECT_EQ(Occurrences(content, "table:number-columns-spanned=\"2\""), 1u);
  EXPECT_EQ(Occurrences(content, "<table:covered-table-cell"), 1u);
  EXPECT_EQ(Occurrences(content, "<draw:image"), 1u);
  EXPECT_NE(content.find("xlink:href=\"https://example.org/survey\""), std::string::npos);
  EXPECT_NE(content.find("fo:font-weight=\"bold\""), std::string::npos);
  EXPECT_NE(content.find("fo:color=\"#b22222\""), std::string::npos);
  EXPECT_NE(content.find("fo:background-color=\"#dde6f0\""), std::string::npos);
  EXPECT_NE(content.find("style:writing-mode=\"rl-tb\""), std::string::npos);
  EXPECT_NE(content.find("\xD7\x91\xD7\x99\xD7\xAA \xD7\xA1\xD7\xA4\xD7\xA8"), std::string::npos);  // logical order
  EXPECT_NE(content.find("fo:break-before=\"page\""), std::string::npos);
}

TEST_F(RtfReadBack, NumberedAndBulletedLevelsAndThePaper) {
  const std::string rtf = TestDirectory() + "/lists.rtf";
  std::string error;
  ASSERT_TRUE(WriteWholeFile(rtf, RtfDocument(RichDocument()), error)) << error;
  const std::string odt = OfficeConvert(rtf, "odt");
  ASSERT_FALSE(odt.empty());
  const std::string content = ZipMember(odt, "content.xml");
  const std::string styles = ZipMember(odt, "styles.xml");
  const std::string both = content + styles;
  EXPECT_TRUE(std::regex_search(both, std::regex("<text:list-level-style-number text:level=\"1\"[^>]*"
                                                 "style:num-suffix=\".\"[^>]*style:num-format=\"1\"")))
      << both;
  EXPECT_TRUE(std::regex_search(both, std::regex("<text:list-level-style-bullet text:level=\"2\"[^>]*"
                                                 "text:bullet-char=\"\xE2\x80\xA2\"")));
  // A4 (LibreOffice takes 595 x 842 pt for it) with 56 pt margins.
  const size_t layout = styles.find("<style:page-layout-properties fo:page-width");
  ASSERT_NE(layout, std::string::npos) << styles;
  const std::string page = styles.substr(layout, styles.find('>', layout) - layout);
  EXPECT_NEAR(Inches(page, "fo:page-width"), 8.268, 0.01) << page;
  EXPECT_NEAR(Inches(page, "fo:page-height"), 11.693, 0.01);
  EXPECT_NEAR(Inches(page, "fo:margin-left"), 0.778, 0.005);
  EXPECT_NEAR(Inches(page, "fo:margin-bottom"), 0.778, 0.005);
}

TEST(RtfOutput, ATablePageBecomesATableLibreOfficeSees) {
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice");
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/table.pdf";
  testing::MakeTablePdf(pdf);
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, directory + "/table.rtf", 1, 1), error)) << error;
  EXPECT_NE(Capture("file -b '" + directory + "/table.rtf'").find("Rich Text Format"), std::string::npos);
  const std::string content = ZipMember(OfficeConvert(directory + "/table.rtf", "odt"), "content.xml");
  EXPECT_EQ(Occurrences(content, "<table:table "), 1u) << content;
  EXPECT_EQ(Occurrences(content, "<table:table-cell "), 16u) << content;
  EXPECT_NE(content.find("Sales by region"), std::string::npos);
  EXPECT_NE(content.find("&quot;Main&quot;"), std::string::npos);
}

}  // namespace
}  // namespace zembra::exporter
