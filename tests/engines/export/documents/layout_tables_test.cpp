#include "engines/export/documents/layout_tables.h"

#include <gtest/gtest.h>

namespace zembra::exporter {
namespace {

constexpr Rgb kInk{0, 0, 0};

Rule H(double y, double from, double to, double width = 0.75) { return {true, y, from, to, width, kInk}; }
Rule V(double x, double from, double to, double width = 0.75) { return {false, x, from, to, width, kInk}; }

struct CellPlace {
  int row, column, rowSpan, columnSpan;
  bool operator==(const CellPlace&) const = default;
};

std::vector<CellPlace> Places(const RuledGrid& grid) {
  std::vector<CellPlace> places;
  for (const RuledGrid::Cell& cell : grid.cells)
    places.push_back({cell.row, cell.column, cell.rowSpan, cell.columnSpan});
  return places;
}

TEST(FindRuledGrids, AFullGridGivesOneCellPerTrackPair) {
  // Three columns, two rows, every border drawn cell by cell.
  std::vector<Rule> rules;
  for (double y : {100.0, 120.0, 140.0}) {
    for (double x : {50.0, 100.0, 150.0}) rules.push_back(H(y, x, x + 50));
  }
  for (double x : {50.0, 100.0, 150.0, 200.0}) {
    for (double y : {100.0, 120.0}) rules.push_back(V(x, y, y + 20));
  }
  const std::vector<RuledGrid> grids = FindRuledGrids(rules);
  ASSERT_EQ(grids.size(), 1u);
  EXPECT_EQ(grids[0].columns, (std::vector<double>{50, 100, 150, 200}));
  EXPECT_EQ(grids[0].rows, (std::vector<double>{100, 120, 140}));
  EXPECT_TRUE(grids[0].ruledColumns);
  EXPECT_EQ(grids[0].cells.size(), 6u);
  EXPECT_EQ(grids[0].area(), (Box{50, 100, 200, 140}));
}

TEST(FindRuledGrids, AMissingRuleJoinsCellsIntoASpan) {
  // The first row has no rule between columns 0 and 1; column 2 has no rule
  // between the rows.
  const std::vector<Rule> rules = {
      H(100, 0, 90), H(120, 0, 60), H(140, 0, 90), V(0, 100, 140), V(30, 120, 140), V(60, 100, 140), V(90, 100, 140),
  };
  const std::vector<RuledGrid> grids = FindRuledGrids(rules);
  ASSERT_EQ(grids.size(), 1u);
  EXPECT_EQ(Places(grids[0]), (std::vector<CellPlace>{{0, 0, 1, 2}, {0, 2, 2, 1}, {1, 0, 1, 1}, {1, 1, 1, 1}}));
}

TEST(FindRuledGrids, RulesBetweenRowsOnlyMakeAGridWithoutColumns) {
  const std::vector<Rule> rules = {H(100, 30, 300, 1.5), H(115, 30, 300), H(130, 30, 300), H(145, 30, 300)};
  const std::vector<RuledGrid> grids = FindRuledGrids(rules);
  ASSERT_EQ(grids.size(), 1u);
  EXPECT_FALSE(grids[0].ruledColumns);
  EXPECT_EQ(grids[0].columns, (std::vector<double>{30, 300}));
  EXPECT_EQ(grids[0].rows.size(), 4u);
  EXPECT_EQ(grids[0].cells.size(), 3u);
}

TEST(FindRuledGrids, FramesSeparatorsAndMarksAreNoGrids) {
  struct Case {
    const char* what;
    std::vector<Rule> rules;
  };
  const Case cases[] = {
      {"a frame around a paragraph", {H(100, 0, 200), H(150, 0, 200), V(0, 100, 150), V(200, 100, 150)}},
      {"a separator", {H(100, 0, 500)}},
      {"two separators", {H(100, 0, 500), H(300, 0, 500)}},
      {"rules of different lengths", {H(100, 0, 500), H(120, 0, 200), H(140, 100, 400)}},
      {"tick marks", {H(100, 0, 2), H(110, 0, 2), H(120, 0, 2), H(130, 0, 2)}},
      {"boxes one below the other",
       {H(100, 0, 200), H(140, 0, 200), V(0, 100, 140), V(200, 100, 140), H(150, 0, 200), H(190, 0, 200),
        V(0, 150, 190), V(200, 150, 190)}},
  };
  for (const Case& c : cases) EXPECT_TRUE(FindRuledGrids(c.rules).empty()) << c.what;
}

TEST(FindRuledGrids, InnerRulesOnlyTakeTheOuterEdgeFromTheOtherDirection) {
  // Rules between columns and rows only, none around the table.
  const std::vector<Rule> rules = {H(120, 0, 200), V(100, 100, 140)};
  EXPECT_TRUE(FindRuledGrids(rules).empty());  // one rule each way: a cross, not yet a table
  const std::vector<Rule> more = {H(120, 0, 200), H(140, 0, 200), V(70, 100, 160), V(140, 100, 160)};
  const std::vector<RuledGrid> grids = FindRuledGrids(more);
  ASSERT_EQ(grids.size(), 1u);
  EXPECT_EQ(grids[0].columns, (std::vector<double>{0, 70, 140, 200}));
  EXPECT_EQ(grids[0].rows, (std::vector<double>{100, 120, 140, 160}));
}

TEST(FindRuledGrids, SeparateTablesAreSeparateGridsTopFirst) {
  std::vector<Rule> rules;
  for (double top : {400.0, 100.0}) {
    for (double y : {top, top + 20, top + 40}) rules.push_back(H(y, 0, 100));
    for (double x : {0.0, 50.0, 100.0}) rules.push_back(V(x, top, top + 40));
  }
  const std::vector<RuledGrid> grids = FindRuledGrids(rules);
  ASSERT_EQ(grids.size(), 2u);
  EXPECT_EQ(grids[0].rows.front(), 100);
  EXPECT_EQ(grids[1].rows.front(), 400);
}

// Lines of words: each word its left and right edge; gaps follow from them.
std::vector<std::vector<PlacedWord>> Lines(const std::vector<std::vector<std::pair<double, double>>>& lines,
                                           double size = 10.5) {
  std::vector<std::vector<PlacedWord>> placed;
  for (const auto& line : lines) {
    std::vector<PlacedWord> words;
    for (const auto& [x0, x1] : line) {
      PlacedWord word;
      word.x0 = x0;
      word.x1 = x1;
      word.gapBefore = words.empty() ? 0 : x0 - words.back().x1;
      word.size = size;
      words.push_back(word);
    }
    placed.push_back(words);
  }
  return placed;
}

TEST(SplitCells, ATightTableSplitsWhereColumnEdgesContinue) {
  // A browser's table with its default tight spacing: 4.5 pt between cells,
  // 3.3 pt between words, and one wide gap in the heading row only.
  const auto lines = Lines({
      {{51.77, 92.44}, {118.23, 134.24}, {152.77, 168.77}, {204.30, 230.97}},                  // Region Q1 Q2 Note
      {{37.5, 66.84}, {111.22, 141.25}, {145.76, 175.79}, {180.29, 215.65}, {218.98, 255.0}},  // North 1,200 1,350
                                                                                               // steady growth
      {{37.5, 68.86}, {72.19, 106.72}, {111.22, 131.24}, {145.76, 175.79}, {180.29, 204.98}, {208.31, 234.33}},
      {{37.5, 61.51}, {145.76, 165.78}, {180.29, 199.64}},  // East 770 late: an empty cell
  });
  const auto splits = SplitCells(lines);
  EXPECT_EQ(splits[0], (std::vector<size_t>{0, 1, 2, 3}));
  EXPECT_EQ(splits[1], (std::vector<size_t>{0, 1, 2, 3}));  // "steady growth" stays one cell
  EXPECT_EQ(splits[2], (std::vector<size_t>{0, 2, 3, 4}));  // "South "Main"" too
  EXPECT_EQ(splits[3], (std::vector<size_t>{0, 1, 2}));
}

TEST(SplitCells, AColumnEdgeSplitsEvenATightlySetRow) {
  // "Alpha one 1" / "Beta two 2" leave wide gaps; "Gamma three 3" fills its
  // cells and leaves 1.5 pt, less than a word space.
  const auto lines = Lines(
      {
          {{34.5, 65.76}, {79.41, 99.86}, {109.99, 116.99}},
          {{34.5, 59.85}, {79.41, 99.43}, {109.99, 116.99}},
          {{34.5, 77.91}, {79.41, 108.49}, {109.99, 116.99}},
      },
      11);
  for (const auto& split : SplitCells(lines)) EXPECT_EQ(split, (std::vector<size_t>{0, 1, 2}));
}

TEST(SplitCells, RunningTextStaysWhole) {
  // Prose: word spaces only, words starting wherever they fall, even where
  // one lines up with a word of the next line by chance.
  const auto lines = Lines({
      {{72, 100}, {103.3, 140}, {143.3, 170}, {173.3, 210}},
      {{72, 95}, {98.3, 140}, {143.3, 180}},
      {{72, 110}, {113.3, 150}},
  });
  for (const auto& split : SplitCells(lines)) EXPECT_EQ(split, (std::vector<size_t>{0}));
  // A single line with a wide gap stays a line of two cells: its table is the caller's to find.
  const auto alone = SplitCells(Lines({{{72, 100}, {200, 240}}}));
  EXPECT_EQ(alone[0], (std::vector<size_t>{0, 1}));
}

TEST(SplitCells, AWordSpaceInATableRowIsNoCellEdge) {
  // "Unit price" heads a column of right-aligned numbers of one width: the
  // numbers' left edge falls between "Unit" and "price" by chance.
  const auto lines = Lines({
      {{72, 90}, {200, 230}, {233.4, 260}, {330, 360}},  // Item  Unit price  Amount
      {{72, 130}, {233.4, 260}, {330, 360}},             // Beans       24.50    294.00
      {{72, 125}, {233.4, 260}, {330, 360}},             // Milk        18.90     75.60
  });
  const auto splits = SplitCells(lines);
  EXPECT_EQ(splits[0], (std::vector<size_t>{0, 1, 3}));
}

TEST(SplitCells, RightAlignedNumbersShareTheirRightEdge) {
  const auto lines = Lines({
      {{72, 110}, {180, 220}},                // Item      1,204.50
      {{72, 100}, {196, 220}},                // Tax          99.90
      {{72, 115}, {118.5, 150}, {210, 220}},  // Total due   5: "Total due" one cell, "5" right-aligned
  });
  const auto splits = SplitCells(lines);
  EXPECT_EQ(splits[2], (std::vector<size_t>{0, 2}));
}

}  // namespace
}  // namespace zembra::exporter
