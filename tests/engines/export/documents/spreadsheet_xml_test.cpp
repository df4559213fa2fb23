#include "engines/export/documents/spreadsheet_xml.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <fstream>
#include <map>

#include "engines/export/documents/document_model.h"
#include "tests/engines/export/documents/sheet_readback.h"
#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"
#include "tests/support/run_program.h"

namespace zembra::exporter {
namespace {

using testing::FindCell;
using testing::ReadCell;
using testing::ReadSheet;
using testing::TestDirectory;
using Texts = std::vector<std::vector<std::string>>;

TEST(XmlEscape, MarkupCharactersAndControls) {
  EXPECT_EQ(XmlEscape("a<b>&\"c\""), "a&lt;b&gt;&amp;&quot;c&quot;");
  EXPECT_EQ(XmlEscape(std::string("x\x01y\tz", 5)), "xy\tz");
  EXPECT_EQ(XmlEscape("caf\xC3\xA9"), "caf\xC3\xA9");
}

Paragraph Text(const std::string& text, ParagraphRole role = ParagraphRole::kBody) {
  Paragraph paragraph;
  paragraph.role = role;
  paragraph.lines.push_back({{{text, {}}}, {}});
  return paragraph;
}

TableCell Cell(int row, int column, const std::string& text, int rowSpan = 1, int columnSpan = 1, bool header = false) {
  TableCell cell;
  cell.row = row;
  cell.column = column;
  cell.rowSpan = rowSpan;
  cell.columnSpan = columnSpan;
  cell.header = header;
  cell.paragraphs.push_back(Text(text));
  // Header cells centred, numbers at the right, as a browser prints them.
  if (header) cell.paragraphs.back().alignment = Alignment::kCenter;
  else if (std::isdigit(static_cast<unsigned char>(text.back()))) cell.paragraphs.back().alignment = Alignment::kEnd;
  return cell;
}

// A document like the invoice page: a heading, a ruled table with a merged
// total, a table with spans, a column of numbers in every notation.
Document InvoiceDocument() {
  Document document;
  document.title = "Invoice: 2026/114";
  Table invoice;
  invoice.rows = 3;
  invoice.columns = 4;
  invoice.columnWidths = {150, 70, 60, 80};
  invoice.cells = {Cell(0, 0, "Description", 1, 1, true),
                   Cell(0, 1, "Unit price", 1, 1, true),
                   Cell(0, 2, "Quantity", 1, 1, true),
                   Cell(0, 3, "Amount", 1, 1, true),
                   Cell(1, 0, "Website design"),
                   Cell(1, 1, "\u20AC34.20"),
                   Cell(1, 2, "100"),
                   Cell(1, 3, "\u20AC3,420.00"),
                   Cell(2, 0, "Total", 1, 3),
                   Cell(2, 3, "\u20AC4,744.38")};
  Table spans;
  spans.rows = 3;
  spans.columns = 3;
  spans.cells = {Cell(0, 0, "Region", 2, 1, true),
                 Cell(0, 1, "2025", 1, 2, true),
                 Cell(1, 1, "H1", 1, 1, true),
                 Cell(1, 2, "H2", 1, 1, true),
                 Cell(2, 0, "North"),
                 Cell(2, 1, "1,200"),
                 Cell(2, 2, "(1,204.50)")};
  const std::vector<std::pair<std::string, std::string>> notations = {{"Decimal comma", "1.234,56 \u20AC"},
                                                                      {"Dollar", "$ 1,204.50"},
                                                                      {"Percent", "12.5 %"},
                                                                      {"Negative", "\u221242"},
                                                                      {"Pound", "\u00A30.99"},
                                                                      {"Year", "2026"},
                                                                      {"Whole percent", "15%"},
                                                                      {"Code", "12-34-56"}};
  Table numbers;
  numbers.rows = static_cast<int>(notations.size());
  numbers.columns = 2;
  for (int r = 0; r < numbers.rows; ++r) {
    numbers.cells.push_back(Cell(r, 0, notations[static_cast<size_t>(r)].first));
    numbers.cells.push_back(Cell(r, 1, notations[static_cast<size_t>(r)].second));
  }
  document.blocks = {Text("Invoice 2026-114", ParagraphRole::kHeading), invoice, spans, numbers, Text("The end.")};
  return document;
}

// The workbook LibreOffice makes of our spreadsheet of the invoice
// document, as WriteXls has it make one; made once for the tests that read it.
const std::string& InvoiceWorkbook() {
  static const std::string xls = [] {
    const std::string fods = TestDirectory() + "/workbook.fods";
    std::ofstream(fods) << SpreadsheetXml(GridOfDocument(InvoiceDocument()));
    return testing::OfficeConvert(fods, "xls:MS Excel 97");
  }();
  return xls;
}

std::vector<std::pair<std::string, ReadSheet>> SheetsOf(const std::string& xls) {
  if (xls.empty()) return {};
  const std::string ods = testing::OfficeConvert(xls, "ods");
  return ods.empty() ? std::vector<std::pair<std::string, ReadSheet>>{}
                     : testing::ReadSheets(testing::ZipMember(ods, "content.xml"));
}

// The cell below and right of where a text stands.
const ReadCell& At(const ReadSheet& sheet, const std::string& text, int down = 0, int right = 0) {
  static const ReadCell kNone;
  const auto [row, column] = FindCell(sheet, text);
  if (row < 0) {
    ADD_FAILURE() << "no cell holds " << text;
    return kNone;
  }
  const size_t r = static_cast<size_t>(row + down), c = static_cast<size_t>(column + right);
  if (r >= sheet.size() || c >= sheet[r].size()) return kNone;
  return sheet[r][c];
}

// The texts as shown, with "1,234.56 €" as "1.234,56 €": a workbook's number
// format carries no separators of its own, the locale of its reader decides.
Texts Shown(Texts texts) {
  for (std::vector<std::string>& row : texts) {
    for (std::string& text : row) {
      if (text == "1,234.56 \u20AC") text = "1.234,56 \u20AC";
    }
  }
  return texts;
}

class Workbook : public ::testing::Test {
 protected:
  void SetUp() override { ZEMBRA_REQUIRE_PROGRAM("/usr/bin/soffice"); }
};

TEST_F(Workbook, OneSheetNamedAfterTheTitleWithEveryBlockInReadingOrder) {
  const auto sheets = SheetsOf(InvoiceWorkbook());
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(sheets[0].first, "Invoice  2026 114");
  EXPECT_EQ(Shown(testing::SheetTexts(sheets[0].second)),
            (Texts{{"Invoice 2026-114"},
                   {},
                   {"Description", "Unit price", "Quantity", "Amount"},
                   {"Website design", "\u20AC34.20", "100", "\u20AC3,420.00"},
                   {"Total", "~", "~", "\u20AC4,744.38"},
                   {},
                   {"Region", "2025", "~"},
                   {"~", "H1", "H2"},
                   {"North", "1,200", "(1,204.50)"},
                   {},
                   {"Decimal comma", "1.234,56 \u20AC"},
                   {"Dollar", "$ 1,204.50"},
                   {"Percent", "12.5 %"},
                   {"Negative", "-42"},
                   {"Pound", "\u00A30.99"},
                   {"Year", "2026"},
                   {"Whole percent", "15%"},
                   {"Code", "12-34-56"},
                   {},
                   {"The end."}}));
}

TEST_F(Workbook, SpansAreMergedCells) {
  const auto sheets = SheetsOf(InvoiceWorkbook());
  ASSERT_EQ(sheets.size(), 1u);
  const ReadSheet& sheet = sheets[0].second;
  EXPECT_EQ(At(sheet, "Total").columnsSpanned, 3);
  EXPECT_EQ(At(sheet, "Total").rowsSpanned, 1);
  EXPECT_EQ(At(sheet, "Region").rowsSpanned, 2);
  EXPECT_EQ(At(sheet, "Region").columnsSpanned, 1);
  EXPECT_EQ(At(sheet, "2025").columnsSpanned, 2);
  EXPECT_EQ(At(sheet, "H1").columnsSpanned, 1);
}

TEST_F(Workbook, NumbersAreStoredAsNumbersOfTheirKind) {
  const auto sheets = SheetsOf(InvoiceWorkbook());
  ASSERT_EQ(sheets.size(), 1u);
  const ReadSheet& sheet = sheets[0].second;
  struct Case {
    const char* text;
    const char* type;
    double value;
  };
  for (const Case& c :
       {Case{"100", "float", 100}, Case{"\u20AC34.20", "currency", 34.2}, Case{"\u20AC3,420.00", "currency", 3420},
        Case{"\u20AC4,744.38", "currency", 4744.38}, Case{"1,200", "float", 1200}, Case{"(1,204.50)", "float", -1204.5},
        Case{"Decimal comma", "currency", 1234.56}, Case{"Dollar", "currency", 1204.5},
        Case{"Percent", "percentage", 0.125}, Case{"Negative", "float", -42}, Case{"Pound", "currency", 0.99},
        Case{"Year", "float", 2026}, Case{"Whole percent", "percentage", 0.15}}) {
    // A label's value is the cell right of it.
    const bool label = std::isalpha(static_cast<unsigned char>(c.text[0]));
    const ReadCell& cell = At(sheet, c.text, 0, label ? 1 : 0);
    EXPECT_EQ(cell.type, c.type) << c.text;
    EXPECT_NEAR(cell.value.empty() ? NAN : std::stod(cell.value), c.value, 1e-9) << c.text;
  }
  EXPECT_EQ(At(sheet, "\u20AC34.20").currency, "EUR");
  EXPECT_EQ(At(sheet, "Dollar", 0, 1).currency, "USD");
  EXPECT_EQ(At(sheet, "Pound", 0, 1).currency, "GBP");
  for (const char* text : {"12-34-56", "Website design", "2025", "Invoice 2026-114", "Decimal comma"}) {
    EXPECT_EQ(At(sheet, text).type, "string") << text;
  }
}

TEST_F(Workbook, ColumnsAsWideAsTheirText) {
  const std::string xls = InvoiceWorkbook();
  ASSERT_FALSE(xls.empty());
  const std::string ods = testing::OfficeConvert(xls, "ods");
  const std::string content = testing::ZipMember(ods, "content.xml");
  // Column styles in inches; the first columns' in order of the table-column elements.
  std::vector<double> widths;
  for (size_t at = content.find("<table:table-column "); at != std::string::npos && widths.size() < 4;
       at = content.find("<table:table-column ", at + 1)) {
    const std::string tag = content.substr(at, content.find('>', at) - at);
    const size_t nameAt = tag.find("table:style-name=\"") + 18;
    const std::string style = tag.substr(nameAt, tag.find('"', nameAt) - nameAt);
    const size_t styleAt = content.find("style:name=\"" + style + "\"");
    const size_t widthAt = content.find("style:column-width=\"", styleAt) + 20;
    const double inches = std::stod(content.substr(widthAt));
    const size_t repeatAt = tag.find("number-columns-repeated=\"");
    const int repeated = repeatAt == std::string::npos ? 1 : std::stoi(tag.substr(repeatAt + 25));
    for (int k = 0; k < repeated && widths.size() < 4; ++k) widths.push_back(inches * 72);
  }
  ASSERT_EQ(widths.size(), 4u) << content.substr(0, 3000);
  // As wide as their longest text: "Website design" narrower than the
  // page's 150 pt, "€3,420.00" wider than "Amount", "Unit price" wider than "€34.20".
  EXPECT_GT(widths[0], 14 * 5.0);
  EXPECT_LT(widths[0], 14 * 8.0);
  EXPECT_LT(widths[1], 10 * 8.0);
  EXPECT_GT(widths[1], 10 * 5.0);
  EXPECT_GT(widths[3], 9 * 5.0);
  EXPECT_LT(widths[2], widths[0]);
}

// A property of a cell style in a content.xml ("fo:text-align"); "" for none.
std::string StyleProperty(const std::string& content, const std::string& style, const std::string& property) {
  const size_t at = content.find("style:name=\"" + style + "\"");
  if (style.empty() || at == std::string::npos) return "";
  const std::string definition = content.substr(at, content.find("</style:style>", at) - at);
  const size_t found = definition.find(property + "=\"");
  if (found == std::string::npos) return "";
  const size_t value = found + property.size() + 2;
  return definition.substr(value, definition.find('"', value) - value);
}

TEST_F(Workbook, TextIsAlignedAsOnThePage) {
  const std::string xls = InvoiceWorkbook();
  ASSERT_FALSE(xls.empty());
  const std::string content = testing::ZipMember(testing::OfficeConvert(xls, "ods"), "content.xml");
  const ReadSheet sheet = testing::ReadSheets(content).at(0).second;
  const auto align = [&](const std::string& text, int right = 0) {
    return StyleProperty(content, At(sheet, text, 0, right).style, "fo:text-align");
  };
  EXPECT_EQ(align("Description"), "center");
  EXPECT_EQ(align("2025"), "center");
  EXPECT_EQ(align("Website design"), "");
  EXPECT_EQ(align("Invoice 2026-114"), "");
  EXPECT_NE(align("Code", 1), "center");  // "12-34-56": right on the page
  EXPECT_NE(align("Code", 1), "");
  // Merged over two rows: in their middle, as the page shows it.
  EXPECT_EQ(StyleProperty(content, At(sheet, "Region").style, "style:vertical-align"), "middle");
  EXPECT_EQ(StyleProperty(content, At(sheet, "North").style, "style:vertical-align"), "");
}

TEST_F(Workbook, NumbersShowAsThePagePrintedThem) {
  const std::string xls = InvoiceWorkbook();
  ASSERT_FALSE(xls.empty());
  // LibreOffice's CSV of a sheet holds the cells as shown.
  const std::string csv = testing::OfficeConvert(xls, "csv:Text - txt - csv (StarCalc):44,34,76");
  const std::vector<std::vector<std::string>> shown = testing::PythonCsvRecords(csv);
  std::map<std::string, std::string> values;  // label: value as shown
  for (const std::vector<std::string>& record : shown) {
    if (record.size() >= 4 && record[0] == "Website design") {
      EXPECT_EQ(record[3], "\u20AC3,420.00");
    }
    if (record.size() >= 2) values[record[0]] = record[1];
  }
  for (const auto& [label, text] : std::map<std::string, std::string>{{"Dollar", "$ 1,204.50"},
                                                                      {"Percent", "12.5 %"},
                                                                      {"Negative", "-42"},
                                                                      {"Pound", "\u00A30.99"},
                                                                      {"Year", "2026"},
                                                                      {"Whole percent", "15%"}}) {
    EXPECT_EQ(values[label], text) << label;
  }
  EXPECT_EQ(Shown({{values["Decimal comma"]}}), Texts{{"1.234,56 \u20AC"}});
  bool parenthesized = false;
  for (const std::vector<std::string>& record : shown) {
    parenthesized |= record.size() >= 3 && record[2] == "(1,204.50)";
  }
  EXPECT_TRUE(parenthesized);
}

TEST_F(Workbook, RowsPastASheetsLimitGoOnInTheNextSheet) {
  Document document = InvoiceDocument();
  document.title = "Invoice";
  const std::string fods = TestDirectory() + "/long.fods";
  // Sheets of 8 rows: the first ends after the invoice, the second after
  // the spans table and half the numbers, which the third goes on with.
  std::ofstream(fods) << SpreadsheetXml(GridOfDocument(document), 8);
  const auto sheets = SheetsOf(testing::OfficeConvert(fods, "xls:MS Excel 97"));
  ASSERT_EQ(sheets.size(), 3u);
  EXPECT_EQ(sheets[0].first, "Invoice");
  EXPECT_EQ(sheets[1].first, "Invoice (2)");
  EXPECT_EQ(sheets[2].first, "Invoice (3)");
  EXPECT_EQ(Shown(testing::SheetTexts(sheets[0].second)),
            (Texts{{"Invoice 2026-114"},
                   {},
                   {"Description", "Unit price", "Quantity", "Amount"},
                   {"Website design", "\u20AC34.20", "100", "\u20AC3,420.00"},
                   {"Total", "~", "~", "\u20AC4,744.38"}}));
  const ReadSheet& second = sheets[1].second;
  ASSERT_GE(second.size(), 3u);
  EXPECT_EQ(second[0][0].text, "Region");
  EXPECT_EQ(second[0][0].rowsSpanned, 2);
  EXPECT_EQ(second.back()[0].text, "Negative");
  EXPECT_EQ(At(second, "North", 0, 2).value, "-1204.5");
  EXPECT_EQ(sheets[2].second.front()[0].text, "Pound");
  EXPECT_EQ(At(sheets[2].second, "Year", 0, 1).value, "2026");
}

TEST_F(Workbook, ATableWiderThanASheetIsWarnedAbout) {
  const std::string directory = TestDirectory();
  // Two ruled rows of 260 cells, small enough to fit on the page.
  std::string row = "<tr>";
  for (int c = 1; c <= 260; ++c) row += "<td>1</td>";
  row += "</tr>";
  std::ofstream(directory + "/wide.html")
      << "<html><head><style>body{margin:0}table{border-collapse:collapse;font-size:2px}"
         "td{padding:0;border:0.5px solid #000}</style></head><body><table>"
      << row << row << "</table></body></html>";
  const zembra::testing::ProgramResult render =
      zembra::testing::RunBuilt("zemrender.lib", {"--tagged", directory + "/wide.html", directory + "/wide.pdf"});
  ASSERT_EQ(render.exitCode, 0) << render.errorOutput;
  const zembra::testing::ProgramResult run =
      zembra::testing::RunBuilt("zemexport.lib", {"-call", directory + "/wide.pdf", directory + "/wide.xls"});
  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_NE(run.errorOutput.find("a table of 260 columns loses those past the 256th"), std::string::npos)
      << run.errorOutput;
  EXPECT_TRUE(testing::Exists(directory + "/wide.xls"));
}

// The one sheet of the XLS of a real page.
ReadSheet PageSheet(const std::string& page) {
  const std::string pdf = testing::RenderedPage(page);
  if (pdf.empty()) return {};
  const std::string xls = TestDirectory() + "/" + page + ".xls";
  std::string error;
  if (!testing::Convert(testing::Job(pdf, xls), error)) {
    ADD_FAILURE() << error;
    return {};
  }
  const auto sheets = SheetsOf(xls);
  if (sheets.size() != 1) {
    ADD_FAILURE() << sheets.size() << " sheets";
    return {};
  }
  return sheets[0].second;
}

TEST_F(Workbook, TheTablesPageKeepsItsCellsSpansAndNumbers) {
  const ReadSheet sheet = PageSheet("tables");
  ASSERT_FALSE(sheet.empty());
  // The tight invoice row: four cells, three of them numbers.
  EXPECT_EQ(At(sheet, "Website design", 0, 0).type, "string");
  EXPECT_EQ(At(sheet, "Website design", 0, 1).type, "currency");
  EXPECT_EQ(At(sheet, "Website design", 0, 1).value, "34.2");
  EXPECT_EQ(At(sheet, "Website design", 0, 2).value, "100");
  EXPECT_EQ(At(sheet, "Website design", 0, 3).value, "3420");
  EXPECT_EQ(At(sheet, "Total").columnsSpanned, 3);
  EXPECT_EQ(At(sheet, "Total", 0, 3).value, "4744.38");
  EXPECT_EQ(At(sheet, "Region").rowsSpanned, 2);
  EXPECT_EQ(At(sheet, "2026").columnsSpanned, 2);
  EXPECT_EQ(At(sheet, "merged cell").columnsSpanned, 2);
  EXPECT_EQ(At(sheet, "South").rowsSpanned, 2);
  EXPECT_EQ(At(sheet, "15%").type, "percentage");
  EXPECT_EQ(At(sheet, "15%", 0, 3).value, "-1204.5");
  struct Case {
    const char* notation;
    const char* type;
    const char* value;
  };
  for (const Case& c :
       {Case{"Decimal comma", "currency", "1234.56"}, Case{"Dollar", "currency", "1204.5"},
        Case{"Percent", "percentage", "0.125"}, Case{"Negative", "float", "-42"}, Case{"Pound", "currency", "0.99"},
        Case{"Plain integer", "float", "2026"}, Case{"Not a number", "string", ""}}) {
    EXPECT_EQ(At(sheet, c.notation, 0, 1).type, c.type) << c.notation;
    EXPECT_EQ(At(sheet, c.notation, 0, 1).value, c.value) << c.notation;
  }
  EXPECT_EQ(At(sheet, "Gamma", 0, 2).value, "3");
}

TEST_F(Workbook, ALongTableIsOneBlockOverThePageBreak) {
  const ReadSheet sheet = PageSheet("long_table");
  ASSERT_FALSE(sheet.empty());
  const auto [first, column] = FindCell(sheet, "Item number 1");
  ASSERT_GE(first, 1);
  EXPECT_EQ(sheet[static_cast<size_t>(first - 1)][static_cast<size_t>(column)].text, "Name");
  for (int n = 1; n <= 70; ++n) {
    const std::vector<ReadCell>& row = sheet[static_cast<size_t>(first + n - 1)];
    ASSERT_EQ(row.size(), 3u) << n;
    EXPECT_EQ(row[0].value, std::to_string(n));
    EXPECT_EQ(row[1].text, "Item number " + std::to_string(n));
    EXPECT_EQ(row[2].type, "float") << n;
    EXPECT_NEAR(std::stod(row[2].value.empty() ? "0" : row[2].value), n * 3.25, 1e-9) << n;
  }
  int headers = 0;
  for (const std::vector<ReadCell>& row : sheet) headers += !row.empty() && row[0].text == "No.";
  EXPECT_EQ(headers, 1);
}

}  // namespace
}  // namespace zembra::exporter
