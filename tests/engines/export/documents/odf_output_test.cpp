#include "engines/export/documents/odf_output.h"

#include <gtest/gtest.h>

#include <regex>

#include "engines/common/files.h"
#include "tests/engines/export/documents/document_samples.h"
#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Grid;
using testing::Heading;
using testing::kMargin;
using testing::ListItem;
using testing::Occurrences;
using testing::OfficeConvert;
using testing::Pages;
using testing::Png;
using testing::RichDocument;
using testing::Style;
using testing::TestDirectory;
using testing::Text;
using testing::ZipMember;

TEST(OdfText, BlanksThatWouldCollapseAreKeptAndMarkupEscaped) {
  struct Case {
    const char* text;
    bool afterSpace;
    const char* odf;
  };
  for (const Case& c : {
           Case{"plain words", false, "plain words"}, Case{"\xE2\x82\xAC 1,204.50", false, "\xE2\x82\xAC 1,204.50"},
           Case{" leading", true, "<text:s/>leading"},  // a paragraph's first blank
           Case{" after", false, " after"}, Case{"two  blanks", false, "two <text:s/>blanks"},
           Case{"a\tb", false, "a<text:tab/>b"}, Case{"line\nnext", false, "line<text:line-break/>next"},
           Case{"<a & \"b\">", false, "&lt;a &amp; &quot;b&quot;&gt;"}, Case{"bell\x07", false, "bell"},
           Case{"bad\xFF"
                "byte \xEF\xBF\xBE",
                false,
                "bad\xEF\xBF\xBD"
                "byte \xEF\xBF\xBD"},  // XML takes neither
       }) {
    bool afterSpace = c.afterSpace;
    EXPECT_EQ(OdfText(c.text, afterSpace), c.odf) << c.text;
  }
  // The state carries over from one run of a paragraph to the next.
  bool afterSpace = false;
  EXPECT_EQ(OdfText("end ", afterSpace), "end ");
  EXPECT_TRUE(afterSpace);
  EXPECT_EQ(OdfText(" start", afterSpace), "<text:s/>start");
  EXPECT_FALSE(afterSpace);
}

