#include "engines/export/documents/table_layout.h"

#include <gtest/gtest.h>

#include "tests/engines/export/documents/document_samples.h"

namespace zembra::exporter {
namespace {

using testing::Cell;
using testing::SpansTable;

TEST(CoveringCells, EveryGridPositionKnowsItsCell) {
  const Table table = SpansTable();
  const std::vector<std::vector<int>> expected = {
      {0, 1, 1, 2, 2}, {0, 3, 4, 5, 6}, {7, 8, 9, 10, 11}, {12, 13, 14, 15, 15}, {12, 16, 17, 18, 19}};
  EXPECT_EQ(CoveringCells(table), expected);
  EXPECT_TRUE(StartsAt(table.cells[0], 0, 0));
  EXPECT_FALSE(StartsAt(table.cells[0], 1, 0));
  EXPECT_FALSE(StartsAt(table.cells[1], 0, 2));
  EXPECT_EQ(RowsCovered(table, table.cells[0]), 2);
  EXPECT_EQ(ColumnsCovered(table, table.cells[1]), 2);
}

TEST(CoveringCells, HolesStayEmptyAndSpansPastTheGridAreClipped) {
  Table table;
  table.rows = 2;
  table.columns = 3;
  table.cells = {Cell(0, 0, 1, 9), Cell(1, 1, 5, 1), Cell(1, 1)};  // the last overlaps the one before
  EXPECT_EQ(CoveringCells(table), (std::vector<std::vector<int>>{{0, 0, 0}, {-1, 1, -1}}));
  EXPECT_EQ(ColumnsCovered(table, table.cells[0]), 3);
  EXPECT_EQ(RowsCovered(table, table.cells[1]), 1);
}

TEST(LayoutTable, ColumnWidthsFromTheTableAndItsPlaceFromTheFrame) {
  Table table = SpansTable();
  table.box = {100, 200, 400, 300};
  table.columnWidths = {100, 50, 50, 50, 50};
  const TableLayout layout = LayoutTable(table, 72, 450);
  EXPECT_DOUBLE_EQ(layout.left, 28);
  EXPECT_EQ(layout.widths, (std::vector<double>{100, 50, 50, 50, 50}));
  EXPECT_FALSE(layout.centered);
  EXPECT_DOUBLE_EQ(layout.padding, 2);  // no text to measure
}

TEST(LayoutTable, PaddingIsTheClosestStartAlignedTextAndCentringIsSeen) {
  Table table;
  table.rows = 1;
  table.columns = 2;
  table.box = {172, 100, 422, 120};  // 100 pt from either side of a 450 pt wide frame at 72
  TableCell left = Cell(0, 0);
  left.box = {172, 100, 272, 120};
  left.left = {0.75, {}};
  Paragraph text;
  text.box = {176.5, 102, 220, 118};
  left.paragraphs.push_back(text);
  TableCell right = Cell(0, 1);
  right.box = {272, 100, 422, 120};
  text.box = {273, 102, 419, 118};
  text.alignment = Alignment::kEnd;  // right-aligned text says nothing of the padding
  right.paragraphs.push_back(text);
  table.cells = {left, right};
  const TableLayout layout = LayoutTable(table, 72, 450);
  // 4.5 pt from the border's middle, less the border and a point to spare.
  EXPECT_DOUBLE_EQ(layout.padding, 2.75);
  EXPECT_TRUE(layout.centered);
  EXPECT_EQ(layout.widths, (std::vector<double>{100, 150}));  // no widths given: the cells' own
}

TEST(LayoutTable, AColumnIsWideEnoughForItsWidestLineWithRoomToSpare) {
  Table table;
  table.rows = 2;
  table.columns = 2;
  table.columnWidths = {100, 40};
  TableCell tight = Cell(0, 0);
  tight.box = {0, 0, 100, 20};
  Paragraph text;
  text.box = {5, 2, 100, 18};
  text.lines.push_back({{}, {5, 2, 100, 9}, 0});
  text.lines.push_back({{}, {5, 10, 60, 18}, 0});
  tight.paragraphs.push_back(text);
  TableCell loose = Cell(1, 1);
  loose.box = {100, 20, 140, 40};
  text.lines = {{{}, {105, 22, 125, 38}, 0}};
  text.box = {105, 22, 125, 38};
  loose.paragraphs.push_back(text);
  TableCell spanning = Cell(1, 0, 1, 2);  // says nothing of one column
  text.lines = {{{}, {0, 22, 300, 38}, 0}};
  spanning.paragraphs.push_back(text);
  table.cells = {tight, loose, spanning};
  const TableLayout layout = LayoutTable(table, 0, 500);
  EXPECT_DOUBLE_EQ(layout.padding, 4);
  EXPECT_NEAR(layout.widths[0], 5 + 95 * 1.03 + 4, 1e-9);  // widened for its 95 pt line 5 pt in
  EXPECT_DOUBLE_EQ(layout.widths[1], 40);                  // 20 pt of text fit
}

TEST(LayoutTable, TextAtAnUnruledTablesEdgeKeepsItsPlace) {
  // Without borders the reader's table starts where its first column's text
  // does; the second column's text is 4 pt inside its cell.
  Table table;
  table.rows = 1;
  table.columns = 2;
  table.columnWidths = {50, 50};
  table.box = {100, 0, 200, 20};
  TableCell first = Cell(0, 0);
  first.box = {100, 0, 150, 20};
  Paragraph text;
  text.box = {100, 2, 130, 18};
  first.paragraphs.push_back(text);
  TableCell second = Cell(0, 1);
  second.box = {150, 0, 200, 20};
  text.box = {154, 2, 180, 18};
  second.paragraphs.push_back(text);
  table.cells = {first, second};
  const TableLayout layout = LayoutTable(table, 72, 450);
  EXPECT_DOUBLE_EQ(layout.padding, 3);  // 4 less a point to spare
  // The border goes a padding out, so the first column's text stays at 100.
  EXPECT_DOUBLE_EQ(layout.left, 100 - 3 - 72);
  EXPECT_EQ(layout.widths, (std::vector<double>{53, 50}));
}

TEST(VerticalAlignment, ContentWithRoomAboveAndBelowIsMiddleWithRoomAboveBottom) {
  struct Case {
    double top, bottom;  // of the content in a cell from 100 to 160
    CellVertical alignment;
  };
  for (const Case& c : {
           Case{102, 114, CellVertical::kTop},
           Case{124, 136, CellVertical::kMiddle},
           Case{125, 138, CellVertical::kMiddle},
           Case{146, 158, CellVertical::kBottom},
           Case{101, 159, CellVertical::kMiddle},  // a full cell with even room: a table cell's default
           Case{100.2, 140, CellVertical::kTop},
           Case{103, 157.5, CellVertical::kMiddle},
       }) {
    TableCell cell = Cell(0, 0);
    cell.box = {0, 100, 50, 160};
    Paragraph paragraph;
    paragraph.box = {2, c.top, 40, c.bottom};
    cell.paragraphs.push_back(paragraph);
    EXPECT_EQ(VerticalAlignment(cell), c.alignment) << c.top;
  }
  EXPECT_EQ(VerticalAlignment(Cell(0, 0)), CellVertical::kTop);  // empty
}

TEST(RowHeight, TheTablesOwnOrASingleRowCellsOrNothing) {
  Table table = SpansTable();
  table.rowHeights = {20, 18};
  table.cells[8].box = {0, 40, 10, 55};  // row 2
  EXPECT_DOUBLE_EQ(RowHeight(table, 1), 18);
  EXPECT_DOUBLE_EQ(RowHeight(table, 2), 15);
  EXPECT_DOUBLE_EQ(RowHeight(table, 3), 0);
  EXPECT_DOUBLE_EQ(RowHeight(table, -1), 0);
}

}  // namespace
}  // namespace zembra::exporter
