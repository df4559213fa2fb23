#include "engines/export/documents/rtf_output.h"

#include <gtest/gtest.h>

#include <cctype>
#include <memory>

#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"

namespace zembra::exporter {
namespace {

using testing::Capture;
using testing::Convert;
using testing::Job;
using testing::ReadFile;
using testing::TestDirectory;

TEST(RtfEscape, EscapesSyntaxAndWritesUnicodeAsSigned16Bit) {
  struct Case {
    const char* text;
    const char* rtf;
  };
  for (const Case& c : {
           Case{"plain text", "plain text"},
           Case{"a\\b{c}", "a\\\\b\\{c\\}"},
           Case{"caf\xC3\xA9", "caf\\u233?"},
           Case{"\xE2\x82\xAC", "\\u8364?"},                       // euro sign
           Case{"\xE4\xB8\xAD", "\\u20013?"},                      // U+4E2D
           Case{"\xEF\xBF\xBD", "\\u-3?"},                         // U+FFFD, past 32767
           Case{"\xF0\x9F\x98\x80", "\\u-10179?\\u-8704?"},        // U+1F600 as a surrogate pair
           Case{"tab\there", "tab\\tab here"},
           Case{"bad\xFF" "byte", "bad\\u-3?byte"},
       }) {
    EXPECT_EQ(RtfEscape(c.text), c.rtf) << c.text;
  }
}

Line MakeLine(std::vector<std::vector<std::string>> cells, double y0, double size, bool bold = false) {
  Line line;
  double x = 72;
  for (const auto& texts : cells) {
    Cell cell;
    cell.x0 = x;
    for (const std::string& text : texts) {
      Word word;
      word.text = text;
      word.x0 = x;
      word.x1 = x + 30;
      word.y0 = y0;
      word.y1 = y0 + size * 1.2;
      word.fontSize = size;
      word.bold = bold;
      cell.words.push_back(word);
      x += 34;
    }
    cell.x1 = x - 4;
    x += 60;
    line.cells.push_back(cell);
  }
  line.x0 = 72;
  line.x1 = x;
  line.y0 = y0;
  line.y1 = y0 + size * 1.2;
  return line;
}

TEST(Paragraphs, CloseLinesOfOneStyleJoinHeadingsAndCellsStandAlone) {
  PageText page;
  page.lines = {MakeLine({{"Heading"}}, 80, 20, true), MakeLine({{"first", "line"}}, 120, 11),
                MakeLine({{"second", "line"}}, 134, 11), MakeLine({{"far", "below"}}, 200, 11),
                MakeLine({{"cell"}, {"cell"}}, 214, 11)};
  const auto paragraphs = Paragraphs(page);
  ASSERT_EQ(paragraphs.size(), 4u);
  EXPECT_EQ(paragraphs[0].size(), 1u);
  EXPECT_EQ(paragraphs[1].size(), 2u);
  EXPECT_EQ(paragraphs[2].size(), 1u);
  EXPECT_EQ(paragraphs[3].size(), 1u);
}

TEST(Paragraphs, AShortLineEndsItsParagraph) {
  // Prose to the right edge, its short last line, then list items.
  PageText page;
  const auto line = [](double y0, double width) {
    Line made = MakeLine({{"words"}}, y0, 11);
    made.x0 = 72;
    made.x1 = 72 + width;
    return made;
  };
  page.lines = {line(100, 460), line(114, 455), line(128, 120), line(142, 150), line(156, 140)};
  const auto paragraphs = Paragraphs(page);
  ASSERT_EQ(paragraphs.size(), 3u);
  EXPECT_EQ(paragraphs[0].size(), 3u);
  EXPECT_EQ(paragraphs[1].size(), 1u);
  EXPECT_EQ(paragraphs[2].size(), 1u);
}

TEST(RtfDocument, PaperSizesBoldTabsAndPageBreaks) {
  PageText first;
  first.width = 595;
  first.height = 842;
  first.lines = {MakeLine({{"Title"}}, 80, 20, true), MakeLine({{"Name"}, {"Value"}}, 120, 11)};
  PageText second = first;
  second.lines = {MakeLine({{"More"}}, 80, 9.5)};
  second.lines[0].cells[0].words[0].font = FontKind::kMono;
  const std::string rtf = RtfDocument({first, second});
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi", 0), 0u);
  EXPECT_NE(rtf.find("\\paperw11900\\paperh16840"), std::string::npos);
  EXPECT_NE(rtf.find("{\\fs40\\b Title}\\par"), std::string::npos);
  EXPECT_NE(rtf.find("\\trowd\\trgaph60\\cellx"), std::string::npos);
  EXPECT_NE(rtf.find("\\pard\\intbl\\plain\\f0\\fs22 Name\\cell\n\\pard\\intbl\\plain\\f0\\fs22 Value\\cell\n\\row\n"),
            std::string::npos);
  EXPECT_NE(rtf.find("\\page\n\\pard\\plain\\f0\\sa120 {\\f2\\fs19 More}\\par"), std::string::npos);
  EXPECT_NE(rtf.find("{\\f2\\fmodern\\fcharset0 Courier New;}"), std::string::npos);
  EXPECT_EQ(rtf.back(), '\n');
  EXPECT_EQ(std::count(rtf.begin(), rtf.end(), '{'), std::count(rtf.begin(), rtf.end(), '}'));
}

TEST(RtfOutput, LibreOfficeReadsTheTextBack) {
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice");
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/text.pdf";
  testing::MakeTextPdf(pdf);
  const std::string rtf = directory + "/text.rtf";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, rtf, 1, 3), error)) << error;
  EXPECT_NE(Capture("file -b '" + rtf + "'").find("Rich Text Format"), std::string::npos);

  int status = 0;
  Capture("cd '" + directory + "' && timeout 120 /usr/bin/soffice " + testing::OfficeProfileArgument() +
              " --headless --norestore --convert-to 'txt:Text (encoded):UTF8' --outdir back text.rtf >/dev/null 2>&1",
          &status);
  ASSERT_EQ(status, 0);
  const std::string text = ReadFile(directory + "/back/text.txt");
  EXPECT_NE(text.find("Quarterly Report"), std::string::npos) << text;
  EXPECT_NE(text.find("The quick brown fox jumps over the lazy dog. Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x93 "
                      "\xCE\xA9mega"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("Left column\nRight column"), std::string::npos) << text;  // a row of two cells
  EXPECT_LT(text.find("Second page text"), text.find("Third page text"));
}

