// The drawn side of tables: rules (borders) and filled areas (backgrounds)
// among a page's shapes, the edges of columns and rows they give, and each
// cell's borders and background.
#pragma once

#include <optional>
#include <vector>

#include "engines/export/documents/document_model.h"
#include "engines/export/documents/page_content.h"

namespace zembra::exporter {

/// A drawn line: a thin filled rectangle, a stroked segment, or a side of a
/// stroked rectangle.
struct Rule {
  bool horizontal = true;
  double position = 0;      ///< y of a horizontal rule's middle, x of a vertical one's
  double from = 0, to = 0;  ///< its extent along its length
  double width = 0;         ///< its thickness
  Rgb color;
};

/// A filled rectangle that is not a rule.
struct Fill {
  Box box;
  Rgb color;
};

/// A rule no thicker than this (points) is a line, not an area.
constexpr double kMaxRuleWidth = 4;

std::vector<Rule> RulesOf(const std::vector<const Shape*>& shapes);
std::vector<Fill> FillsOf(const std::vector<const Shape*>& shapes);

/// Joins rules that continue each other (a border drawn cell by cell) into
/// one, per direction and position.
std::vector<Rule> MergeRules(std::vector<Rule> rules);

/// Where a cell's content lies along one axis, and the grid lines it spans.
struct Span {
  int first = 0, count = 1;  ///< grid tracks (columns or rows)
  double low = 0, high = 0;  ///< its content's extent
};

/// The edges of tracks (columns or rows) from their cells' content and the
/// rules across that axis at the given positions: an edge lies on a rule
/// between the content on either side when there is one, half way between
/// them when not. tracks + 1 edges, never decreasing.
std::vector<double> TrackEdges(const std::vector<Span>& cells, int tracks, const std::vector<double>& rules);

/// The cell's borders from the rules along its sides.
void SetBorders(TableCell& cell, const std::vector<Rule>& rules);

/// The colour of the fill (the last drawn) that covers most of a box; white
/// counts as none.
std::optional<Rgb> BackgroundOf(const Box& box, const std::vector<Fill>& fills);

}  // namespace zembra::exporter
