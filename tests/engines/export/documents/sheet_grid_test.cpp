#include "engines/export/documents/sheet_grid.h"

#include <gtest/gtest.h>

namespace zembra::exporter {
namespace {

Paragraph Text(const std::string& text, ParagraphRole role = ParagraphRole::kBody, int page = 0) {
  Paragraph paragraph;
  paragraph.role = role;
  paragraph.page = page;
  paragraph.lines.push_back({{{text, {}}}, {}});
  return paragraph;
}

TableCell Cell(int row, int column, const std::string& text, int rowSpan = 1, int columnSpan = 1) {
  TableCell cell;
  cell.row = row;
  cell.column = column;
  cell.rowSpan = rowSpan;
  cell.columnSpan = columnSpan;
  if (!text.empty()) cell.paragraphs.push_back(Text(text));
  return cell;
}

TableCell HeaderCell(int row, int column, const std::string& text) {
  TableCell cell = Cell(row, column, text);
  cell.header = true;
  return cell;
}

// A table of rows of texts, every cell its own, on a page, 100 pt columns.
Table Rows(const std::vector<std::vector<std::string>>& rows, int page = 0, int headerRows = 0) {
  Table table;
  table.page = page;
  table.rows = static_cast<int>(rows.size());
  table.columns = static_cast<int>(rows.front().size());
  table.headerRows = headerRows;
  table.columnWidths.assign(static_cast<size_t>(table.columns), 100);
  for (int r = 0; r < table.rows; ++r) {
    for (int c = 0; c < table.columns; ++c) {
      const std::string& text = rows[static_cast<size_t>(r)][static_cast<size_t>(c)];
      table.cells.push_back(r < headerRows ? HeaderCell(r, c, text) : Cell(r, c, text));
    }
  }
  return table;
}

// The grid's texts, row by row; "~" for a covered cell.
std::vector<std::vector<std::string>> Texts(const SheetGrid& grid) {
  std::vector<std::vector<std::string>> rows;
  for (const std::vector<SheetCell>& row : grid.rows) {
    std::vector<std::string>& texts = rows.emplace_back();
    for (const SheetCell& cell : row) texts.push_back(cell.covered ? "~" : cell.text);
  }
  return rows;
}

using Grid = std::vector<std::vector<std::string>>;

TEST(GridOfDocument, ReadingOrderWithTablesSetApartAndNothingOutsideTheFlow) {
  Document document;
  document.blocks.emplace_back(Text("Invoice", ParagraphRole::kHeading));
  document.blocks.emplace_back(Text("Items delivered."));
  document.blocks.emplace_back(Text("Page 1 of 2", ParagraphRole::kArtifact));
  document.blocks.emplace_back(Rows({{"Description", "Amount"}, {"Design", "3,420.00"}}, 0, 1));
  document.blocks.emplace_back(Picture());
  document.blocks.emplace_back(Text("Thank you."));
  document.blocks.emplace_back(Rows({{"a", "b", "c"}}));
  document.blocks.emplace_back(Rows({{"d"}}));
  Paragraph item = Text("First point", ParagraphRole::kListItem);
  item.label = "1.";
  document.blocks.push_back(item);
  Paragraph nested = Text("Nested point", ParagraphRole::kListItem);
  nested.label = "\u25E6";
  nested.level = 2;
  document.blocks.push_back(nested);
  document.blocks.push_back(Text("   "));  // nothing to show: no row
  const SheetGrid grid = GridOfDocument(document);
  EXPECT_EQ(Texts(grid), (Grid{{"Invoice"},
                               {"Items delivered."},
                               {},
                               {"Description", "Amount"},
                               {"Design", "3,420.00"},
                               {},
                               {"Thank you."},
                               {},
                               {"a", "b", "c"},
                               {},
                               {"d"},
                               {},
                               {"1. First point"},
                               {"\u25E6 Nested point"}}));
  EXPECT_TRUE(grid.rows[0][0].bold);
  EXPECT_FALSE(grid.rows[1][0].bold);
  EXPECT_TRUE(grid.rows[3][1].bold);  // header cell
  EXPECT_FALSE(grid.rows[4][1].bold);
  EXPECT_EQ(grid.rows[12][0].indent, 0);
  EXPECT_EQ(grid.rows[13][0].indent, 1);
}

TEST(GridOfDocument, SpansBecomeMergedCellsWithTheirPositionsCovered) {
  // Region | 2025 (2 columns) | 2026 (2 columns)  over  H1 H2 H1 H2, "South" two rows high.
  Table table;
  table.rows = 4;
  table.columns = 5;
  table.cells = {Cell(0, 0, "Region", 2, 1), Cell(0, 1, "2025", 1, 2),  Cell(0, 3, "2026", 1, 2),
                 Cell(1, 1, "H1"),           Cell(1, 2, "H2"),          Cell(1, 3, "H1"),
                 Cell(1, 4, "H2"),           Cell(2, 0, "South", 2, 1), Cell(2, 1, "880"),
                 Cell(2, 3, "merged", 1, 2), Cell(3, 1, "15%"),         Cell(3, 4, "wide", 3, 4)};
  Document document;
  document.blocks = {table};
  const SheetGrid grid = GridOfDocument(document);
  EXPECT_EQ(Texts(grid), (Grid{{"Region", "2025", "~", "2026", "~"},
                               {"~", "H1", "H2", "H1", "H2"},
                               {"South", "880", "", "merged", "~"},
                               {"~", "15%", "", "", "wide"}}));
  const auto spans = [&](size_t r, size_t c) { return std::pair(grid.rows[r][c].rowSpan, grid.rows[r][c].columnSpan); };
  EXPECT_EQ(spans(0, 0), std::pair(2, 1));
  EXPECT_EQ(spans(0, 1), std::pair(1, 2));
  EXPECT_EQ(spans(2, 3), std::pair(1, 2));
  EXPECT_EQ(spans(3, 4), std::pair(1, 1));  // a span past the table's edge ends there
  EXPECT_EQ(spans(1, 1), std::pair(1, 1));
}

TEST(GridOfDocument, ATableOverTwoPagesIsOneBlockWithItsHeaderOnce) {
  Document document;
  document.blocks = {Text("Stock list"), Rows({{"No.", "Name"}, {"1", "Item 1"}, {"2", "Item 2"}}, 0, 1),
                     Text("Page 1", ParagraphRole::kArtifact), Rows({{"No.", "Name"}, {"3", "Item 3"}}, 1, 1),
                     // The same columns but on the same page: another table.
                     Rows({{"4", "Item 4"}}, 1), Text("After")};
  EXPECT_EQ(Texts(GridOfDocument(document)), (Grid{{"Stock list"},
                                                   {},
                                                   {"No.", "Name"},
                                                   {"1", "Item 1"},
                                                   {"2", "Item 2"},
                                                   {"3", "Item 3"},
                                                   {},
                                                   {"4", "Item 4"},
                                                   {},
                                                   {"After"}}));
}

TEST(GridOfDocument, TablesOnLaterPagesThatDoNotContinueStayApart) {
  struct Case {
    const char* what;
    Table next;
    bool joined;
  };
  Table narrower = Rows({{"3", "Item 3"}}, 1);
  narrower.columnWidths = {100, 60};
  Table captioned = Rows({{"3", "Item 3"}}, 1);
  captioned.caption = Text("Second table");
  for (const Case& c : {Case{"continued without a header", Rows({{"3", "Item 3"}}, 1), true},
                        Case{"other column count", Rows({{"3", "Item 3", "x"}}, 1), false},
                        Case{"other column widths", narrower, false}, Case{"a caption of its own", captioned, false}}) {
    Document document;
    document.blocks = {Rows({{"No.", "Name"}, {"1", "Item 1"}}, 0, 1), c.next};
    const SheetGrid grid = GridOfDocument(document);
    EXPECT_EQ(grid.rows.size(), c.joined ? 3u : 4u + (c.next.caption ? 1 : 0)) << c.what;
  }
}

TEST(GridOfDocument, RowsTheTableCallsHeaderRowsAreHeaders) {
  Table table = Rows({{"2025", "2026"}, {"1", "2"}});
  table.headerRows = 1;  // its cells not marked as header cells
  Document document;
  document.blocks = {table};
  const SheetGrid grid = GridOfDocument(document);
  EXPECT_TRUE(grid.rows[0][0].bold);
  EXPECT_FALSE(grid.rows[0][0].number);
  EXPECT_FALSE(grid.rows[1][0].bold);
  EXPECT_TRUE(grid.rows[1][0].number);
}

TEST(GridOfDocument, NumbersOnlyInTheBodyOfTables) {
  Table table = Rows({{"2025", "Note"}, {"1,200", "2026"}, {"12.5 %", "ORD-1"}}, 0, 1);
  TableCell twoLines = Cell(2, 1, "");
  Paragraph wrapped = Text("100");
  wrapped.lines.push_back({{{"200", {}}}, {}});
  twoLines.paragraphs = {wrapped};
  table.cells[5] = twoLines;
  Document document;
  document.blocks = {Text("2026"), table};
  const SheetGrid grid = GridOfDocument(document);
  EXPECT_FALSE(grid.rows[0][0].number);  // a paragraph
  EXPECT_FALSE(grid.rows[2][0].number);  // a header cell
  ASSERT_TRUE(grid.rows[3][0].number);
  EXPECT_EQ(grid.rows[3][0].number->value, "1200");
  ASSERT_TRUE(grid.rows[3][1].number);
  EXPECT_EQ(grid.rows[3][1].number->value, "2026");
  ASSERT_TRUE(grid.rows[4][0].number);
  EXPECT_EQ(grid.rows[4][0].number->value, "0.125");
  EXPECT_EQ(grid.rows[4][1].text, "100 200");  // lines of a paragraph flow into one
  EXPECT_TRUE(grid.rows[4][1].wrapped);
  EXPECT_FALSE(grid.rows[4][1].number);
}

TEST(GridOfDocument, TextsAreValidUtf8WithoutControlCharacters) {
  struct Case {
    std::string text;
    std::string cell;
  };
  for (const Case& c : {Case{"caf\xC3\xA9 \xF0\x9F\x98\x80", "caf\xC3\xA9 \xF0\x9F\x98\x80"},
                        Case{"bad \xC3 byte", "bad \xEF\xBF\xBD byte"}, Case{"bell\x07 and \x01", "bell and "},
                        Case{"tab\tstays", "tab\tstays"},
                        Case{"non\xEF\xBF\xBF"
                             "character",
                             "noncharacter"}}) {
    Document document;
    document.blocks = {Text(c.text + "!")};
    EXPECT_EQ(GridOfDocument(document).rows.at(0).at(0).text, c.cell + "!") << c.text;
  }
}

TEST(GridOfDocument, ParagraphsOfACellAreLinesOfOneCell) {
  TableCell cell = Cell(0, 0, "Hosting");
  cell.paragraphs.push_back(Text("12 months"));
  cell.paragraphs.push_back(Text(""));
  Table table;
  table.rows = table.columns = 1;
  table.cells = {cell};
  Document document;
  document.blocks = {table};
  const SheetGrid grid = GridOfDocument(document);
  EXPECT_EQ(grid.rows[0][0].text, "Hosting\n12 months");
  EXPECT_TRUE(grid.rows[0][0].wrapped);
}

TEST(GridOfDocument, TableCellsKeepTheirAlignmentParagraphsRunOnToTheRight) {
  struct Case {
    Alignment alignment;
    bool rightToLeft;
    CellAlignment cell;
  };
  for (const Case& c :
       {Case{Alignment::kStart, false, CellAlignment::kDefault},
        Case{Alignment::kJustify, false, CellAlignment::kDefault},
        Case{Alignment::kCenter, false, CellAlignment::kCenter}, Case{Alignment::kEnd, false, CellAlignment::kRight},
        Case{Alignment::kStart, true, CellAlignment::kRight}, Case{Alignment::kEnd, true, CellAlignment::kDefault},
        Case{Alignment::kCenter, true, CellAlignment::kCenter}}) {
    Table table = Rows({{"label"}});
    table.cells[0].paragraphs[0].alignment = c.alignment;
    table.cells[0].paragraphs[0].rightToLeft = c.rightToLeft;
    Paragraph paragraph = Text("outside");
    paragraph.alignment = c.alignment;
    paragraph.rightToLeft = c.rightToLeft;
    Document document;
    document.blocks = {table, paragraph};
    const SheetGrid grid = GridOfDocument(document);
    EXPECT_EQ(grid.rows[0][0].alignment, c.cell) << static_cast<int>(c.alignment) << " " << c.rightToLeft;
    EXPECT_EQ(grid.rows[2][0].alignment, CellAlignment::kDefault) << static_cast<int>(c.alignment);
  }
}

// The value "1,234" takes in a document whose tables hold these columns.
std::string ValueOfAmbiguous(const std::vector<std::vector<std::vector<std::string>>>& tables,
                             const std::string& language = "") {
  Document document;
  document.language = language;
  for (const auto& columns : tables) {
    Table table;
    table.rows = static_cast<int>(columns.front().size());
    table.columns = static_cast<int>(columns.size());
    for (int c = 0; c < table.columns; ++c) {
      for (int r = 0; r < table.rows; ++r)
        table.cells.push_back(Cell(r, c, columns[static_cast<size_t>(c)][static_cast<size_t>(r)]));
    }
    document.blocks.push_back(table);
  }
  for (const std::vector<SheetCell>& row : GridOfDocument(document).rows) {
    for (const SheetCell& cell : row) {
      if (cell.text == "1,234") return cell.number ? cell.number->value : "text";
    }
  }
  return "missing";
}

TEST(GridOfDocument, AThousandsCommaOrADecimalCommaByTheEvidenceNearest) {
  struct Case {
    const char* what;
    std::vector<std::vector<std::vector<std::string>>> tables;  // tables of columns of cells
    const char* language;
    const char* value;
  };
  for (const Case& c : {
           Case{"its column has decimal commas", {{{"1,234", "2,5"}}}, "", "1.234"},
           Case{"its column has decimal points", {{{"1,234", "3.25"}}}, "de", "1234"},
           Case{"its column's evidence beats its table's", {{{"1,234", "3.25"}, {"0,5", "0,25"}}}, "", "1234"},
           Case{"its table has decimal commas", {{{"1,234", "7"}, {"0,75", "x"}}}, "", "1.234"},
           Case{"its table's evidence beats the document's",
                {{{"1,234", "7"}, {"4,5", "x"}}, {{"3.25", "1.5"}, {"0.5", "x"}}},
                "",
                "1.234"},
           Case{"another table has decimal commas", {{{"1,234", "7"}}, {{"1.234,56 \u20AC", "x"}}}, "", "1.234"},
           Case{"grouped commas elsewhere", {{{"1,234", "7"}}, {{"9,540,000"}}}, "de", "1234"},
           Case{"no evidence, German", {{{"1,234", "7"}}}, "de-DE", "1.234"},
           Case{"no evidence, English", {{{"1,234", "7"}}}, "en", "1234"},
           Case{"no evidence, no language", {{{"1,234", "7"}}}, "", "1234"},
           Case{"a tie in the column falls to the table", {{{"1,234", "2,5", "3.25"}, {"0,5", "x", "y"}}}, "", "1.234"},
       }) {
    EXPECT_EQ(ValueOfAmbiguous(c.tables, c.language), c.value) << c.what;
  }
}

TEST(GridOfDocument, ANumberThatShowsItsMarkKeepsItInAColumnOfTheOther) {
  Document document;
  document.blocks.emplace_back(Rows({{"$ 1,204.50"}, {"12.5 %"}, {"1.234,56 \u20AC"}, {"0,5"}, {"1,234"}, {"3.25"}}));
  const SheetGrid grid = GridOfDocument(document);
  std::vector<std::string> values;
  for (const std::vector<SheetCell>& row : grid.rows) values.push_back(row[0].number ? row[0].number->value : "text");
  EXPECT_EQ(values, (std::vector<std::string>{"1204.5", "0.125", "1234.56", "0.5", "1234", "3.25"}));
}

TEST(GridOfDocument, ColumnsFitTheirLongestLineAndWrapAsThePageDid) {
  const std::string longText = "A long text that ran over several lines on its page, as cells do";
  Table first = Rows({{"Name", "Amount", "Note"}, {"a", "\u20AC1,234,567.00", longText}});
  first.columnWidths = {150, 30, 120};
  first.cells[5].paragraphs[0].lines.push_back({{{"and more", {}}}, {}});  // wrapped on the page
  Table second = Rows({{"x", "y", "z", std::string(100, 'w')}});
  second.columnWidths = {80, 90, 100, 300};
  Table spanned = Rows({{"", "", "", "", ""}});
  spanned.columnWidths = {10, 10, 10, 10, 70};
  spanned.cells = {Cell(0, 0, "spans the whole table", 1, 5)};
  Document document;
  document.blocks = {first, second, spanned};
  const SheetGrid grid = GridOfDocument(document);
  ASSERT_EQ(grid.columnWidths.size(), 5u);
  EXPECT_GT(grid.columnWidths[0], 24);  // "Name": narrower than the page's 150
  EXPECT_LT(grid.columnWidths[0], 60);
  EXPECT_GT(grid.columnWidths[1], 13 * 5.0);  // room for 13 characters of a number, not the page's 30
  EXPECT_LT(grid.columnWidths[1], 13 * 8.0);
  EXPECT_DOUBLE_EQ(grid.columnWidths[2], 120);  // wrapped: the page's width
  EXPECT_DOUBLE_EQ(grid.columnWidths[3], 400);  // no wider than a screen
  EXPECT_DOUBLE_EQ(grid.columnWidths[4], 70);   // nothing but a spanned cell: the page's width
  // Without the page's widths: the text's own, wrapped text at most 200 pt.
  Table unknown = Rows({{"Name", longText}});
  unknown.columnWidths.clear();
  unknown.cells[1].paragraphs[0].lines.push_back({{{"and more", {}}}, {}});
  Document measured;
  measured.blocks = {unknown};
  const std::vector<double> estimated = GridOfDocument(measured).columnWidths;
  ASSERT_EQ(estimated.size(), 2u);
  EXPECT_LT(estimated[0], 60);
  EXPECT_DOUBLE_EQ(estimated[1], 200);
  Document prose;
  prose.blocks = {Text("Only a paragraph")};
  EXPECT_TRUE(GridOfDocument(prose).columnWidths.empty());
}

SheetGrid Cut(const std::string& name) {
  SheetCell merged;
  merged.text = "A";
  merged.rowSpan = 3;
  SheetCell covered;
  covered.covered = true;
  const auto text = [](const char* t) {
    SheetCell cell;
    cell.text = t;
    return cell;
  };
  SheetGrid grid;
  grid.name = name;
  grid.columnWidths = {50, 60};
  grid.rows = {{text("Heading")},    {}, {merged, text("x")}, {covered, text("y")},
               {covered, text("z")}, {}, {text("After")},     {text("More")}};
  return grid;
}

TEST(SplitSheets, SheetsEndAfterABlankRowOrCutTheTableAndItsSpans) {
  struct Case {
    size_t maxRows;
    std::vector<Grid> sheets;
  };
  for (const Case& c : {
           Case{100, {{{"Heading"}, {}, {"A", "x"}, {"~", "y"}, {"~", "z"}, {}, {"After"}, {"More"}}}},
           Case{6, {{{"Heading"}, {}, {"A", "x"}, {"~", "y"}, {"~", "z"}, {}}, {{"After"}, {"More"}}}},
           Case{4, {{{"Heading"}, {}, {"A", "x"}, {"~", "y"}}, {{"", "z"}, {}, {"After"}, {"More"}}}},
           Case{3, {{{"Heading"}, {}}, {{"A", "x"}, {"~", "y"}, {"~", "z"}}, {{}, {"After"}, {"More"}}}},
       }) {
    const std::vector<SheetGrid> sheets = SplitSheets(Cut("Doc"), c.maxRows);
    std::vector<Grid> texts;
    for (const SheetGrid& sheet : sheets) texts.push_back(Texts(sheet));
    EXPECT_EQ(texts, c.sheets) << c.maxRows;
    for (size_t i = 0; i < sheets.size(); ++i) {
      EXPECT_EQ(sheets[i].name, i == 0 ? "Doc" : "Doc (" + std::to_string(i + 1) + ")");
      EXPECT_EQ(sheets[i].columnWidths, (std::vector<double>{50, 60}));
    }
  }
  const std::vector<SheetGrid> cut = SplitSheets(Cut("Doc"), 4);
  EXPECT_EQ(cut[0].rows[2][0].rowSpan, 2);  // ends with its sheet
  EXPECT_EQ(SplitSheets(Cut("Doc"), 6)[0].rows[2][0].rowSpan, 3);
  EXPECT_EQ(SplitSheets(SheetGrid{}, 10).size(), 1u);
}

TEST(SplitSheets, NamesOfLaterSheetsKeepTheirNumberWithin31Characters) {
  std::string title;
  for (int i = 0; i < 31; ++i) title += "\u00E9";
  const std::vector<SheetGrid> sheets = SplitSheets(Cut(title), 4);
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].name, title);
  EXPECT_EQ(sheets[1].name, title.substr(0, 27 * 2) + " (2)");
}

TEST(SheetName, TitlesAsASheetMayBeNamed) {
  struct Case {
    const char* title;
    const char* name;
  };
  for (const Case& c : {Case{"Invoice 2026-114", "Invoice 2026-114"}, Case{"", "Sheet1"}, Case{"   ", "Sheet1"},
                        Case{"Q1/Q2 [draft]: sales?", "Q1 Q2  draft   sales"}, Case{"'quoted'", "quoted"},
                        Case{"A title much longer than thirty-one characters", "A title much longer than thirty"},
                        Case{"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\u00E9\u00E9", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\u00E9"}}) {
    EXPECT_EQ(SheetName(c.title), c.name) << c.title;
  }
}

}  // namespace
}  // namespace zembra::exporter
