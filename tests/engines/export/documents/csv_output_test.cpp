#include "engines/export/documents/csv_output.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <memory>

#include "tests/engines/export/documents/sheet_readback.h"
#include "tests/engines/export/documents/test_pdfs.h"
#include "tests/support/engine_check.h"
#include "tests/support/run_program.h"

namespace zembra::exporter {
namespace {

using testing::Capture;
using testing::Convert;
using testing::Job;
using testing::PythonCsvRecords;
using testing::ReadFile;
using testing::RenderedPage;
using testing::TestDirectory;
using Records = std::vector<std::vector<std::string>>;

TEST(CsvField, QuotesOnlyWhatRfc4180Needs) {
  struct Case {
    const char* text;
    const char* field;
  };
  for (const Case& c :
       {Case{"plain", "plain"}, Case{"", ""}, Case{"a,b", "\"a,b\""}, Case{"say \"hi\"", "\"say \"\"hi\"\"\""},
        Case{"two\nlines", "\"two\nlines\""}, Case{"cr\r", "\"cr\r\""}, Case{" padded ", "\" padded \""},
        Case{"caf\xC3\xA9", "caf\xC3\xA9"}}) {
    EXPECT_EQ(CsvField(c.text), c.field) << c.text;
  }
}

TEST(CsvRecords, EveryRecordEndsAsEolSays) {
  struct Case {
    const char* eol;
    const char* text;
  };
  for (const Case& c : {Case{"unix", "a,\"b,c\"\n,d\n\ne\n"}, Case{"dos", "a,\"b,c\"\r\n,d\r\n\r\ne\r\n"},
                        Case{"mac", "a,\"b,c\"\r,d\r\re\r"}, Case{"DOS", "a,\"b,c\"\r\n,d\r\n\r\ne\r\n"},
                        Case{"", "a,\"b,c\"\n,d\n\ne\n"}}) {
    EXPECT_EQ(CsvRecords({{"a", "b,c"}, {"", "d"}, {}, {"e"}}, CsvLineEnd(c.eol)), c.text) << c.eol;
  }
  EXPECT_EQ(CsvRecords({}, "\r\n"), "");
}

SheetCell Field(const std::string& text) {
  SheetCell cell;
  cell.text = text;
  return cell;
}

TEST(CsvNumberText, RealMinusSignsBecomeHyphens) {
  struct Case {
    const char* text;
    const char* field;
  };
  for (const Case& c :
       {Case{"\u221242", "-42"}, Case{"\uFE631.5", "-1.5"}, Case{"\uFF0D7", "-7"}, Case{"\u20AC \u22125", "\u20AC -5"},
        Case{"(1,204.50)", "(1,204.50)"}, Case{"1.234,56 \u20AC", "1.234,56 \u20AC"}, Case{"\u2213", "\u2213"}}) {
    EXPECT_EQ(CsvNumberText(c.text), c.field) << c.text;
  }
}

TEST(CsvOfGrid, AFieldPerTableCellAndOnePerParagraph) {
  SheetGrid grid;
  SheetCell merged = Field("Total");
  merged.columnSpan = 3;
  SheetCell covered;
  covered.covered = true;
  covered.text = "never shown";
  SheetCell negative = Field("\u221242");
  negative.number = ReadCellNumber(negative.text, DecimalMark::kPoint);
  grid.rows = {{Field("Invoice, November")},
               {},
               {merged, covered, covered, Field("\u20AC4,744.38")},
               {Field("two\nlines"), Field(""), Field("say \"hi\""), Field("")},
               {negative, Field("a \u2212 b")}};
  EXPECT_EQ(CsvOfGrid(grid, "\r\n"),
            "\"Invoice, November\"\r\n\r\nTotal,,,\"\u20AC4,744.38\"\r\n\"two\nlines\",,\"say \"\"hi\"\"\",\r\n"
            "-42,a \u2212 b\r\n");
}

TEST(CsvOfGrid, PythonsCsvModuleReadsTheFieldsBackWithEveryLineEnd) {
  SheetGrid grid;
  grid.rows = {
      {Field("a,b"), Field("\"quoted\""), Field("line one\nline two"), Field("")},
      {},
      {Field(" padded "), Field("\u0627\u0644\u0639\u0631\u0628\u064A\u0629"), Field("cr\rin"), Field("plain")}};
  for (const char* eol : {"unix", "dos", "mac"}) {
    const std::string path = TestDirectory() + "/fields.csv";
    std::ofstream(path, std::ios::binary) << CsvOfGrid(grid, CsvLineEnd(eol));
    EXPECT_EQ(PythonCsvRecords(path),
              (Records{{"a,b", "\"quoted\"", "line one\nline two", ""},
                       {},
                       {" padded ", "\u0627\u0644\u0639\u0631\u0628\u064A\u0629", "cr\rin", "plain"}}))
        << eol;
  }
}

// The CSV of a real page, as Python reads it back; the whole file in raw.
Records PageCsv(const std::string& page, std::string* raw = nullptr, const std::string& eol = "unix") {
  const std::string pdf = RenderedPage(page);
  if (pdf.empty()) return {};
  const std::string csv = TestDirectory() + "/" + page + ".csv";
  ExportOptions options = Job(pdf, csv);
  options.text.endOfLine = eol;
  std::string error;
  if (!Convert(options, error)) {
    ADD_FAILURE() << error;
    return {};
  }
  if (raw != nullptr) *raw = ReadFile(csv);
  return PythonCsvRecords(csv);
}

// The records from the one that starts with first, count of them.
Records RecordsFrom(const Records& records, const std::string& first, size_t count) {
  const auto at = std::find_if(records.begin(), records.end(),
                               [&](const std::vector<std::string>& r) { return !r.empty() && r[0] == first; });
  if (at == records.end()) return {};
  return Records(at, at + static_cast<std::ptrdiff_t>(std::min<size_t>(count, records.end() - at)));
}

TEST(CsvOutput, TheInvoiceGivesOneFieldPerTableCell) {
  const Records records = PageCsv("tables");
  EXPECT_EQ(RecordsFrom(records, "Description", 6),
            (Records{{"Description", "Unit price", "Quantity", "Amount"},
                     {"Website design", "\u20AC34.20", "100", "\u20AC3,420.00"},
                     {"Hosting (12 months)", "\u20AC9.99", "12", "\u20AC119.88"},
                     {"Support", "\u20AC1,204.50", "1", "\u20AC1,204.50"},
                     {"Total", "", "", "\u20AC4,744.38"},
                     {}}));
  // Text outside tables: a field per paragraph, in reading order.
  EXPECT_EQ(
      RecordsFrom(records, "Invoice 2026-114", 2),
      (Records{{"Invoice 2026-114"}, {"Items delivered in November, with a ruled table whose header is shaded."}}));
  EXPECT_EQ(records.back(), std::vector<std::string>{"The end of the tables page."});
}

TEST(CsvOutput, SpannedCellsLeaveTheFieldsTheyCoverEmpty) {
  const Records records = PageCsv("tables");
  EXPECT_EQ(RecordsFrom(records, "Region", 5), (Records{{"Region", "2025", "", "2026", ""},
                                                        {"", "H1", "H2", "H1", "H2"},
                                                        {"North", "1,200", "1,350", "1,410", "1,502"},
                                                        {"South", "880", "910", "merged cell", ""},
                                                        {"", "15%", "-4.5%", "0.5", "(1,204.50)"}}));
  EXPECT_EQ(RecordsFrom(records, "Notation", 9),
            (Records{{"Notation", "Value", "Meaning"},
                     {"Decimal comma", "1.234,56 \u20AC", "1234.56 euro"},
                     {"Dollar", "$ 1,204.50", "1204.5 dollar"},
                     {"Percent", "12.5 %", "0.125"},
                     {"Negative", "-42", "minus forty-two"},  // a number: as the workbook shows it
                     {"Pound", "\u00A30.99", "0.99 pound"},
                     {"Plain integer", "2026", "a year"},
                     {"Not a number", "12-34-56", "a code"},
                     {}}));
}

TEST(CsvOutput, ALongTableOverTwoPagesIsOneRunOfRecords) {
  const Records records = PageCsv("long_table");
  const Records table = RecordsFrom(records, "No.", 72);
  ASSERT_EQ(table.size(), 72u);
  EXPECT_EQ(table[0], (std::vector<std::string>{"No.", "Name", "Price"}));
  for (int n = 1; n <= 70; ++n) {
    char price[16];
    std::snprintf(price, sizeof price, "%.2f", n * 3.25);
    EXPECT_EQ(table[static_cast<size_t>(n)],
              (std::vector<std::string>{std::to_string(n), "Item number " + std::to_string(n), price}));
  }
  EXPECT_TRUE(table[71].empty());
  EXPECT_EQ(std::count(records.begin(), records.end(), table[0]), 1) << "the header repeated on page 2";
}

TEST(CsvOutput, RightToLeftTextInLogicalOrder) {
  const Records records = PageCsv("scripts");
  // As the page's source holds them: logical order, the order they are typed in.
  EXPECT_EQ(RecordsFrom(records, "\u0627\u0644\u0645\u062F\u064A\u0646\u0629", 2),
            (Records{{"\u0627\u0644\u0645\u062F\u064A\u0646\u0629", "\u0627\u0644\u0633\u0643\u0627\u0646"},
                     {"\u0627\u0644\u0642\u0627\u0647\u0631\u0629", "9,540,000"}}));
  EXPECT_NE(
      std::find(records.begin(), records.end(),
                std::vector<std::string>{"Latin text with an Arabic word \u0627\u0644\u0639\u0631\u0628\u064A\u0629 "
                                         "in the middle and 2026 at the end."}),
      records.end());
}

TEST(CsvOutput, EolDosEndsEveryRecordWithCrLfAndUnixWithLf) {
  std::string dosText, unixText;
  const Records fromDos = PageCsv("tables", &dosText, "dos");
  const Records fromUnix = PageCsv("tables", &unixText, "unix");
  EXPECT_EQ(fromDos, fromUnix);
  ASSERT_FALSE(fromDos.empty());
  EXPECT_EQ(testing::Occurrences(dosText, "\r\n"), fromDos.size());
  EXPECT_EQ(testing::Occurrences(dosText, "\n"), fromDos.size());
  EXPECT_EQ(testing::Occurrences(unixText, "\r"), 0u);
  EXPECT_EQ(testing::Occurrences(unixText, "\n"), fromUnix.size());
}

TEST(CsvOutput, AnotherEncodingIsWarnedAboutAndUtf8Written) {
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/text.pdf";
  testing::MakeTextPdf(pdf);
  const std::string csv = directory + "/text.csv";
  const zembra::testing::ProgramResult run =
      zembra::testing::RunBuilt("zemexport.lib", {"-call", "-enc", "Latin1", "-l", "1", pdf, csv});
  EXPECT_EQ(run.exitCode, 0) << run.errorOutput;
  EXPECT_NE(run.errorOutput.find("-enc Latin1"), std::string::npos) << run.errorOutput;
  EXPECT_NE(ReadFile(csv).find("Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu"), std::string::npos);
}

// The non-empty fields of records, in order.
std::vector<std::string> Fields(const Records& records) {
  std::vector<std::string> fields;
  for (const std::vector<std::string>& record : records) {
    for (const std::string& field : record) {
      if (!field.empty()) fields.push_back(field);
    }
  }
  return fields;
}

TEST(CsvOutput, AnUntaggedPageKeepsEveryTextInReadingOrder) {
  // Without tags the reader finds tables from the layout as far as it can:
  // each cell's text is a field of its own, in reading order, either way.
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/table.pdf";
  testing::MakeTablePdf(pdf);
  const std::string csv = directory + "/table.Csv";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, csv, 1, 1), error)) << error;
  Records expected = {{"Sales by region"}};
  expected.insert(expected.end(), testing::kTableRows.begin(), testing::kTableRows.end());
  EXPECT_EQ(Fields(PythonCsvRecords(csv)), Fields(expected)) << ReadFile(csv);
}

