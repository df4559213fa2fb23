#include "engines/export/documents/layout_tables.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace zembra::exporter {

namespace {

// How far apart (points) rules may be and still meet.
constexpr double kMeet = 2;
// Positions closer than this (points) are one grid line.
constexpr double kSameLine = 1.5;
// Rules shorter than this (points) are marks, not borders.
constexpr double kShortest = 4;
// Stacked horizontal rules of one extent this far apart (points) at most
// are the rules between the rows of one table.
constexpr double kRowRuleReach = 80;

// Word gaps: a whole em is a cell boundary; a third of an em may be one in a
// tight table; a tenth of an em is the least gap between two words.
constexpr double kWideGapEm = 0.9;
constexpr double kColumnGapEm = 0.38;
constexpr double kMinColumnGapEm = 0.2;
constexpr double kTightGapEm = 0.1;
constexpr double kTighterThanSpace = 1.25;
constexpr double kEdgeTolerance = 0.75;
constexpr size_t kColumnWindow = 8;

struct UnionFind {
  std::vector<size_t> parent;
  explicit UnionFind(size_t n) : parent(n) { std::iota(parent.begin(), parent.end(), 0); }
  size_t Find(size_t i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  }
  void Join(size_t a, size_t b) { parent[Find(a)] = Find(b); }
};

bool Meet(const Rule& a, const Rule& b) {
  if (a.horizontal == b.horizontal) {
    if (!a.horizontal) return false;
    return std::fabs(a.from - b.from) <= 3 && std::fabs(a.to - b.to) <= 3 &&
           std::fabs(a.position - b.position) <= kRowRuleReach;
  }
  const Rule& h = a.horizontal ? a : b;
  const Rule& v = a.horizontal ? b : a;
  return v.position >= h.from - kMeet && v.position <= h.to + kMeet && h.position >= v.from - kMeet &&
         h.position <= v.to + kMeet;
}

// Sorted positions, those closer than kSameLine made one (their middle).
std::vector<double> Lines(std::vector<double> positions) {
  std::sort(positions.begin(), positions.end());
  std::vector<double> lines;
  size_t start = 0;
  for (size_t i = 1; i <= positions.size(); ++i) {
    if (i == positions.size() || positions[i] - positions[i - 1] > kSameLine) {
      lines.push_back((positions[start] + positions[i - 1]) / 2);
      start = i;
    }
  }
  return lines;
}

// Whether a rule of the given direction lies along position and covers
// most of [from, to].
bool Covered(const std::vector<Rule>& rules, bool horizontal, double position, double from, double to) {
  for (const Rule& rule : rules) {
    if (rule.horizontal != horizontal || std::fabs(rule.position - position) > std::max(kSameLine, rule.width))
      continue;
    const double overlap = std::min(rule.to, to) - std::max(rule.from, from);
    if (overlap >= 0.5 * (to - from)) return true;
  }
  return false;
}

RuledGrid GridOf(const std::vector<Rule>& rules) {
  RuledGrid grid;
  std::vector<double> xs, ys;
  double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
  bool vertical = false;
  for (const Rule& rule : rules) {
    (rule.horizontal ? ys : xs).push_back(rule.position);
    if (rule.horizontal) {
      left = std::min(left, rule.from);
      right = std::max(right, rule.to);
    } else {
      top = std::min(top, rule.from);
      bottom = std::max(bottom, rule.to);
      vertical = true;
    }
  }
  grid.rows = Lines(ys);
  grid.ruledColumns = vertical;
  if (!vertical) {
    grid.columns = {left, right};
  } else {
    grid.columns = Lines(xs);
    // Rules that reach past the outermost ones of the other direction: the
    // table's outer edge has no rule of its own there.
    if (left < grid.columns.front() - 3) grid.columns.insert(grid.columns.begin(), left);
    if (right > grid.columns.back() + 3) grid.columns.push_back(right);
    if (top < grid.rows.front() - 3) grid.rows.insert(grid.rows.begin(), top);
    if (bottom > grid.rows.back() + 3) grid.rows.push_back(bottom);
  }
  return grid;
}

void AddCells(RuledGrid& grid, const std::vector<Rule>& rules) {
  const size_t columns = grid.columns.size() - 1, rows = grid.rows.size() - 1;
  if (!grid.ruledColumns) {
    for (size_t r = 0; r < rows; ++r) grid.cells.push_back({static_cast<int>(r), 0, 1, 1});
    return;
  }
  UnionFind joined(rows * columns);
  auto at = [columns](size_t r, size_t c) { return r * columns + c; };
  for (size_t r = 0; r < rows; ++r) {
    for (size_t c = 0; c < columns; ++c) {
      if (c + 1 < columns && !Covered(rules, false, grid.columns[c + 1], grid.rows[r], grid.rows[r + 1])) {
        joined.Join(at(r, c), at(r, c + 1));
      }
      if (r + 1 < rows && !Covered(rules, true, grid.rows[r + 1], grid.columns[c], grid.columns[c + 1])) {
        joined.Join(at(r, c), at(r + 1, c));
      }
    }
  }
  // Each group of joined tracks is one cell when it is a rectangle; a group
  // of another shape (a rule missing in the middle of a grid) stays apart.
  struct Extent {
    size_t r0 = SIZE_MAX, c0 = SIZE_MAX, r1 = 0, c1 = 0, count = 0;
  };
  std::vector<Extent> extents(rows * columns);
  for (size_t r = 0; r < rows; ++r) {
    for (size_t c = 0; c < columns; ++c) {
      Extent& e = extents[joined.Find(at(r, c))];
      e.r0 = std::min(e.r0, r), e.c0 = std::min(e.c0, c), e.r1 = std::max(e.r1, r), e.c1 = std::max(e.c1, c);
      ++e.count;
    }
  }
  for (size_t r = 0; r < rows; ++r) {
    for (size_t c = 0; c < columns; ++c) {
      const Extent& e = extents[joined.Find(at(r, c))];
      const bool rectangle = e.count == (e.r1 - e.r0 + 1) * (e.c1 - e.c0 + 1);
      if (!rectangle) {
        grid.cells.push_back({static_cast<int>(r), static_cast<int>(c), 1, 1});
      } else if (e.r0 == r && e.c0 == c) {
        grid.cells.push_back({static_cast<int>(r), static_cast<int>(c), static_cast<int>(e.r1 - e.r0 + 1),
                              static_cast<int>(e.c1 - e.c0 + 1)});
      }
    }
  }
}

}  // namespace

