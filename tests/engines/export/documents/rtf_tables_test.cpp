#include "engines/export/documents/rtf_tables.h"

#include <gtest/gtest.h>

#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter {
namespace {

using testing::Occurrences;

TableCell Cell(int row, int column, int rowSpan = 1, int columnSpan = 1) {
  TableCell cell;
  cell.row = row;
  cell.column = column;
  cell.rowSpan = rowSpan;
  cell.columnSpan = columnSpan;
  return cell;
}

// The "spans" table of the tables page: Region over two rows, 2025 and
// 2026 over two columns each, South over two rows, "merged cell" over two
// columns in the fourth row.
Table SpansTable() {
  Table table;
  table.rows = 5;
  table.columns = 5;
  table.cells = {Cell(0, 0, 2), Cell(0, 1, 1, 2), Cell(0, 3, 1, 2)};
  for (int c = 1; c < 5; ++c) table.cells.push_back(Cell(1, c));
  for (int c = 0; c < 5; ++c) table.cells.push_back(Cell(2, c));
  table.cells.push_back(Cell(3, 0, 2));
  table.cells.push_back(Cell(3, 1));
  table.cells.push_back(Cell(3, 2));
  table.cells.push_back(Cell(3, 3, 1, 2));
  for (int c = 1; c < 5; ++c) table.cells.push_back(Cell(4, c));
  return table;
}

TEST(CoveringCells, EveryGridPositionKnowsItsCell) {
  const std::vector<std::vector<int>> grid = CoveringCells(SpansTable());
  const std::vector<std::vector<int>> expected = {
      {0, 1, 1, 2, 2}, {0, 3, 4, 5, 6}, {7, 8, 9, 10, 11}, {12, 13, 14, 15, 15}, {12, 16, 17, 18, 19}};
  EXPECT_EQ(grid, expected);
}

TEST(CoveringCells, HolesStayEmptyAndSpansPastTheGridAreClipped) {
  Table table;
  table.rows = 2;
  table.columns = 3;
  table.cells = {Cell(0, 0, 1, 9), Cell(1, 1, 5, 1), Cell(1, 1)};  // the last overlaps the one before
  EXPECT_EQ(CoveringCells(table), (std::vector<std::vector<int>>{{0, 0, 0}, {-1, 1, -1}}));
}

TEST(LayoutTable, EdgesFollowTheColumnsFromTheMargin) {
  Table table = SpansTable();
  table.box = {100, 200, 400, 300};
  table.columnWidths = {100, 50, 50, 50, 50};
  const RtfTableLayout layout = LayoutTable(table, 72, 450);
  EXPECT_EQ(layout.left, 560);  // 28 pt right of the margin
  EXPECT_EQ(layout.edges, (std::vector<long>{2560, 3560, 4560, 5560, 6560}));
  EXPECT_FALSE(layout.centered);
  EXPECT_EQ(layout.padding, 40);  // no text to measure: 2 pt
}

TEST(LayoutTable, PaddingIsTheClosestStartAlignedTextAndCentringIsSeen) {
  Table table;
  table.rows = 1;
  table.columns = 2;
  table.box = {172, 100, 422, 120};  // 100 pt from either side of a 450 pt wide area at 72
  TableCell left = Cell(0, 0);
  left.box = {172, 100, 272, 120};
  Paragraph text;
  text.box = {176.5, 102, 220, 118};
  left.paragraphs.push_back(text);
  TableCell right = Cell(0, 1);
  right.box = {272, 100, 422, 120};
  text.box = {380, 102, 419, 118};
  text.alignment = Alignment::kEnd;  // right-aligned text says nothing of the padding
  right.paragraphs.push_back(text);
  table.cells = {left, right};
  const RtfTableLayout layout = LayoutTable(table, 72, 450);
  EXPECT_EQ(layout.padding, 90);
  EXPECT_TRUE(layout.centered);
  // No widths given: the cells' own.
  EXPECT_EQ(layout.edges, (std::vector<long>{4000, 7000}));
}

// One row definition's cells, each as the words before its \cellx.
std::vector<std::string> RowCells(const std::string& rtf, int row) {
  size_t at = 0;
  for (int r = 0; r <= row; ++r) at = rtf.find("\\trowd", at + 1 * (r > 0));
  std::vector<std::string> cells;
  size_t start = rtf.find('\n', at) + 1;
  for (size_t x = rtf.find("\\cellx", start); x != std::string::npos && x < rtf.find("\\pard", at);
       x = rtf.find("\\cellx", start)) {
    cells.push_back(rtf.substr(start, x - start));
    start = rtf.find('\n', x) + 1;
  }
  return cells;
}

TEST(RtfTable, MergesAcrossAndDownAsWordProcessorsReadThem) {
  Table table = SpansTable();
  RtfPalette palette;
  std::vector<const TableCell*> asked;
  const std::string rtf =
      RtfTable(table, LayoutTable(table, 0, 500), palette, [&](const TableCell* cell) -> std::vector<std::string> {
        asked.push_back(cell);
        return {};
      });
  EXPECT_EQ(RowCells(rtf, 0), (std::vector<std::string>{"\\clvmgf", "\\clmgf", "\\clmrg", "\\clmgf", "\\clmrg"}));
  EXPECT_EQ(RowCells(rtf, 1), (std::vector<std::string>{"\\clvmrg", "", "", "", ""}));
  EXPECT_EQ(RowCells(rtf, 3), (std::vector<std::string>{"\\clvmgf", "", "", "\\clmgf", "\\clmrg"}));
  EXPECT_EQ(RowCells(rtf, 4), (std::vector<std::string>{"\\clvmrg", "", "", "", ""}));
  // Every grid position is a cell; only a cell's first position gets its content.
  EXPECT_EQ(Occurrences(rtf, "\\cell\n"), 25u);
  EXPECT_EQ(Occurrences(rtf, "\\row\n"), 5u);
  ASSERT_EQ(asked.size(), 25u);
  EXPECT_EQ(asked[0], &table.cells[0]);
  EXPECT_EQ(asked[2], nullptr);  // 2025's second column
  EXPECT_EQ(asked[5], nullptr);  // Region's second row
  EXPECT_EQ(asked[6], &table.cells[3]);
}

TEST(RtfTable, ACellOverRowsAndColumnsMergesBothWays) {
  Table table;
  table.rows = 2;
  table.columns = 3;
  table.cells = {Cell(0, 0, 2, 2), Cell(0, 2), Cell(1, 2)};
  RtfPalette palette;
  const std::string rtf =
      RtfTable(table, LayoutTable(table, 0, 300), palette, [](const TableCell*) { return std::vector<std::string>{}; });
  EXPECT_EQ(RowCells(rtf, 0), (std::vector<std::string>{"\\clvmgf\\clmgf", "\\clvmgf\\clmrg", ""}));
  EXPECT_EQ(RowCells(rtf, 1), (std::vector<std::string>{"\\clvmrg\\clmgf", "\\clvmrg\\clmrg", ""}));
}

TEST(RtfTable, BordersShadingHeaderRowsHeightsAndContent) {
  Table table;
  table.rows = 3;
  table.columns = 2;
  table.headerRows = 1;
  table.rowHeights = {20, 15.5, 15.5};
  table.columnWidths = {100, 100};
  TableCell header = Cell(0, 0, 1, 2);
  header.top = header.bottom = {1.5, {51, 51, 51}};
  header.left = header.right = {0.75, {}};
  header.background = Rgb{221, 230, 240};
  TableCell plain = Cell(1, 0);
  plain.bottom = {0.02, {}};  // thinner than a twip: still a line
  table.cells = {header, plain, Cell(1, 1), Cell(2, 0)};
  RtfPalette palette;
  const std::string rtf = RtfTable(table, LayoutTable(table, 0, 200), palette, [](const TableCell* cell) {
    if (cell == nullptr) return std::vector<std::string>{};
    return std::vector<std::string>{"\\pard\\plain\\intbl first", "\\pard\\plain\\intbl second"};
  });
  EXPECT_EQ(RowCells(rtf, 0)[0],
            "\\clmgf\\clbrdrt\\brdrs\\brdrw30\\brdrcf1\\clbrdrl\\brdrs\\brdrw15\\clbrdrb\\brdrs\\brdrw30\\brdrcf1"
            "\\clbrdrr\\brdrs\\brdrw15\\clcbpat2");
  EXPECT_EQ(RowCells(rtf, 1)[0], "\\clbrdrb\\brdrs\\brdrw2");
  EXPECT_EQ(RowCells(rtf, 2)[1], "");  // a grid position without a cell has nothing
  EXPECT_EQ(Occurrences(rtf, "\\trhdr"), 1u);
  EXPECT_LT(rtf.find("\\trhdr"), rtf.find("\\row"));
  EXPECT_NE(rtf.find("\\trrh400\n"), std::string::npos);
  EXPECT_EQ(Occurrences(rtf, "\\trrh310\n"), 2u);
  EXPECT_NE(rtf.find("\\pard\\plain\\intbl first\\par\n\\pard\\plain\\intbl second\\cell\n"), std::string::npos);
  EXPECT_EQ(palette.ColorTable(), "{\\colortbl;\\red51\\green51\\blue51;\\red221\\green230\\blue240;}\n");
  // Text at \trleft, borders a padding before it: edges move by the padding.
  EXPECT_NE(rtf.find("\\trgaph40\\trleft40"), std::string::npos);
  EXPECT_NE(rtf.find("\\cellx2040\n"), std::string::npos);
  EXPECT_NE(rtf.find("\\cellx4040\n"), std::string::npos);
}

}  // namespace
}  // namespace zembra::exporter
