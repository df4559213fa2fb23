#include "engines/export/documents/flow_plan.h"

#include <gtest/gtest.h>

#include "tests/engines/export/documents/document_samples.h"

namespace zembra::exporter {
namespace {

using Kind = FlowItem::Kind;
using testing::Grid;
using testing::Heading;
using testing::kColumnWidth;
using testing::kMargin;
using testing::kPageWidth;
using testing::kRightColumn;
using testing::ListItem;
using testing::Pages;
using testing::Png;
using testing::Style;
using testing::Text;

// The kinds of a plan's items, in order.
std::vector<Kind> Kinds(const FlowPlan& plan) {
  std::vector<Kind> kinds;
  for (const FlowItem& item : plan.items) kinds.push_back(item.kind);
  return kinds;
}

// The item of a paragraph with this text.
const FlowItem& ItemOf(const FlowPlan& plan, const std::string& text) {
  for (const FlowItem& item : plan.items) {
    if (item.paragraph != nullptr && FlowText(*item.paragraph) == text) return item;
  }
  static const FlowItem none;
  ADD_FAILURE() << "no paragraph " << text;
  return none;
}

TEST(PageSetups, MarginsOfTheFullestPageAndANewSetupWherePaperChanges) {
  Document document;
  document.pages = {
      {595, 842, {40, 50, 550, 800}},  // continued by the next page: its bottom counts
      {595, 842, {42, 48, 500, 300}},  // the last A4 page ends early, and ragged
      {842, 595, {0, 0, 0, 0}},        // landscape, empty: nothing to measure
  };
  const std::vector<PageSetup> setups = PageSetups(document);
  ASSERT_EQ(setups.size(), 2u);
  EXPECT_EQ(setups[0].firstPage, 0);
  EXPECT_EQ(setups[0].endPage, 2);
  EXPECT_DOUBLE_EQ(setups[0].left, 40);
  EXPECT_DOUBLE_EQ(setups[0].top, 48);
  EXPECT_DOUBLE_EQ(setups[0].right, 40);   // 45 measured: no more than the left margin
  EXPECT_DOUBLE_EQ(setups[0].bottom, 40);  // 42, and room for lines a little taller than the browser's
  EXPECT_EQ(setups[1].firstPage, 2);
  EXPECT_EQ(setups[1].endPage, 3);
  EXPECT_DOUBLE_EQ(setups[1].width, 842);
  EXPECT_DOUBLE_EQ(setups[1].left, 72);

  Document single;
  single.pages = {{612, 792, {36, 40, 576, 200}}};  // one short page: the bottom margin is the top's at most
  EXPECT_DOUBLE_EQ(PageSetups(single)[0].bottom, 38);
  EXPECT_EQ(PageSetups(Document{}).size(), 1u);
}

TEST(FindColumns, ReadingOrderGoingBackUpToTheRightStartsAColumn) {
  Document document = Pages(2);
  document.blocks = {
      Heading("Two columns", 2, 0, 60),
      Text("left one", 0, 100, kMargin, kMargin + kColumnWidth - 10),
      Text("left two", 0, 150, kMargin, kMargin + kColumnWidth - 12),
      Text("right one", 0, 100, kRightColumn, kPageWidth - kMargin),  // back up, to the right
      Text("right two", 0, 150, kRightColumn, kPageWidth - kMargin - 30),
      Text("full width below", 0, 300),
      Text("next page", 1, 60),
  };
  const std::vector<ColumnRun> columns = FindColumns(document);
  ASSERT_EQ(columns.size(), 1u);
  EXPECT_EQ(columns[0].first, 1u);
  EXPECT_EQ(columns[0].end, 5u);
  EXPECT_EQ(columns[0].breaks, std::vector<size_t>{3});
  EXPECT_NEAR(columns[0].gap, 24, 0.5);

  // Three boxes side by side are three columns.
  Document boxes = Pages(1);
  boxes.blocks = {Text("a", 0, 100, 56, 200), Text("b", 0, 100, 210, 360), Text("c", 0, 100, 370, 520),
                  Text("under", 0, 150)};
  const std::vector<ColumnRun> three = FindColumns(boxes);
  ASSERT_EQ(three.size(), 1u);
  EXPECT_EQ(three[0].breaks, (std::vector<size_t>{1, 2}));
  EXPECT_EQ(three[0].end, 3u);

  // One column, a block on the next page higher up, and a table running
  // onto the next page beside nothing are no columns.
  Document plain = Pages(3);
  plain.blocks = {Text("one", 0, 100, 56, 300), Text("two", 0, 120), Text("three", 1, 60, 400, 500),
                  Grid(4, 2, 1, 700, 2), Text("four", 2, 56, 200, 300)};
  EXPECT_TRUE(FindColumns(plain).empty());
}

TEST(PlanFlow, HeadingsKeepTheirLevelUpToSixAndTheFirstOnesLook) {
  Document document = Pages(1);
  TextStyle blue = Style(20, true);
  blue.color = {26, 79, 138};
  blue.link = "https://example.org";
  Paragraph title = Heading("Title", 1, 0, 60);
  title.lines[0].runs[0].style = blue;
  document.blocks = {title, Heading("Part", 2, 0, 100), Text("Body", 0, 130), Heading("Deep", 9, 0, 160),
                     Heading("Again", 1, 0, 200)};
  const FlowPlan plan = PlanFlow(document);
  EXPECT_EQ(ItemOf(plan, "Title").layout.heading, 1);
  EXPECT_EQ(ItemOf(plan, "Part").layout.heading, 2);
  EXPECT_EQ(ItemOf(plan, "Body").layout.heading, 0);
  EXPECT_EQ(ItemOf(plan, "Deep").layout.heading, 6);
  ASSERT_TRUE(plan.headingLooks[0]);
  EXPECT_EQ(plan.headingLooks[0]->color, (Rgb{26, 79, 138}));  // the first level-1 heading's, not "Again"'s
  EXPECT_EQ(plan.headingLooks[0]->link, "");                   // a style links nowhere
  EXPECT_TRUE(plan.headingLooks[5]);
  EXPECT_FALSE(plan.headingLooks[2]);
}

TEST(PlanFlow, PageBreaksWhereTheNextPageStartsButNotInsideOrAfterATableThatRunsOn) {
  Document document = Pages(4);
  Paragraph footer = Text("Page 1", 0, 800);
  footer.role = ParagraphRole::kArtifact;
  document.blocks = {Text("first", 0, 60),        footer,
                     Text("second", 1, 60),       Grid(6, 2, 1, 200, 3),  // rows 3 to 5 on page 3
                     Text("after table", 2, 120), Png(3, {kMargin, 60, kMargin + 40, 80})};
  const FlowPlan plan = PlanFlow(document);
  EXPECT_EQ(Kinds(plan), (std::vector<Kind>{Kind::kSection, Kind::kParagraph, Kind::kParagraph, Kind::kTable,
                                            Kind::kParagraph, Kind::kPicture}));  // no footer
  EXPECT_FALSE(ItemOf(plan, "first").layout.pageBreakBefore);
  EXPECT_TRUE(ItemOf(plan, "second").layout.pageBreakBefore);
  EXPECT_FALSE(plan.items[3].layout.pageBreakBefore);
  EXPECT_FALSE(ItemOf(plan, "after table").layout.pageBreakBefore);
  EXPECT_TRUE(plan.items[5].layout.pageBreakBefore);
  // Space above: from the top margin on a new page, from the last row of the table after it.
  EXPECT_DOUBLE_EQ(ItemOf(plan, "second").layout.spaceBefore, 4);
  EXPECT_NEAR(ItemOf(plan, "after table").layout.spaceBefore, 120 - (kMargin + 42), 1e-9);
  // The paragraph before the table takes the space above it below it.
  EXPECT_NEAR(ItemOf(plan, "second").layout.spaceAfter, 200 - 73.2, 1e-9);
}

TEST(PlanFlow, ATableStartingAPageBreaksBeforeItButNotBeforeItsCells) {
  Document document = Pages(2);
  document.blocks = {Text("first", 0, 60), Grid(2, 2, 1, 56)};
  const FlowPlan plan = PlanFlow(document);
  ASSERT_EQ(Kinds(plan), (std::vector<Kind>{Kind::kSection, Kind::kParagraph, Kind::kTable}));
  const FlowItem& table = plan.items[2];
  EXPECT_TRUE(table.layout.pageBreakBefore);
  ASSERT_EQ(table.cells.size(), 4u);
  for (const std::vector<CellPart>& cell : table.cells) {
    ASSERT_EQ(cell.size(), 1u);
    EXPECT_FALSE(cell[0].layout.pageBreakBefore);
    EXPECT_DOUBLE_EQ(cell[0].layout.indent, 0);  // the text starts at the padding: 3 pt
  }
  EXPECT_DOUBLE_EQ(table.tableLayout.padding, 1.25);  // 3 pt less the border and a point to spare
}

TEST(PlanFlow, TwoTablesInARowHaveAThinParagraphBetween) {
  Document document = Pages(2);
  document.blocks = {Grid(1, 2, 0, 56), Grid(1, 2, 0, 86), Grid(1, 2, 1, 56)};
  const FlowPlan plan = PlanFlow(document);
  ASSERT_EQ(Kinds(plan), (std::vector<Kind>{Kind::kSection, Kind::kTable, Kind::kSpacer, Kind::kTable, Kind::kSpacer,
                                            Kind::kTable}));
  EXPECT_DOUBLE_EQ(plan.items[2].layout.lineSpacing, 16);
  EXPECT_TRUE(plan.items[2].layout.exactLineSpacing);
  EXPECT_FALSE(plan.items[2].layout.pageBreakBefore);
  // On the next page, with no gap: 1 pt high, and it takes the page break.
  EXPECT_DOUBLE_EQ(plan.items[4].layout.lineSpacing, 1);
  EXPECT_TRUE(plan.items[4].layout.pageBreakBefore);
  EXPECT_FALSE(plan.items[5].layout.pageBreakBefore);
}

TEST(PlanFlow, IndentsFirstLinesLineSpacingAndDirection) {
  Document document = Pages(1);
  Paragraph indented = Text("indented", 0, 100, kMargin + 36);
  indented.lines.push_back(indented.lines[0]);
  indented.lines[1].box.y0 += 16;
  indented.lines[0].box.x0 += 18;                            // a first-line indent
  Paragraph hanging = Text("hanging", 0, 140, kMargin + 1);  // too close to the margin to be an indent
  Paragraph centred = Text("centred", 0, 170, 200, 395);
  centred.alignment = Alignment::kCenter;
  Paragraph rtl = Text("\xD7\x91\xD7\x99\xD7\xAA", 0, 200, 300, kPageWidth - kMargin - 20);
  rtl.rightToLeft = true;
  document.blocks = {indented, hanging, centred, rtl};
  const FlowPlan plan = PlanFlow(document);
  const ParagraphLayout& first = ItemOf(plan, "indented indented").layout;
  EXPECT_DOUBLE_EQ(first.indent, 36);
  EXPECT_DOUBLE_EQ(first.firstLine, 18);
  EXPECT_DOUBLE_EQ(first.lineSpacing, 16);
  EXPECT_FALSE(first.exactLineSpacing);
  EXPECT_DOUBLE_EQ(first.spaceBefore, 44);
  EXPECT_DOUBLE_EQ(ItemOf(plan, "hanging").layout.indent, 0);
  EXPECT_DOUBLE_EQ(ItemOf(plan, "hanging").layout.lineSpacing, 0);  // one line: the font's own
  EXPECT_DOUBLE_EQ(ItemOf(plan, "centred").layout.indent, 0);
  EXPECT_EQ(ItemOf(plan, "centred").layout.alignment, Alignment::kCenter);
  const ParagraphLayout& hebrew = ItemOf(plan, "\xD7\x91\xD7\x99\xD7\xAA").layout;
  EXPECT_TRUE(hebrew.rightToLeft);
  EXPECT_DOUBLE_EQ(hebrew.indent, 20);  // from the right margin
}

TEST(PlanFlow, ListItemsNumberTheirListsAndHangTheirLabels) {
  Document document = Pages(1);
  document.blocks = {ListItem("Walk", 1, "1.", 0, 100), ListItem("Occupied", 2, "\xE2\x80\xA2", 0, 116),
                     ListItem("Count", 1, "2.", 0, 132), Text("between", 0, 150), ListItem("Again", 1, "1.", 0, 170)};
  const FlowPlan plan = PlanFlow(document);
  EXPECT_EQ(ItemOf(plan, "Walk").layout.list, 1);
  EXPECT_EQ(ItemOf(plan, "Walk").layout.listLevel, 0);
  EXPECT_DOUBLE_EQ(ItemOf(plan, "Walk").layout.indent, 18);
  EXPECT_DOUBLE_EQ(ItemOf(plan, "Walk").layout.firstLine, -18);
  EXPECT_EQ(ItemOf(plan, "Occupied").layout.list, 1);
  EXPECT_EQ(ItemOf(plan, "Occupied").layout.listLevel, 1);
  EXPECT_DOUBLE_EQ(ItemOf(plan, "Occupied").layout.indent, 36);
  EXPECT_EQ(ItemOf(plan, "Count").layout.list, 1);
  EXPECT_EQ(ItemOf(plan, "Again").layout.list, 2);
  ASSERT_EQ(plan.lists.size(), 2u);
  EXPECT_EQ(plan.lists[0][1].label.format, ListLabel::Format::kBullet);
}

TEST(PlanFlow, PicturesStandCentredAtTheEndOrIndented) {
  Document document = Pages(1);
  document.blocks = {Png(0, {200, 60, 395, 100}), Png(0, {439, 110, kPageWidth - kMargin, 130}),
                     Png(0, {kMargin + 30, 140, kMargin + 80, 160})};
  const FlowPlan plan = PlanFlow(document);
  ASSERT_EQ(plan.items.size(), 4u);
  EXPECT_EQ(plan.items[1].layout.alignment, Alignment::kCenter);
  EXPECT_DOUBLE_EQ(plan.items[1].layout.indent, 0);
  EXPECT_EQ(plan.items[2].layout.alignment, Alignment::kEnd);
  EXPECT_EQ(plan.items[3].layout.alignment, Alignment::kStart);
  EXPECT_DOUBLE_EQ(plan.items[3].layout.indent, 30);
  EXPECT_DOUBLE_EQ(plan.items[3].layout.spaceBefore, 10);
}

TEST(PlanFlow, BlocksSideBySideAreTheCellsOfOneRow) {
  Document document = Pages(1);
  document.blocks = {Heading("Two columns", 2, 0, 60), Text("left", 0, 100, kMargin, kMargin + kColumnWidth - 10),
                     Text("left two", 0, 130, kMargin, kMargin + kColumnWidth - 10),
                     Text("right", 0, 100, kRightColumn + 20, kPageWidth - kMargin), Text("below", 0, 200)};
  const FlowPlan plan = PlanFlow(document);
  ASSERT_EQ(Kinds(plan), (std::vector<Kind>{Kind::kSection, Kind::kParagraph, Kind::kTable, Kind::kParagraph}));
  ASSERT_EQ(plan.sideBySide.size(), 1u);
  const FlowItem& row = plan.items[2];
  ASSERT_EQ(row.table, &plan.sideBySide.front());
  EXPECT_EQ(row.table->rows, 1);
  ASSERT_EQ(row.table->columns, 2);
  ASSERT_EQ(row.cells.size(), 2u);
  ASSERT_EQ(row.cells[0].size(), 2u);
  ASSERT_EQ(row.cells[1].size(), 1u);
  EXPECT_EQ(FlowText(*row.cells[0][1].paragraph), "left two");
  EXPECT_EQ(FlowText(*row.cells[1][0].paragraph), "right");
  for (const TableCell& cell : row.table->cells) {
    EXPECT_EQ(cell.top.width + cell.bottom.width + cell.left.width + cell.right.width, 0);  // no borders
  }
  // Each cell reaches to the next column, with 3 pt of the room between
  // them as padding; the left column's lines end where its widest did, with
  // 3 % to spare; the last cell is as wide as that.
  EXPECT_DOUBLE_EQ(row.tableLayout.padding, 3);
  EXPECT_DOUBLE_EQ(row.tableLayout.left, -3);
  ASSERT_EQ(row.tableLayout.widths.size(), 2u);
  EXPECT_DOUBLE_EQ(row.tableLayout.widths[0], kRightColumn + 20 - kMargin);
  EXPECT_NEAR(row.tableLayout.widths[1], (kPageWidth - kMargin - kRightColumn - 20) * 1.03 + 6, 1e-9);
  EXPECT_DOUBLE_EQ(row.cells[0][0].layout.indent, 0);
  EXPECT_DOUBLE_EQ(row.cells[1][0].layout.indent, 0);
  // The cell's text ends 3 pt before the next cell, which starts 3 pt before its text.
  EXPECT_NEAR(row.cells[0][0].layout.endIndent, (kRightColumn + 20 - 6) - (kMargin + (kColumnWidth - 10) * 1.03), 1e-9);
  EXPECT_DOUBLE_EQ(row.cells[1][0].layout.endIndent, 0);
  EXPECT_NEAR(row.cells[0][1].layout.spaceBefore, 130 - 113.2, 1e-9);
  // Space above the row goes below the heading; what follows keeps its
  // distance to the longer, left column.
  EXPECT_DOUBLE_EQ(ItemOf(plan, "Two columns").layout.spaceAfter, 16);
  EXPECT_NEAR(ItemOf(plan, "below").layout.spaceBefore, 200 - 143.2, 1e-9);
}

TEST(PlanFlow, ColumnsHoldingATableAreASectionWithColumnBreaks) {
  Document document = Pages(1);
  Table table = Grid(2, 2, 0, 100);
  const double shift = kRightColumn - kMargin;
  table.box.x0 += shift;
  table.box.x1 += shift;
  for (TableCell& cell : table.cells) {
    cell.box.x0 += shift;
    cell.box.x1 += shift;
  }
  document.blocks = {Heading("Two columns", 2, 0, 60), Text("left", 0, 100, kMargin, kMargin + kColumnWidth - 10),
                     table, Text("below", 0, 200)};
  const FlowPlan plan = PlanFlow(document);
  ASSERT_EQ(Kinds(plan), (std::vector<Kind>{Kind::kSection, Kind::kParagraph, Kind::kSection, Kind::kParagraph,
                                            Kind::kColumnBreak, Kind::kTable, Kind::kSection, Kind::kParagraph}));
  EXPECT_EQ(plan.items[0].columns, 1);
  EXPECT_EQ(plan.items[2].columns, 2);
  EXPECT_DOUBLE_EQ(plan.items[2].columnGap, 72);  // the pitch less the table's width, at most an inch
  EXPECT_FALSE(plan.items[2].newPage);
  EXPECT_EQ(plan.items[6].columns, 1);
  EXPECT_TRUE(plan.sideBySide.empty());
  // Where it stands on the page: 24 pt left of its column, which is as wide
  // as the other one.
  EXPECT_DOUBLE_EQ(plan.items[5].tableLayout.left, -24);
  EXPECT_NEAR(ItemOf(plan, "below").layout.spaceBefore, 200 - 128, 1e-9);
}

TEST(PlanFlow, ANewPaperSizeIsANewSectionOnANewPage) {
  Document document = Pages(1);
  document.pages.push_back({842, 595, {40, 40, 802, 555}});
  document.blocks = {Text("portrait", 0, 60), Text("landscape", 1, 40)};
  const FlowPlan plan = PlanFlow(document);
  ASSERT_EQ(Kinds(plan), (std::vector<Kind>{Kind::kSection, Kind::kParagraph, Kind::kSection, Kind::kParagraph}));
  EXPECT_EQ(plan.items[2].setup, 1u);
  EXPECT_TRUE(plan.items[2].newPage);
  EXPECT_FALSE(ItemOf(plan, "landscape").layout.pageBreakBefore);  // the section breaks the page
  EXPECT_DOUBLE_EQ(ItemOf(plan, "landscape").layout.spaceBefore, 0);
  EXPECT_EQ(Kinds(PlanFlow(Pages(1))), std::vector<Kind>{Kind::kSection});
}

}  // namespace
}  // namespace zembra::exporter