TEST(OdfDocument, StylesPagesAndBodyOfAFlatTextDocument) {
  Document document = Pages(1);
  document.title = "Notes & more";
  document.language = "en-GB";
  TextStyle blue = Style(20, true);
  blue.color = {26, 79, 138};
  Paragraph title = Heading("Title", 1, 0, 60);
  title.lines[0].runs[0].style = blue;
  Paragraph mixed = Text("plain ", 0, 100);
  mixed.lines[0].runs.push_back({"bold", Style(11, true)});
  document.blocks = {title, mixed};
  const std::string odf = OdfDocument(document);
  EXPECT_EQ(odf.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document ", 0), 0u);
  EXPECT_NE(odf.find("office:mimetype=\"application/vnd.oasis.opendocument.text\""), std::string::npos);
  EXPECT_NE(odf.find("<dc:title>Notes &amp; more</dc:title><dc:language>en-GB</dc:language>"), std::string::npos);
  EXPECT_NE(odf.find("fo:language=\"en\" fo:country=\"GB\""), std::string::npos);
  EXPECT_NE(odf.find("<style:font-face style:name=\"DejaVu Sans\" svg:font-family=\"&apos;DejaVu Sans&apos;\" "
                     "style:font-family-generic=\"swiss\" style:font-pitch=\"variable\"/>"),
            std::string::npos);
  // The heading style has the first heading's look; the heading its level.
  EXPECT_TRUE(std::regex_search(odf, std::regex("<style:style style:name=\"Heading_20_1\" style:display-name=\"Heading "
                                                "1\"[^>]*style:default-outline-level=\"1\"[^>]*>"
                                                "<style:paragraph-properties fo:keep-with-next=\"always\"/>"
                                                "<style:text-properties style:font-name=\"DejaVu Sans\"[^>]*"
                                                "fo:font-size=\"20pt\"[^>]*fo:font-weight=\"bold\"[^>]*"
                                                "fo:color=\"#1a4f8a\"/>")))
      << odf;
  EXPECT_TRUE(
      std::regex_search(odf, std::regex("<text:h text:style-name=\"P1\" text:outline-level=\"1\">Title</text:h>")));
  EXPECT_TRUE(std::regex_search(odf, std::regex("<style:style style:name=\"P1\" style:family=\"paragraph\" "
                                                "style:parent-style-name=\"Heading_20_1\">")));
  // A run in the paragraph mark's look needs no span; another one does.
  EXPECT_TRUE(std::regex_search(odf, std::regex("<text:p text:style-name=\"P2\">plain <text:span "
                                                "text:style-name=\"T1\">bold</text:span></text:p>")))
      << odf;
  EXPECT_NE(odf.find("<style:page-layout style:name=\"pm1\"><style:page-layout-properties fo:page-width=\"595pt\" "
                     "fo:page-height=\"842pt\" style:print-orientation=\"portrait\" fo:margin-top=\"56pt\" "
                     "fo:margin-bottom=\"54pt\" fo:margin-left=\"56pt\" fo:margin-right=\"56pt\"/>"),
            std::string::npos);
  EXPECT_NE(odf.find("<style:master-page style:name=\"Standard\" style:page-layout-name=\"pm1\"/>"), std::string::npos);
}

TEST(OdfDocument, AnEmptyDocumentHasItsPaperAndNoBody) {
  const std::string odf = OdfDocument(Pages(1));
  EXPECT_NE(odf.find("<office:body><office:text>\n</office:text></office:body>"), std::string::npos) << odf;
  EXPECT_NE(odf.find("fo:page-width=\"595pt\""), std::string::npos);
  EXPECT_EQ(odf.find("<text:list-style"), std::string::npos);
}

TEST(OdfDocument, ListsNestInsideTheirItems) {
  Document document = Pages(1);
  document.blocks = {ListItem("Walk", 1, "1.", 0, 100), ListItem("Occupied", 2, "\xE2\x80\xA2", 0, 116),
                     ListItem("Deep", 4, "a)", 0, 132), ListItem("Count", 1, "2.", 0, 148), Text("after", 0, 170)};
  const std::string odf = OdfDocument(document);
  const size_t start = odf.find("<text:list text:style-name=\"L1\">");
  ASSERT_NE(start, std::string::npos) << odf;
  std::string body = odf.substr(start, odf.find("\n", start) - start);
  body = std::regex_replace(body, std::regex("<text:p [^>]*>"), "<p>");
  EXPECT_EQ(body,
            "<text:list text:style-name=\"L1\"><text:list-item><p>Walk</text:p>"
            "<text:list><text:list-item><p>Occupied</text:p>"
            "<text:list><text:list-item><text:list><text:list-item><p>Deep</text:p></text:list-item></text:list>"
            "</text:list-item></text:list></text:list-item></text:list></text:list-item>"
            "<text:list-item><p>Count</text:p></text:list-item></text:list>");
  EXPECT_NE(odf.find("<text:list-level-style-number text:level=\"1\" style:num-prefix=\"\" style:num-suffix=\".\" "
                     "style:num-format=\"1\" text:start-value=\"1\">"),
            std::string::npos);
  EXPECT_NE(odf.find("<text:list-level-style-bullet text:level=\"2\" text:bullet-char=\"\xE2\x80\xA2\">"),
            std::string::npos);
  EXPECT_NE(odf.find("<text:list-level-style-number text:level=\"4\" style:num-prefix=\"\" style:num-suffix=\")\" "
                     "style:num-format=\"a\""),
            std::string::npos);
  EXPECT_NE(odf.find("fo:text-indent=\"-18pt\" fo:margin-left=\"18pt\"/>"), std::string::npos);
}

TEST(OdfDocument, TablesHaveHeaderRowsSpansAndCoveredCells) {
  Document document = Pages(2);
  Table table = Grid(3, 3, 0, 100);
  table.headerRows = 1;
  table.cells[0].columnSpan = 2;
  table.cells[0].rowSpan = 2;
  table.cells[0].background = Rgb{221, 230, 240};
  table.cells.erase(table.cells.begin() + 1);                           // (0,1)
  table.cells.erase(table.cells.begin() + 2, table.cells.begin() + 4);  // (1,0) and (1,1)
  document.blocks = {Text("before", 0, 60), table, Text("after", 0, 200), Grid(1, 1, 1, 56)};
  const std::string odf = OdfDocument(document);
  EXPECT_EQ(Occurrences(odf, "<table:table "), 2u);
  EXPECT_EQ(Occurrences(odf, "<table:table-header-rows>"), 1u);
  EXPECT_NE(odf.find("<table:table-header-rows><table:table-row"), std::string::npos);
  EXPECT_EQ(Occurrences(odf, "<table:covered-table-cell/>"), 3u);
  EXPECT_NE(odf.find("table:number-columns-spanned=\"2\" table:number-rows-spanned=\"2\""), std::string::npos);
  EXPECT_NE(odf.find("fo:background-color=\"#dde6f0\""), std::string::npos);
  EXPECT_NE(odf.find("fo:border-top=\"0.75pt solid #000000\""), std::string::npos);
  EXPECT_NE(odf.find("<style:table-column-properties style:column-width=\"60pt\"/>"), std::string::npos);
  EXPECT_NE(odf.find("<style:table-row-properties style:min-row-height=\"14pt\"/>"), std::string::npos);
  // The second table starts the next page.
  EXPECT_NE(odf.find("<style:table-properties style:width=\"60pt\" table:align=\"left\" fo:margin-left=\"0pt\" "
                     "fo:break-before=\"page\"/>"),
            std::string::npos)
      << odf;
}

TEST(OdfDocument, RightToLeftParagraphsStartOnTheRight) {
  Document document = Pages(1);
  Paragraph rtl = Text("\xD7\x91\xD7\x99\xD7\xAA", 0, 100, 300, testing::kPageWidth - kMargin - 20);
  rtl.rightToLeft = true;
  Paragraph end = rtl;
  end.alignment = Alignment::kEnd;
  end.box.x1 = end.lines[0].box.x1 = testing::kPageWidth - kMargin;
  document.blocks = {rtl, end};
  const std::string odf = OdfDocument(document);
  // LibreOffice reads the left margin as the start side's, right in right-to-left text.
  EXPECT_NE(odf.find("<style:paragraph-properties fo:margin-left=\"20pt\" fo:margin-top=\"44pt\" "
                     "fo:text-align=\"right\" style:writing-mode=\"rl-tb\"/>"),
            std::string::npos)
      << odf;
  EXPECT_NE(odf.find("fo:text-align=\"left\" style:writing-mode=\"rl-tb\"/>"), std::string::npos);
}

TEST(OdfDocument, PicturesAreEmbeddedWithTheirAlternativeText) {
  Document document = Pages(1);
  document.blocks = {Png(0, {200, 100, 395, 197.5})};
  const std::string odf = OdfDocument(document);
  EXPECT_NE(odf.find("<draw:frame draw:style-name=\"Fr1\" draw:name=\"Picture1\" text:anchor-type=\"as-char\" "
                     "svg:width=\"195pt\" svg:height=\"97.5pt\" draw:z-index=\"0\"><draw:image "
                     "draw:mime-type=\"image/png\"><office:binary-data>iVBORw0KGgo"),
            std::string::npos)
      << odf;
  EXPECT_NE(odf.find("</office:binary-data></draw:image><svg:title>Blue {box}</svg:title>"
                     "<svg:desc>Blue {box}</svg:desc></draw:frame>"),
            std::string::npos);
}

// What LibreOffice makes of our flat ODT: the same read-back as the RTF's,
// and what only ODF carries into it.
class OdfReadBack : public ::testing::Test {
 protected:
  void SetUp() override { ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice"); }
};

TEST_F(OdfReadBack, LibreOfficeKeepsEverythingTheFlowPlanSays) {
  const Document document = RichDocument();
  const std::string fodt = TestDirectory() + "/document.fodt";
  std::string error;
  ASSERT_TRUE(WriteWholeFile(fodt, OdfDocument(document), error)) << error;
  const std::string odt = OfficeConvert(fodt, "odt");
  ASSERT_FALSE(odt.empty());
  const std::string content = ZipMember(odt, "content.xml");
  EXPECT_EQ(Occurrences(content, "<text:h "), 2u) << content;
  EXPECT_EQ(Occurrences(content, "text:outline-level=\"2\""), 1u);
  // Four items, the third one inside the second's nested list.
  EXPECT_EQ(Occurrences(content, "<text:list-item"), 4u);
  EXPECT_TRUE(std::regex_search(content, std::regex("Count</text:p><text:list>(<[^>]*>)*Occupied</text:p>"))) << content;
  EXPECT_EQ(Occurrences(content, "<table:table "), 1u);
  EXPECT_EQ(Occurrences(content, "<table:table-header-rows>"), 1u);
  EXPECT_EQ(Occurrences(content, "<table:covered-table-cell"), 1u);
  EXPECT_EQ(Occurrences(content, "<draw:image"), 1u);
  EXPECT_NE(content.find("<svg:desc>Blue {box}</svg:desc>"), std::string::npos);
  EXPECT_NE(content.find("xlink:href=\"https://example.org/survey\""), std::string::npos);
  EXPECT_NE(content.find("style:writing-mode=\"rl-tb\""), std::string::npos);
  EXPECT_NE(content.find("fo:break-before=\"page\""), std::string::npos);
}

}  // namespace
}  // namespace zembra::exporter