TEST(CsvOutput, ABrowserPrintedTableWithTightCellsGivesItsCells) {
  // The browser's default table leaves cells barely further apart than words.
  ZEMBRA_REQUIRE_PROGRAM("chromium-headless-shell");
  const std::string directory = TestDirectory();
  std::ofstream(directory + "/table.html")
      << "<html><body style='font-family:sans-serif;font-size:14px'><p>Before the table, a sentence.</p>"
         "<table border='1'><tr><th>Region</th><th>Q1</th><th>Q2</th><th>Note</th></tr>"
         "<tr><td>North</td><td>1,200</td><td>1,350</td><td>steady growth</td></tr>"
         "<tr><td>South \"Main\"</td><td>980</td><td>1,010</td><td>new, shop</td></tr>"
         "<tr><td>East</td><td></td><td>770</td><td>late</td></tr></table></body></html>";
  const std::string pdf = directory + "/table.pdf";
  int status = 0;
  Capture("cd '" + directory +
              "' && timeout 60 chromium-headless-shell --headless --no-sandbox "
              "--no-pdf-header-footer --print-to-pdf=table.pdf table.html >/dev/null 2>&1",
          &status);
  ASSERT_EQ(status, 0);
  const std::string csv = directory + "/table.csv";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, csv, 1, 1), error)) << error;
  Records expected = {{"Before the table, a sentence."}, {}};
  expected.insert(expected.end(), testing::kTableRows.begin(), testing::kTableRows.end());
  EXPECT_EQ(PythonCsvRecords(csv), expected) << ReadFile(csv);
}

TEST(CsvOutput, UnicodeStaysUtf8AndPagesFollowEachOther) {
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/text.pdf";
  testing::MakeTextPdf(pdf);
  const std::string csv = directory + "/text.csv";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, csv, 1, 2), error)) << error;
  const Records records = PythonCsvRecords(csv);
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.front(), std::vector<std::string>{"Quarterly Report"});
  EXPECT_NE(ReadFile(csv).find("Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x93 \xCE\xA9mega\n"), std::string::npos)
      << ReadFile(csv);
  EXPECT_EQ(records.back(), std::vector<std::string>{"Second page text"});
}

TEST(CsvOutput, PagesWithoutTextWriteNothing) {
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/shapes.pdf";
  testing::MakeShapesPdf(pdf);
  std::string error;
  EXPECT_FALSE(Convert(Job(pdf, directory + "/none.csv", 1, 2), error));
  EXPECT_NE(error.find("no text"), std::string::npos) << error;
  EXPECT_EQ(testing::ListDirectory(directory), std::vector<std::string>{"shapes.pdf"});
}

}  // namespace
}  // namespace zembra::exporter
