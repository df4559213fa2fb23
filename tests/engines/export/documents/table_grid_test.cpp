#include "engines/export/documents/table_grid.h"

#include <gtest/gtest.h>

#include <deque>

namespace zembra::exporter {
namespace {

constexpr Rgb kGrey{51, 51, 51};
constexpr Rgb kShade{221, 230, 240};

class Shapes {
 public:
  void Fill(Box box, Rgb color = kGrey) { Add(ShapeKind::kRectangle, true, box, color, 0); }
  void Stroke(ShapeKind kind, Box box, double width) { Add(kind, false, box, kGrey, width); }
  std::vector<const Shape*> All() const {
    std::vector<const Shape*> all;
    for (const Shape& shape : shapes_) all.push_back(&shape);
    return all;
  }

 private:
  void Add(ShapeKind kind, bool filled, Box box, Rgb color, double width) {
    Shape shape;
    shape.kind = kind;
    shape.filled = filled;
    shape.box = box;
    shape.color = color;
    shape.lineWidth = width;
    shapes_.push_back(shape);
  }
  std::deque<Shape> shapes_;
};

TEST(RulesOf, TellsLinesFromAreas) {
  Shapes shapes;
  shapes.Fill({10, 100, 200, 100.75});                        // a border drawn as a thin bar
  shapes.Fill({10, 100, 10.75, 150});                         // a vertical one
  shapes.Fill({10, 100, 200, 120}, kShade);                   // a cell background
  shapes.Stroke(ShapeKind::kLine, {50, 200, 50, 260}, 1);     // a stroked segment
  shapes.Stroke(ShapeKind::kRectangle, {-1, -1, 21, 11}, 2);  // a stroked frame (its box holds the line): four sides
  shapes.Stroke(ShapeKind::kOther, {0, 0, 30, 30}, 1);        // a curve: neither
  const std::vector<Rule> rules = RulesOf(shapes.All());
  ASSERT_EQ(rules.size(), 7u);
  EXPECT_TRUE(rules[0].horizontal);
  EXPECT_DOUBLE_EQ(rules[0].position, 100.375);
  EXPECT_DOUBLE_EQ(rules[0].width, 0.75);
  EXPECT_FALSE(rules[1].horizontal);
  EXPECT_DOUBLE_EQ(rules[1].from, 100);
  EXPECT_DOUBLE_EQ(rules[1].to, 150);
  EXPECT_DOUBLE_EQ(rules[2].position, 50);
  EXPECT_DOUBLE_EQ(rules[3].position, 0);  // the frame's top side
  EXPECT_DOUBLE_EQ(rules[3].to, 20);
  EXPECT_DOUBLE_EQ(rules[6].position, 20);  // its right side
  EXPECT_DOUBLE_EQ(rules[6].width, 2);
  const std::vector<Fill> fills = FillsOf(shapes.All());
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0].color, kShade);
}

TEST(MergeRules, JoinsABorderDrawnCellByCell) {
  std::vector<Rule> rules = {
      {true, 100, 50, 100, 0.75, kGrey}, {true, 100.2, 100.5, 160, 0.75, kGrey}, {true, 100, 200, 230, 0.75, kGrey},
      {false, 50, 0, 100, 0.75, kGrey},  {true, 140, 50, 100, 0.75, kGrey},
  };
  const std::vector<Rule> merged = MergeRules(rules);
  ASSERT_EQ(merged.size(), 4u);
  EXPECT_DOUBLE_EQ(merged[0].from, 50);
  EXPECT_DOUBLE_EQ(merged[0].to, 160);    // the first two continue each other
  EXPECT_DOUBLE_EQ(merged[1].from, 200);  // the third leaves a gap
  EXPECT_DOUBLE_EQ(merged[2].position, 140);
  EXPECT_FALSE(merged[3].horizontal);
}

TEST(TrackEdges, PutsEdgesOnRulesBetweenTheContent) {
  // Three columns: content at 12-40, 52-90 (and a cell spanning both), 104-130.
  const std::vector<Span> cells = {{0, 1, 12, 40}, {1, 1, 52, 90}, {2, 1, 104, 130}, {0, 2, 12, 70}};
  EXPECT_EQ(TrackEdges(cells, 3, {10, 46, 100, 133}), (std::vector<double>{10, 46, 100, 133}));
  // Without rules: half way between, the content's own ends outside.
  EXPECT_EQ(TrackEdges(cells, 3, {}), (std::vector<double>{12, 46, 97, 130}));
  // A rule far outside the content is not its edge.
  EXPECT_EQ(TrackEdges(cells, 3, {-40, 200}), (std::vector<double>{12, 46, 97, 130}));
  // A rule across the content of a cell (the spanning one) is not an edge of it.
  EXPECT_EQ(TrackEdges({{0, 1, 10, 20}, {1, 1, 30, 40}}, 2, {35}), (std::vector<double>{10, 25, 40}));
}

TEST(TrackEdges, FillsTracksNoCellFixesAndNeverGoesBack) {
  // Column 1 holds nothing of its own: its edges fall evenly between its neighbours'.
  const std::vector<double> edges = TrackEdges({{0, 1, 0, 10}, {2, 1, 40, 50}}, 3, {});
  ASSERT_EQ(edges.size(), 4u);
  EXPECT_DOUBLE_EQ(edges[0], 0);
  EXPECT_DOUBLE_EQ(edges[3], 50);
  EXPECT_LE(edges[1], edges[2]);
  EXPECT_GE(edges[1], 10);
  EXPECT_LE(edges[2], 40);
}

TEST(SetBorders, FindsTheRuleAlongEachSide) {
  TableCell cell;
  cell.box = {10, 100, 60, 120};
  const std::vector<Rule> rules = {
      {true, 100.3, 0, 200, 0.75, kGrey},           // top, across the table
      {true, 120, 10, 20, 2, kGrey},                // under a fifth of the bottom only: not its border
      {false, 60.4, 90, 130, 1.5, Rgb{200, 0, 0}},  // right
  };
  SetBorders(cell, rules);
  EXPECT_EQ(cell.top, (Border{0.75, kGrey}));
  EXPECT_EQ(cell.bottom, Border{});
  EXPECT_EQ(cell.left, Border{});
  EXPECT_EQ(cell.right, (Border{1.5, Rgb{200, 0, 0}}));
}

TEST(BackgroundOf, IsTheLastFillCoveringTheCell) {
  const Box cell{10, 100, 60, 120};
  EXPECT_EQ(BackgroundOf(cell, {{{0, 90, 200, 130}, kShade}}), kShade);         // a row's background
  EXPECT_EQ(BackgroundOf(cell, {{{10, 100, 30, 120}, kShade}}), std::nullopt);  // covers too little
  EXPECT_EQ(BackgroundOf(cell, {{{10, 100, 60, 120}, kShade}, {{10, 100, 60, 120}, kGrey}}), kGrey);
  EXPECT_EQ(BackgroundOf(cell, {{{10, 100, 60, 120}, kShade}, {{0, 0, 600, 800}, Rgb{255, 255, 255}}}),
            std::nullopt);  // painted over in white
}

}  // namespace
}  // namespace zembra::exporter
