#include "engines/export/documents/spreadsheet_xml.h"

#include <gtest/gtest.h>

namespace zembra::exporter {
namespace {

TEST(CellNumber, PlainNumbersOnly) {
  struct Case {
    const char* text;
    std::optional<double> value;
  };
  for (const Case& c : {Case{"980", 980}, Case{"-3.5", -3.5}, Case{"+7", 7}, Case{"1,200", 1200},
                        Case{"12,345,678.25", 12345678.25}, Case{"0", 0}, Case{"0.75", 0.75},
                        Case{"007", std::nullopt}, Case{"12,34", std::nullopt}, Case{"1,2345", std::nullopt},
                        Case{",100", std::nullopt}, Case{"1.", std::nullopt}, Case{"1.2.3", std::nullopt},
                        Case{"96.4 %", std::nullopt}, Case{"ORD-100", std::nullopt}, Case{"", std::nullopt},
                        Case{"-", std::nullopt}, Case{"1234567890123456", std::nullopt}}) {
    EXPECT_EQ(CellNumber(c.text), c.value) << c.text;
  }
}

TEST(XmlEscape, MarkupCharactersAndControls) {
  EXPECT_EQ(XmlEscape("a<b>&\"c\""), "a&lt;b&gt;&amp;&quot;c&quot;");
  EXPECT_EQ(XmlEscape(std::string("x\x01y\tz", 5)), "xy\tz");
  EXPECT_EQ(XmlEscape("caf\xC3\xA9"), "caf\xC3\xA9");
}

Line OneCellLine(const char* text, double y) {
  Word word;
  word.text = text;
  word.x0 = 72;
  word.x1 = 120;
  word.y0 = y;
  word.y1 = y + 12;
  word.fontSize = 10;
  Cell cell;
  cell.words = {word};
  cell.x0 = 72;
  cell.x1 = 120;
  Line line;
  line.cells = {cell};
  line.y0 = y;
  line.y1 = y + 12;
  return line;
}

TEST(SpreadsheetXml, OneNamedSheetPerPageWithTypedCells) {
  PageText first, empty;
  first.lines = {OneCellLine("Total", 100), OneCellLine("1,200.50", 120)};
  const std::string xml = SpreadsheetXml({first, empty}, 4);
  EXPECT_NE(xml.find("<table:table table:name=\"Page 4\">"), std::string::npos);
  EXPECT_NE(xml.find("<table:table table:name=\"Page 5\">\n<table:table-row><table:table-cell/></table:table-row>"),
            std::string::npos);
  EXPECT_NE(xml.find("office:value-type=\"string\"><text:p>Total</text:p>"), std::string::npos);
  EXPECT_NE(xml.find("office:value-type=\"float\" office:value=\"1200.5\"><text:p>1,200.50</text:p>"),
            std::string::npos);
  // Its look: grouped thousands, two decimals.
  EXPECT_NE(xml.find("number:decimal-places=\"2\" number:grouping=\"true\""), std::string::npos);
}

}  // namespace
}  // namespace zembra::exporter
