#include "engines/export/documents/rtf_tables.h"

#include <gtest/gtest.h>

#include "tests/engines/export/documents/document_samples.h"
#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter {
namespace {

using testing::Cell;
using testing::Occurrences;
using testing::SpansTable;

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
  EXPECT_NE(rtf.find("\\trgaph40\\trleft40\\trpaddl40\\trpaddr40\\trpaddfl3\\trpaddfr3"), std::string::npos);
  EXPECT_NE(rtf.find("\\cellx2040\n"), std::string::npos);
  EXPECT_NE(rtf.find("\\cellx4040\n"), std::string::npos);
}

TEST(RtfTable, OffsetAndCentredTablesKeepTheirPlace) {
  Table table;
  table.rows = 1;
  table.columns = 2;
  table.cells = {Cell(0, 0), Cell(0, 1)};
  TableLayout layout;
  layout.left = 28;
  layout.widths = {100, 50};
  layout.padding = 4;
  layout.centered = true;
  RtfPalette palette;
  const std::string rtf = RtfTable(table, layout, palette, [](const TableCell*) { return std::vector<std::string>{}; });
  EXPECT_EQ(rtf.rfind("\\trowd\\trgaph80\\trleft640\\trqc\\trpaddl80\\trpaddr80", 0), 0u) << rtf;
  EXPECT_NE(rtf.find("\\cellx2640\n\\cellx3640\n"), std::string::npos) << rtf;
  EXPECT_EQ(rtf.find("\\trrh"), std::string::npos);  // no height known: the content's
}

}  // namespace
}  // namespace zembra::exporter