TEST(RtfOutput, ATablePageBecomesATableLibreOfficeSees) {
  ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice");
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/table.pdf";
  testing::MakeTablePdf(pdf);
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, directory + "/table.rtf", 1, 1), error)) << error;
  int status = 0;
  Capture("cd '" + directory + "' && timeout 120 /usr/bin/soffice " + testing::OfficeProfileArgument() +
              " --headless --norestore --convert-to html --outdir back table.rtf >/dev/null 2>&1",
          &status);
  ASSERT_EQ(status, 0);
  const std::string html = ReadFile(directory + "/back/table.html");
  size_t cells = 0;
  for (size_t at = html.find("<td"); at != std::string::npos; at = html.find("<td", at + 1)) ++cells;
  EXPECT_EQ(cells, 16u) << html;
  // The text without markup, blanks collapsed: everything in page order.
  std::string plain;
  bool inTag = false;
  for (char c : html.substr(html.find("<body"))) {
    if (c == '<') inTag = true;
    if (!inTag) {
      const bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
      if (!blank || (!plain.empty() && plain.back() != ' ')) plain += blank ? ' ' : c;
    }
    if (c == '>') {
      inTag = false;
      if (!plain.empty() && plain.back() != ' ') plain += ' ';  // a tag parts words
    }
  }
  EXPECT_NE(plain.find("Sales by region Region Q1 Q2 Note North 1,200 1,350 steady growth South &quot;Main&quot; "
                       "980 1,010 new, shop East 770 late"),
            std::string::npos)
      << plain;
}

}  // namespace
}  // namespace zembra::exporter
