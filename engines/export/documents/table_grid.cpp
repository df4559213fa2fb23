#include "engines/export/documents/table_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zembra::exporter {

namespace {

// How far a rule may lie from a cell's side and still be its border.
constexpr double kSideTolerance = 2;

double Overlap(double a0, double a1, double b0, double b1) { return std::min(a1, b1) - std::max(a0, b0); }

}  // namespace

std::vector<Rule> RulesOf(const std::vector<const Shape*>& shapes) {
  std::vector<Rule> rules;
  for (const Shape* shape : shapes) {
    const Box& b = shape->box;
    if (shape->kind == ShapeKind::kLine ||
        (shape->kind == ShapeKind::kRectangle && shape->filled && std::min(b.width(), b.height()) <= kMaxRuleWidth &&
         std::max(b.width(), b.height()) >= 2 * std::min(b.width(), b.height()))) {
      Rule rule;
      rule.horizontal = b.width() >= b.height();
      rule.position = rule.horizontal ? (b.y0 + b.y1) / 2 : (b.x0 + b.x1) / 2;
      rule.from = rule.horizontal ? b.x0 : b.y0;
      rule.to = rule.horizontal ? b.x1 : b.y1;
      rule.width = std::max(0.1, rule.horizontal ? b.height() : b.width());
      rule.color = shape->color;
      rules.push_back(rule);
    } else if (shape->kind == ShapeKind::kRectangle && !shape->filled) {
      // A stroked rectangle's box holds its line: the sides run through the
      // middle of that line.
      const double w = shape->lineWidth, h = w / 2;
      rules.push_back({true, b.y0 + h, b.x0 + h, b.x1 - h, w, shape->color});
      rules.push_back({true, b.y1 - h, b.x0 + h, b.x1 - h, w, shape->color});
      rules.push_back({false, b.x0 + h, b.y0 + h, b.y1 - h, w, shape->color});
      rules.push_back({false, b.x1 - h, b.y0 + h, b.y1 - h, w, shape->color});
    }
  }
  return rules;
}

std::vector<Fill> FillsOf(const std::vector<const Shape*>& shapes) {
  std::vector<Fill> fills;
  for (const Shape* shape : shapes) {
    const Box& b = shape->box;
    if (shape->kind == ShapeKind::kRectangle && shape->filled && std::min(b.width(), b.height()) > kMaxRuleWidth) {
      fills.push_back({b, shape->color});
    }
  }
  return fills;
}

std::vector<Rule> MergeRules(std::vector<Rule> rules) {
  std::sort(rules.begin(), rules.end(), [](const Rule& a, const Rule& b) {
    if (a.horizontal != b.horizontal) return a.horizontal;
    if (std::fabs(a.position - b.position) > 0.5) return a.position < b.position;
    return a.from < b.from;
  });
  std::vector<Rule> merged;
  for (const Rule& rule : rules) {
    if (!merged.empty()) {
      Rule& last = merged.back();
      if (last.horizontal == rule.horizontal && std::fabs(last.position - rule.position) <= 0.5 &&
          rule.from <= last.to + std::max(last.width, rule.width) + 0.5) {
        last.to = std::max(last.to, rule.to);
        last.width = std::max(last.width, rule.width);
        continue;
      }
    }
    merged.push_back(rule);
  }
  return merged;
}

