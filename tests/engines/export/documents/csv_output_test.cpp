#include "engines/export/documents/csv_output.h"

#include <gtest/gtest.h>

#include <fstream>
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

TEST(CsvField, QuotesOnlyWhatRfc4180Needs) {
  struct Case {
    const char* text;
    const char* field;
  };
  for (const Case& c : {Case{"plain", "plain"}, Case{"", ""}, Case{"a,b", "\"a,b\""},
                        Case{"say \"hi\"", "\"say \"\"hi\"\"\""}, Case{"two\nlines", "\"two\nlines\""},
                        Case{"cr\r", "\"cr\r\""}, Case{" padded ", "\" padded \""},
                        Case{"caf\xC3\xA9", "caf\xC3\xA9"}}) {
    EXPECT_EQ(CsvField(c.text), c.field) << c.text;
  }
}

TEST(CsvRecords, CrlfAfterEveryRecord) {
  EXPECT_EQ(CsvRecords({{"a", "b,c"}, {"", "d"}, {"e"}}), "a,\"b,c\"\r\n,d\r\ne\r\n");
  EXPECT_EQ(CsvRecords({}), "");
}

std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  // A strict reader for what the writer produces: quoted fields, CRLF records.
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        rows.back().back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        rows.back().back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().emplace_back();
    } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.emplace_back(1);
      ++i;
    } else {
      rows.back().back() += c;
    }
  }
  if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
  return rows;
}

TEST(CsvOutput, ATablePageGivesItsCells) {
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/table.pdf";
  testing::MakeTablePdf(pdf);
  const std::string csv = directory + "/table.Csv";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, csv, 1, 1), error)) << error;
  const std::vector<std::vector<std::string>> rows = ParseCsv(ReadFile(csv));
  std::vector<std::vector<std::string>> expected = {{"Sales by region"}};
  expected.insert(expected.end(), testing::kTableRows.begin(), testing::kTableRows.end());
  EXPECT_EQ(rows, expected);
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
  Capture("cd '" + directory + "' && timeout 60 chromium-headless-shell --headless --no-sandbox "
          "--no-pdf-header-footer --print-to-pdf=table.pdf table.html >/dev/null 2>&1", &status);
  ASSERT_EQ(status, 0);
  const std::string csv = directory + "/table.csv";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, csv, 1, 1), error)) << error;
  std::vector<std::vector<std::string>> expected = {{"Before the table, a sentence."}};
  expected.insert(expected.end(), testing::kTableRows.begin(), testing::kTableRows.end());
  EXPECT_EQ(ParseCsv(ReadFile(csv)), expected) << ReadFile(csv);
}

TEST(CsvOutput, UnicodeStaysUtf8AndPagesFollowEachOther) {
  const std::string directory = TestDirectory();
  const std::string pdf = directory + "/text.pdf";
  testing::MakeTextPdf(pdf);
  const std::string csv = directory + "/text.csv";
  std::string error;
  ASSERT_TRUE(Convert(Job(pdf, csv, 1, 2), error)) << error;
  const std::vector<std::vector<std::string>> rows = ParseCsv(ReadFile(csv));
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[2], std::vector<std::string>{"Caf\xC3\xA9 d\xC3\xA9j\xC3\xA0 vu \xE2\x80\x93 \xCE\xA9mega"});
  EXPECT_EQ(rows[3], (std::vector<std::string>{"Left column", "Right column"}));
  EXPECT_EQ(rows[4], std::vector<std::string>{"Second page text"});
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
