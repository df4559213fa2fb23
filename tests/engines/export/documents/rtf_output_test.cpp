#include "engines/export/documents/rtf_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

#include "engines/common/files.h"
#include "tests/engines/export/documents/document_samples.h"
#include "tests/engines/export/documents/office_readback.h"
#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Capture;
using testing::Convert;
using testing::Grid;
using testing::Heading;
using testing::Job;
using testing::kColumnWidth;
using testing::kMargin;
using testing::kPageWidth;
using testing::kRightColumn;
using testing::ListItem;
using testing::Occurrences;
using testing::OfficeConvert;
using testing::Pages;
using testing::RichDocument;
using testing::Png;
using testing::Style;
using testing::TestDirectory;
using testing::Text;
using testing::ZipMember;

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
  EXPECT_EQ(
      rtf.rfind("{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl{\\f0\\fswiss\\fcharset0\\fprq2 DejaVu Sans;}}\n"
                "{\\colortbl;\\red26\\green79\\blue138;}\n{\\stylesheet{\\s0\\snext0 Normal;}",
                0),
      0u)
      << rtf.substr(0, 300);
  // The heading style shows the document's first heading of its level.
  EXPECT_NE(rtf.find("{\\s1\\sbasedon0\\snext0\\keepn\\outlinelevel0\\f0\\fs40\\b\\cf1 heading 1;}"),
            std::string::npos);
  EXPECT_NE(rtf.find("{\\s5\\sbasedon0\\snext0\\keepn\\outlinelevel4\\b heading 5;}"), std::string::npos);
  EXPECT_NE(rtf.find("{\\s7\\sbasedon0\\snext0 caption;}}"), std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\plain\\s1\\outlinelevel0\\keepn\\sb80 {\\f0\\fs40\\b\\cf1 Title}\\f0\\fs40\\b\\cf1\\par"),
            std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\plain\\s2\\outlinelevel1\\keepn"), std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\plain\\s6\\outlinelevel5\\keepn"), std::string::npos);  // six levels at most
  EXPECT_EQ(Occurrences(rtf, "\\outlinelevel"), 6u + 3u);
  EXPECT_NE(rtf.find("{\\info{\\title Notes \\{draft\\}}}"), std::string::npos);
  EXPECT_NE(rtf.find("\\paperw11900\\paperh16840\\margl1120\\margr1120\\margt1120\\margb1080\\viewkind1\n"
                     "\\sectd\\pgwsxn11900\\pghsxn16840\\marglsxn1120\\margrsxn1120\\margtsxn1120\\margbsxn1080\n"),
            std::string::npos);
  EXPECT_EQ(rtf.substr(rtf.size() - 2), "}\n");
}