std::vector<RuledGrid> FindRuledGrids(const std::vector<Rule>& rules) {
  std::vector<Rule> kept;
  for (const Rule& rule : MergeRules(rules)) {
    if (rule.to - rule.from >= kShortest) kept.push_back(rule);
  }
  // Rules that cross or meet first; then horizontal rules that meet no
  // vertical one, stacked with the same extent (rules between rows). Boxes
  // drawn one below the other (cards) are not joined that way.
  UnionFind groups(kept.size());
  std::vector<bool> crossed(kept.size(), false);
  for (size_t i = 0; i < kept.size(); ++i) {
    for (size_t j = i + 1; j < kept.size(); ++j) {
      if (kept[i].horizontal != kept[j].horizontal && Meet(kept[i], kept[j])) {
        groups.Join(i, j);
        crossed[i] = crossed[j] = true;
      }
    }
  }
  for (size_t i = 0; i < kept.size(); ++i) {
    for (size_t j = i + 1; j < kept.size(); ++j) {
      if (!crossed[i] && !crossed[j] && kept[i].horizontal && kept[j].horizontal && Meet(kept[i], kept[j])) {
        groups.Join(i, j);
      }
    }
  }
  std::vector<std::vector<Rule>> members(kept.size());
  for (size_t i = 0; i < kept.size(); ++i) members[groups.Find(i)].push_back(kept[i]);
  std::vector<RuledGrid> grids;
  for (const std::vector<Rule>& group : members) {
    size_t horizontal = 0, vertical = 0;
    for (const Rule& rule : group) (rule.horizontal ? horizontal : vertical)++;
    // A frame (two rules each way) is one cell; rules between rows need
    // three at least to make two rows.
    if (horizontal < 2 || (vertical == 0 && horizontal < 3) || (vertical > 0 && vertical < 2)) continue;
    RuledGrid grid = GridOf(group);
    if (grid.columns.size() < 2 || grid.rows.size() < 2) continue;
    if ((grid.columns.size() - 1) * (grid.rows.size() - 1) < 2) continue;
    AddCells(grid, group);
    grids.push_back(std::move(grid));
  }
  std::sort(grids.begin(), grids.end(), [](const RuledGrid& a, const RuledGrid& b) { return a.rows[0] < b.rows[0]; });
  return grids;
}