std::vector<double> TrackEdges(const std::vector<Span>& cells, int tracks, const std::vector<double>& rules) {
  const double none = std::numeric_limits<double>::quiet_NaN();
  // For each edge, the content that ends before it and starts after it.
  std::vector<double> before(static_cast<size_t>(tracks) + 1, none), after(static_cast<size_t>(tracks) + 1, none);
  for (const Span& cell : cells) {
    const auto start = static_cast<size_t>(cell.first);
    const auto end = static_cast<size_t>(std::min(tracks, cell.first + cell.count));
    if (start > static_cast<size_t>(tracks) || cell.high < cell.low) continue;
    after[start] = std::isnan(after[start]) ? cell.low : std::min(after[start], cell.low);
    before[end] = std::isnan(before[end]) ? cell.high : std::max(before[end], cell.high);
  }
  std::vector<double> sorted = rules;
  std::sort(sorted.begin(), sorted.end());
  std::vector<double> edges(static_cast<size_t>(tracks) + 1, none);
  for (size_t k = 0; k < edges.size(); ++k) {
    const double lo = before[k], hi = after[k];
    if (std::isnan(lo) && std::isnan(hi)) continue;
    double best = none;
    if (!std::isnan(lo) && !std::isnan(hi)) {
      // A rule between the two sides; the one nearest the middle.
      const double middle = (lo + hi) / 2;
      for (double rule : sorted) {
        if (rule >= std::min(lo, hi) - 1 && rule <= std::max(lo, hi) + 1 &&
            (std::isnan(best) || std::fabs(rule - middle) < std::fabs(best - middle))) {
          best = rule;
        }
      }
      edges[k] = std::isnan(best) ? middle : best;
    } else if (std::isnan(lo)) {
      // The outer edge before the content: the nearest rule within reach.
      for (double rule : sorted) {
        if (rule <= hi + 1 && rule >= hi - 12 && (std::isnan(best) || rule > best)) best = rule;
      }
      edges[k] = std::isnan(best) ? hi : best;
    } else {
      for (double rule : sorted) {
        if (rule >= lo - 1 && rule <= lo + 12 && (std::isnan(best) || rule < best)) best = rule;
      }
      edges[k] = std::isnan(best) ? lo : best;
    }
  }
  // Edges no cell fixes: evenly between the known ones.
  size_t k = 0;
  while (k < edges.size()) {
    if (!std::isnan(edges[k])) {
      ++k;
      continue;
    }
    size_t end = k;
    while (end < edges.size() && std::isnan(edges[end])) ++end;
    const double from = k > 0 ? edges[k - 1] : (end < edges.size() ? edges[end] : 0);
    const double to = end < edges.size() ? edges[end] : from;
    for (size_t i = k; i < end; ++i) {
      edges[i] = from + (to - from) * static_cast<double>(i - k + 1) / static_cast<double>(end - k + 1);
    }
    k = end;
  }
  for (size_t i = 1; i < edges.size(); ++i) edges[i] = std::max(edges[i], edges[i - 1]);
  return edges;
}

void SetBorders(TableCell& cell, const std::vector<Rule>& rules) {
  const Box& b = cell.box;
  auto find = [&](bool horizontal, double position, double from, double to) {
    Border border;
    for (const Rule& rule : rules) {
      if (rule.horizontal != horizontal) continue;
      if (std::fabs(rule.position - position) > std::max(kSideTolerance, rule.width)) continue;
      if (Overlap(rule.from, rule.to, from, to) < 0.5 * (to - from)) continue;
      if (border.width == 0 || std::fabs(rule.position - position) < border.width) border = {rule.width, rule.color};
    }
    return border;
  };
  cell.top = find(true, b.y0, b.x0, b.x1);
  cell.bottom = find(true, b.y1, b.x0, b.x1);
  cell.left = find(false, b.x0, b.y0, b.y1);
  cell.right = find(false, b.x1, b.y0, b.y1);
}

std::optional<Rgb> BackgroundOf(const Box& box, const std::vector<Fill>& fills) {
  const double area = box.width() * box.height();
  if (!(area > 0)) return std::nullopt;
  std::optional<Rgb> background;
  for (const Fill& fill : fills) {
    const double w = Overlap(fill.box.x0, fill.box.x1, box.x0, box.x1);
    const double h = Overlap(fill.box.y0, fill.box.y1, box.y0, box.y1);
    if (w <= 0 || h <= 0 || w * h < 0.7 * area) continue;
    background = fill.color == Rgb{255, 255, 255} ? std::nullopt : std::optional<Rgb>(fill.color);
  }
  return background;
}

}  // namespace zembra::exporter