TEST(RtfDocument, ParagraphPropertiesSayEveryDecisionOfThePlan) {
  Document document = Pages(2);
  Paragraph indented = Text("indented", 0, 100, kMargin + 36);
  indented.lines.push_back(indented.lines[0]);
  indented.lines[1].box.y0 += 16;
  indented.lines[0].box.x0 += 18;
  Paragraph centred = Text("centred", 0, 150, 200, 395);
  centred.alignment = Alignment::kCenter;
  Paragraph rtl = Text("\xD7\x91\xD7\x99\xD7\xAA", 0, 200, 300, kPageWidth - kMargin - 20);
  rtl.rightToLeft = true;
  Paragraph rtlEnd = rtl;
  rtlEnd.alignment = Alignment::kEnd;
  rtlEnd.box.y0 = rtlEnd.lines[0].box.y0 = 220;
  Paragraph justified = Text("justified", 0, 240);
  justified.alignment = Alignment::kJustify;
  Paragraph caption = Text("Table 1", 0, 270);
  caption.role = ParagraphRole::kCaption;
  document.blocks = {indented,
                     centred,
                     rtl,
                     rtlEnd,
                     justified,
                     caption,
                     ListItem("item", 1, "1.", 0, 300),
                     Grid(1, 1, 0, 330),
                     Text("next page", 1, 56)};
  const std::string rtf = RtfDocument(document);
  EXPECT_NE(
      rtf.find("\\pard\\plain\\li720\\fi360\\sb880\\sl320\\slmult0 {\\f0\\fs22 indented indented}\\f0\\fs22\\par"),
      std::string::npos)
      << rtf;
  EXPECT_NE(rtf.find("\\pard\\plain\\qc\\sb"), std::string::npos);
  // Right-to-left text starts on the right: \qr, as LibreOffice and Word read it.
  EXPECT_NE(rtf.find("\\pard\\plain\\rtlpar\\qr\\li400\\lin400\\sb"), std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\plain\\rtlpar\\ql\\sb"), std::string::npos);
  EXPECT_NE(rtf.find("{\\rtlch\\af0\\afs22\\ltrch\\loch\\f0\\fs22 \\u1489?\\u1497?\\u1514?}"), std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\plain\\qj\\sb"), std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\plain\\s7\\sb"), std::string::npos);
  // The list item before the table takes the space above the table below it.
  EXPECT_NE(rtf.find("\\pard\\plain\\ls1\\ilvl0\\li360\\fi-360\\sb"), std::string::npos);
  EXPECT_NE(rtf.find("\\sa336 {\\f0\\fs22 item}\\f0\\fs22\\par\n\\trowd"), std::string::npos);
  EXPECT_NE(rtf.find("{\\*\\listtable\n{\\list\\listtemplateid1\n"), std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\plain\\pagebb {\\f0\\fs22 next page}\\f0\\fs22\\par"), std::string::npos);
  EXPECT_EQ(rtf.find("\\page\n"), std::string::npos);
  EXPECT_TRUE(Balanced(rtf));
}

TEST(RtfDocument, AnEmptyDocumentIsAnEmptyPageOfItsPaper) {
  Document document = Pages(1);
  const std::string rtf = RtfDocument(document);
  EXPECT_TRUE(Balanced(rtf));
  EXPECT_NE(rtf.find("{\\fonttbl{\\f0\\fswiss\\fcharset0\\fprq2 Arial;}}"), std::string::npos);
  EXPECT_NE(rtf.find("\\sectd\\pgwsxn11900\\pghsxn16840"), std::string::npos);
  EXPECT_EQ(rtf.find("\\par"), std::string::npos);
  EXPECT_EQ(rtf.find("listtable"), std::string::npos);
}

TEST(RtfDocument, RunsDoNotTakeTheParagraphMarksLook) {
  Document document = Pages(1);
  Paragraph card = Text("North", 0, 100, kMargin, kMargin + 100, Style(11, true));
  card.lines[0].runs.push_back({" Orders 8529", Style()});
  document.blocks = {card};
  // The mark is in the first run's look, set after the runs: a plain run
  // after a bold one must not inherit its weight from the paragraph.
  EXPECT_NE(RtfDocument(document).find(" {\\f0\\fs22\\b North}{\\f0\\fs22  Orders 8529}\\f0\\fs22\\b\\par\n"),
            std::string::npos);
}

TEST(RtfDocument, ATablesPageBreakGoesOnItsFirstCellAndEmptyCellsTakeItsTextSize) {
  Document document = Pages(2);
  Table table = Grid(2, 2, 1, 56);
  table.cells[3].paragraphs.clear();
  document.blocks = {Text("first", 0, 60), table};
  const std::string rtf = RtfDocument(document);
  EXPECT_EQ(Occurrences(rtf, "\\pagebb"), 1u);
  EXPECT_NE(rtf.find("\\cellx"), std::string::npos);
  EXPECT_LT(rtf.find("\\cellx"), rtf.find("\\pagebb"));
  EXPECT_LT(rtf.find("\\pagebb"), rtf.find("\\cell\n"));
  EXPECT_NE(rtf.find("\\pard\\plain\\intbl\\pagebb {\\f0\\fs18 r0c0}\\f0\\fs18\\cell\n"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\pard\\plain\\intbl\\f0\\fs18 \\cell\n\\row\n"), std::string::npos) << rtf;
}

TEST(RtfDocument, TwoTablesInARowStayTwoTables) {
  Document document = Pages(1);
  document.blocks = {Grid(1, 2, 0, 56), Grid(1, 2, 0, 86)};
  const std::string rtf = RtfDocument(document);
  EXPECT_NE(rtf.find("\\row\n\\pard\\plain\\sl-320\\slmult0\\fs2 \\par\n\\trowd"), std::string::npos) << rtf;
}

TEST(RtfDocument, PicturesAreEmbeddedPngsAtTheirShownSize) {
  Document document = Pages(1);
  document.blocks = {Png(0, {200, 100, 395, 197.5})};
  const std::string rtf = RtfDocument(document);
  const Picture& picture = std::get<Picture>(document.blocks[0]);
  EXPECT_NE(rtf.find("\\pard\\plain\\qc\\sb880 {\\pict{\\*\\picprop{\\sp{\\sn wzDescription}{\\sv Blue \\{box\\}}}}"
                     "\\pngblip\\picw4\\pich2\\picwgoal3900\\pichgoal1950\n89504e47"),
            std::string::npos)
      << rtf.substr(0, 2000);
  // The whole PNG, as hexadecimal digits, lines of 128.
  const size_t start = rtf.find("89504e47");
  std::string hex = rtf.substr(start, rtf.find('}', start) - start);
  EXPECT_EQ(hex.find('\n'), 128u);
  hex.erase(std::remove(hex.begin(), hex.end(), '\n'), hex.end());
  EXPECT_EQ(hex.size(), picture.png.size() * 2);
  EXPECT_EQ(hex.substr(hex.size() - 16), "49454e44ae426082");  // the IEND chunk
  EXPECT_TRUE(Balanced(rtf));
}

TEST(RtfDocument, BlocksSideBySideAreABorderlessRow) {
  Document document = Pages(1);
  document.blocks = {Text("left", 0, 100, kMargin, kMargin + kColumnWidth - 10),
                     Text("right", 0, 100, kRightColumn, kPageWidth - kMargin)};
  const std::string rtf = RtfDocument(document);
  // The row starts the page 44 pt below its top: a thin paragraph keeps that
  // space. 3 pt of the room between the columns is the cells' padding; the
  // left column's lines end where they did on the page, with room to spare.
  EXPECT_NE(rtf.find("\\pard\\plain\\sl-880\\slmult0\\fs2 \\par\n"
                     "\\trowd\\trgaph60\\trleft0\\trpaddl60\\trpaddr60\\trpaddfl3\\trpaddfr3\\trrh264\n"
                     "\\cellx5070\n\\cellx9918\n"
                     "\\pard\\plain\\intbl\\ri428 {\\f0\\fs22 left}\\f0\\fs22\\cell\n"
                     "\\pard\\plain\\intbl {\\f0\\fs22 right}\\f0\\fs22\\cell\n\\row\n"),
            std::string::npos)
      << rtf;
  EXPECT_EQ(rtf.find("\\clbrdr"), std::string::npos);
  EXPECT_EQ(rtf.find("\\sect\\sectd"), std::string::npos);
}

TEST(RtfDocument, SectionsEndOnTheirLastParagraphsMark) {
  Document document = Pages(1);
  document.pages.push_back({842, 595, {40, 40, 802, 555}});
  document.blocks = {Heading("Two columns", 2, 0, 60), Grid(2, 2, 0, 100),
                     Text("right", 0, 100, kRightColumn, kPageWidth - kMargin), Text("below", 0, 300),
                     Text("landscape", 1, 40)};
  const std::string rtf = RtfDocument(document);
  EXPECT_TRUE(Balanced(rtf));
  EXPECT_NE(
      rtf.find("Two columns}\\f0\\fs40\\b\\sect\\sectd\\sbknone\\pgwsxn11900\\pghsxn16840\\marglsxn1120\\margrsxn1120"
               "\\margtsxn1120\\margbsxn1080\\cols2\\colsx480\n\\pard\\plain\\sl-320\\slmult0\\fs2 \\par\n\\trowd"),
      std::string::npos)
      << rtf;
  EXPECT_NE(rtf.find("\\row\n\\column\n"), std::string::npos);
  EXPECT_NE(rtf.find("right}\\f0\\fs22\\sect\\sectd\\sbknone\\pgwsxn11900"), std::string::npos);
  EXPECT_EQ(Occurrences(rtf, "\\cols2"), 1u);
  EXPECT_NE(rtf.find("below}\\f0\\fs22\\sect\\sectd\\sbkpage\\pgwsxn16840\\pghsxn11900\\marglsxn800\\margrsxn800"
                     "\\margtsxn800\\margbsxn760\\lndscpsxn\n"),
            std::string::npos);
  EXPECT_EQ(rtf.find("\\pagebb"), std::string::npos);
}

// The first value of an attribute given in inches, as LibreOffice writes
// the page layout; -1 when there is none.
double Inches(const std::string& xml, const std::string& attribute) {
  std::smatch match;
  if (!std::regex_search(xml, match, std::regex(attribute + "=\"([0-9.]+)in\""))) return -1;
  return std::stod(match[1]);
}

class RtfReadBack : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice");
    const std::string rtf = TestDirectory() + "/document.rtf";
    std::string error;
    ASSERT_TRUE(WriteWholeFile(rtf, RtfDocument(RichDocument()), error)) << error;
    odt_ = OfficeConvert(rtf, "odt");
    ASSERT_FALSE(odt_.empty());
  }
  std::string odt_;
};

TEST_F(RtfReadBack, LibreOfficeSeesHeadingsListsTableMergesPictureLinksAndDirection) {
  const std::string content = ZipMember(odt_, "content.xml");
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
  const std::string content = ZipMember(odt_, "content.xml");
  const std::string styles = ZipMember(odt_, "styles.xml");
  const std::string both = content + styles;
  EXPECT_TRUE(std::regex_search(both, std::regex("<text:list-level-style-number text:level=\"1\"[^>]*"
                                                 "style:num-suffix=\".\"[^>]*style:num-format=\"1\"")))
      << both;
  EXPECT_TRUE(std::regex_search(both, std::regex("<text:list-level-style-bullet text:level=\"2\"[^>]*"
                                                 "text:bullet-char=\"\xE2\x80\xA2\"")));
  // A4 (LibreOffice takes 595 x 842 pt for it) with 56 pt margins, less at the bottom.
  const size_t layout = styles.find("<style:page-layout-properties fo:page-width");
  ASSERT_NE(layout, std::string::npos) << styles;
  const std::string page = styles.substr(layout, styles.find('>', layout) - layout);
  EXPECT_NEAR(Inches(page, "fo:page-width"), 8.268, 0.01) << page;
  EXPECT_NEAR(Inches(page, "fo:page-height"), 11.693, 0.01);
  EXPECT_NEAR(Inches(page, "fo:margin-left"), 0.778, 0.005);
  EXPECT_NEAR(Inches(page, "fo:margin-bottom"), 0.75, 0.005);  // 54 pt: room for taller lines
}

TEST(RtfOutput, AnUntaggedPdfGivesItsTextPageByPage) {
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice");
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/text.pdf";
  testing::MakeTextPdf(pdf);
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, directory + "/text.rtf", 1, 3), error)) << error;
  EXPECT_NE(Capture("file -b '" + directory + "/text.rtf'").find("Rich Text Format"), std::string::npos);
  const std::string content = ZipMember(OfficeConvert(directory + "/text.rtf", "odt"), "content.xml");
  const std::vector<std::string> paragraphs = testing::ParagraphTexts(content);
  ASSERT_GE(paragraphs.size(), 4u) << content;
  EXPECT_EQ(paragraphs.front(), "Quarterly Report");
  EXPECT_NE(content.find("Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x93 \xCE\xA9mega"), std::string::npos);
  EXPECT_EQ(paragraphs[paragraphs.size() - 2], "Second page text");
  EXPECT_EQ(paragraphs.back(), "Third page text");
  // Two paragraphs start a page: those of the second and the third.
  size_t breaks = 0;
  const std::regex style(
      "<style:style style:name=\"([^\"]+)\"[^>]*><style:paragraph-properties[^>]*"
      "fo:break-before=\"page\"");
  for (auto it = std::sregex_iterator(content.begin(), content.end(), style); it != std::sregex_iterator(); ++it) {
    breaks += Occurrences(content, "text:style-name=\"" + (*it)[1].str() + "\"");
  }
  EXPECT_EQ(breaks, 2u) << content;
}

}  // namespace
}  // namespace zembra::exporter