std::vector<std::vector<size_t>> SplitCells(const std::vector<std::vector<PlacedWord>>& lines) {
  auto gap = [&](size_t l, size_t i) { return lines[l][i].gapBefore; };
  auto em = [&](size_t l, size_t i) { return std::max(lines[l][i].size, lines[l][i - 1].size); };
  auto wide = [&](size_t l, size_t i) { return gap(l, i) >= kWideGapEm * em(l, i); };
  // A gap that may part two cells: clearly wider than a word space,
  // absolutely or against the narrowest gap of its line.
  auto columnGap = [&](size_t l, size_t i) {
    const double g = gap(l, i), e = em(l, i);
    if (g >= kColumnGapEm * e) return true;
    if (g < kMinColumnGapEm * e) return false;
    for (size_t k = 1; k < lines[l].size(); ++k) {
      if (k != i && gap(l, k) > 0 && g >= kTighterThanSpace * gap(l, k)) return true;
    }
    return false;
  };
  std::vector<bool> tableLike(lines.size(), false);
  for (size_t l = 0; l < lines.size(); ++l) {
    for (size_t i = 1; i < lines[l].size(); ++i) tableLike[l] = tableLike[l] || wide(l, i);
  }
  // How many other table-like lines nearby have a cell edge at x: a word
  // starting there after a cell gap (or starting the line), or ending there
  // before one (or ending the line).
  auto edgeCount = [&](size_t self, double x, bool leftEdge) {
    size_t count = 0;
    const size_t from = self > kColumnWindow ? self - kColumnWindow : 0;
    const size_t to = std::min(lines.size(), self + kColumnWindow + 1);
    for (size_t l = from; l < to; ++l) {
      if (l == self || !tableLike[l]) continue;
      const std::vector<PlacedWord>& words = lines[l];
      for (size_t i = 0; i < words.size(); ++i) {
        if (leftEdge && std::fabs(words[i].x0 - x) <= kEdgeTolerance && (i == 0 || columnGap(l, i))) {
          ++count;
          break;
        }
        if (!leftEdge && std::fabs(words[i].x1 - x) <= kEdgeTolerance &&
            (i + 1 == words.size() || columnGap(l, i + 1))) {
          ++count;
          break;
        }
      }
    }
    return count;
  };
  std::vector<std::vector<size_t>> splits(lines.size());
  for (size_t l = 0; l < lines.size(); ++l) {
    const std::vector<PlacedWord>& words = lines[l];
    if (words.empty()) continue;
    splits[l].push_back(0);
    for (size_t i = 1; i < words.size(); ++i) {
      bool split = wide(l, i);
      if (!split && tableLike[l] && columnGap(l, i)) {
        split = edgeCount(l, words[i].x0, true) >= 1 || edgeCount(l, words[i - 1].x1, false) >= 1;
      } else if (!split && !tableLike[l] && gap(l, i) >= kTightGapEm * em(l, i)) {
        // A line without a wide gap of its own, tightly set: only where the
        // edge of a column continues in two table-like lines. (A line with
        // wide gaps has shown where its cells part: a word space is none.)
        split = edgeCount(l, words[i].x0, true) >= 2 || edgeCount(l, words[i - 1].x1, false) >= 2;
      }
      if (split) splits[l].push_back(i);
    }
  }
  return splits;
}

}  // namespace zembra::exporter
