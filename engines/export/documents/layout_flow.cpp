#include "engines/export/documents/layout_flow.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <optional>
#include <set>

namespace zembra::exporter {

namespace {

// A gap this many ems wide between pieces of text on one line may be the
// gutter between columns.
constexpr double kGutterEm = 1.5;
// Columns of running text: their lines are this many ems long (median).
constexpr double kProseEm = 8;

// x intervals no piece of the band covers, within [left, right].
std::vector<std::pair<double, double>> FreeIntervals(const LayoutBand& band, double left, double right) {
  std::vector<std::pair<double, double>> free;
  double x = left;
  for (const LayoutItem& piece : band.pieces) {
    if (piece.box.x0 > x) free.emplace_back(x, piece.box.x0);
    x = std::max(x, piece.box.x1);
  }
  if (x < right) free.emplace_back(x, right);
  return free;
}

std::vector<std::pair<double, double>> Intersect(const std::vector<std::pair<double, double>>& a,
                                                 const std::vector<std::pair<double, double>>& b, double minWidth) {
  std::vector<std::pair<double, double>> both;
  for (const auto& [a0, a1] : a) {
    for (const auto& [b0, b1] : b) {
      const double x0 = std::max(a0, b0), x1 = std::min(a1, b1);
      if (x1 - x0 >= minWidth) both.emplace_back(x0, x1);
    }
  }
  return both;
}

bool IsBullet(char32_t c) {
  return c == 0x2022 || c == 0x25E6 || c == 0x25AA || c == 0x25AB || c == 0x25A0 || c == 0x25A1 || c == 0x25CF ||
         c == 0x25CB || c == 0x2023 || c == 0x2043 || c == 0x2013 || c == 0x2014 || c == '-' || c == '*' || c == 0xB7 ||
         c == 0x27A2 || c == 0x2714 || c == 0x25B8 || c == 0x25BA;
}

}  // namespace

Box GlyphExtent(const std::vector<const Glyph*>& glyphs) {
  Box box;
  bool first = true;
  for (const Glyph* glyph : glyphs) {
    if (glyph->space()) continue;
    box = first ? glyph->box : Union(box, glyph->box);
    first = false;
  }
  if (first && !glyphs.empty()) box = glyphs.front()->box;
  return box;
}

double DominantSize(const std::vector<const Glyph*>& glyphs) {
  std::map<long, size_t> counts;
  for (const Glyph* glyph : glyphs) {
    if (!glyph->space()) ++counts[std::lround(glyph->size * 2)];
  }
  long best = 0;
  size_t most = 0;
  for (const auto& [size, count] : counts) {
    if (count > most) best = size, most = count;
  }
  return static_cast<double>(best) / 2;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

std::vector<std::vector<const Glyph*>> GlyphBands(std::vector<const Glyph*> glyphs) {
  // First the pieces of lines: glyphs on one line (overlapping vertically)
  // and near each other. A line beside a taller one (an address beside a
  // large title) stays a piece of its own, however the boxes overlap.
  struct Fragment {
    Box box;
    double baseline = 0, size = 0;
    std::vector<const Glyph*> glyphs;
  };
  std::stable_sort(glyphs.begin(), glyphs.end(),
                   [](const Glyph* a, const Glyph* b) { return a->box.y0 + a->box.y1 < b->box.y0 + b->box.y1; });
  std::vector<Fragment> fragments;
  std::vector<size_t> open;  // fragments a later glyph may still join
  for (const Glyph* glyph : glyphs) {
    const double middle = (glyph->box.y0 + glyph->box.y1) / 2;
    std::erase_if(open, [&](size_t f) { return fragments[f].box.y1 < middle - 2 * fragments[f].size; });
    std::optional<size_t> joined;
    for (auto it = open.rbegin(); it != open.rend() && !joined; ++it) {
      const Fragment& fragment = fragments[*it];
      const double overlap = std::min(fragment.box.y1, glyph->box.y1) - std::max(fragment.box.y0, glyph->box.y0);
      if (overlap < 0.5 * std::min(fragment.box.height(), glyph->box.height())) continue;
      const double distance = std::max({0.0, glyph->box.x0 - fragment.box.x1, fragment.box.x0 - glyph->box.x1});
      if (distance <= kGutterEm * std::max(fragment.size, glyph->size)) joined = *it;
    }
    if (joined) {
      Fragment& fragment = fragments[*joined];
      fragment.glyphs.push_back(glyph);
      fragment.box = Union(fragment.box, glyph->box);
      if (glyph->size > fragment.size) fragment.size = glyph->size, fragment.baseline = glyph->baseline;
      continue;
    }
    fragments.push_back({glyph->box, glyph->baseline, glyph->size, {glyph}});
    open.push_back(fragments.size() - 1);
  }
  // Then lines across the page: pieces standing on one baseline.
  std::stable_sort(fragments.begin(), fragments.end(),
                   [](const Fragment& a, const Fragment& b) { return a.baseline < b.baseline; });
  std::vector<std::vector<const Glyph*>> bands;
  double baseline = 0, size = 0;
  for (Fragment& fragment : fragments) {
    if (!bands.empty() && std::fabs(fragment.baseline - baseline) <= 0.3 * std::min(size, fragment.size)) {
      bands.back().insert(bands.back().end(), fragment.glyphs.begin(), fragment.glyphs.end());
      continue;
    }
    bands.push_back(std::move(fragment.glyphs));
    baseline = fragment.baseline;
    size = fragment.size;
  }
  for (auto& line : bands) {
    std::stable_sort(line.begin(), line.end(),
                     [](const Glyph* a, const Glyph* b) { return a->box.x0 + a->box.x1 < b->box.x0 + b->box.x1; });
  }
  // Lines top to bottom by their tops, as they are read.
  std::stable_sort(bands.begin(), bands.end(),
                   [](const auto& a, const auto& b) { return GlyphExtent(a).y0 < GlyphExtent(b).y0; });
  return bands;
}

LayoutItem LineItem(std::vector<const Glyph*> glyphs) {
  LayoutItem item;
  item.box = GlyphExtent(glyphs);
  item.size = DominantSize(glyphs);
  item.glyphs = std::move(glyphs);
  return item;
}

std::vector<LayoutItem> LinePieces(const std::vector<const Glyph*>& band) {
  std::vector<LayoutItem> pieces;
  std::vector<const Glyph*> current;
  double right = 0;
  for (const Glyph* glyph : band) {
    if (!current.empty() && !glyph->space() && glyph->box.x0 - right > kGutterEm * glyph->size) {
      pieces.push_back(LineItem(std::move(current)));
      current.clear();
    }
    if (current.empty() && glyph->space()) continue;
    current.push_back(glyph);
    if (!glyph->space()) right = std::max(right, glyph->box.x1);
  }
  if (!current.empty()) pieces.push_back(LineItem(std::move(current)));
  return pieces;
}

std::vector<FlowRun> ReadingFlows(std::vector<LayoutBand> bands, double left, double right, double bodySize) {
  std::vector<FlowRun> flows;
  std::vector<LayoutItem> single;
  auto flushSingle = [&] {
    if (!single.empty()) flows.push_back({std::move(single), false});
    single.clear();
  };
  auto addWhole = [&](LayoutBand& band) {
    // A band outside columns is one line again (its pieces joined), or the
    // block it holds.
    if (band.pieces.size() == 1 || band.pieces.front().block) {
      for (LayoutItem& piece : band.pieces) single.push_back(std::move(piece));
      return;
    }
    std::vector<const Glyph*> glyphs;
    for (LayoutItem& piece : band.pieces) glyphs.insert(glyphs.end(), piece.glyphs.begin(), piece.glyphs.end());
    single.push_back(LineItem(std::move(glyphs)));
  };
  const double minGutter = kGutterEm * bodySize;
  size_t i = 0;
  while (i < bands.size()) {
    // The longest run from here with a gutter no piece crosses.
    std::vector<std::pair<double, double>> free = FreeIntervals(bands[i], left, right);
    size_t end = i + 1;
    std::vector<std::pair<double, double>> kept = free;
    // A gutter is one once text stands on both its sides; the run ends
    // where the last such gutter is crossed (a strip of margin beside the
    // text may stay free longer).
    auto supported = [&](const std::vector<std::pair<double, double>>& gutters, size_t last) {
      for (const auto& [x0, x1] : gutters) {
        bool before = false, after = false;
        for (size_t b = i; b <= last; ++b) {
          for (const LayoutItem& piece : bands[b].pieces) {
            before = before || piece.box.x1 <= x0;
            after = after || piece.box.x0 >= x1;
          }
        }
        if (before && after) return true;
      }
      return false;
    };
    while (end < bands.size()) {
      const auto next = Intersect(kept, FreeIntervals(bands[end], left, right), minGutter);
      if (next.empty() || (supported(kept, end - 1) && !supported(next, end))) break;
      kept = next;
      ++end;
    }
    // Gutters with text on both sides: columns of running text, or blocks
    // side by side whose lines do not pair up (a sender's address beside
    // the title). Lines that pair up with short text are a table's rows.
    std::vector<std::pair<double, double>> gutters;
    for (const auto& gutter : kept) {
      size_t before = 0, after = 0, both = 0;
      std::vector<double> widthsBefore, widthsAfter;
      for (size_t b = i; b < end; ++b) {
        bool hasBefore = false, hasAfter = false;
        for (const LayoutItem& piece : bands[b].pieces) {
          if (piece.box.x1 <= gutter.first) {
            hasBefore = true;
            if (!piece.block) widthsBefore.push_back(piece.box.width());
          }
          if (piece.box.x0 >= gutter.second) {
            hasAfter = true;
            if (!piece.block) widthsAfter.push_back(piece.box.width());
          }
        }
        before += hasBefore, after += hasAfter, both += hasBefore && hasAfter;
      }
      const bool prose = Median(widthsBefore) >= kProseEm * bodySize && Median(widthsAfter) >= kProseEm * bodySize;
      const bool unpaired = 2 * both <= end - i;
      if (before >= 2 && after >= 2 && (prose || unpaired)) gutters.push_back(gutter);
    }
    if (end - i < 4 || gutters.empty()) {
      addWhole(bands[i]);
      ++i;
      continue;
    }
    // Columns of the section: pieces between the gutters.
    const size_t columns = gutters.size() + 1;
    auto columnOf = [&](const LayoutItem& piece) {
      size_t c = 0;
      while (c < gutters.size() && piece.box.x0 >= gutters[c].second) ++c;
      return c;
    };
    // Bands at either end with text in one column only that stand apart
    // from it (a heading above the section, the next one below it) are
    // outside the section.
    auto oneSided = [&](size_t b) {
      std::set<size_t> used;
      for (const LayoutItem& piece : bands[b].pieces) used.insert(columnOf(piece));
      return used.size() == 1;
    };
    auto apart = [&](size_t b, size_t neighbour) {
      const Box& a = bands[b].box;
      const Box& n = bands[neighbour].box;
      const double gap = a.y0 > n.y1 ? a.y0 - n.y1 : n.y0 - a.y1;
      return gap > 0.8 * std::min(a.height(), n.height());
    };
    // The nearest band of the same column inside the run.
    auto sameColumnNeighbour = [&](size_t b, size_t from, size_t to) -> std::optional<size_t> {
      const size_t column = columnOf(bands[b].pieces.front());
      for (size_t k = from; k < to; ++k) {
        if (k == b) continue;
        for (const LayoutItem& piece : bands[k].pieces) {
          if (columnOf(piece) == column) return k;
        }
      }
      return std::nullopt;
    };
    size_t first = i, last = end;
    while (first < last && oneSided(first)) {
      const auto neighbour = sameColumnNeighbour(first, first + 1, last);
      if (neighbour && !apart(first, *neighbour)) break;
      ++first;
    }
    while (last > first && oneSided(last - 1)) {
      std::optional<size_t> neighbour;
      for (size_t k = last - 1; k-- > first;) {
        if (sameColumnNeighbour(last - 1, k, k + 1)) {
          neighbour = k;
          break;
        }
      }
      if (neighbour && !apart(last - 1, *neighbour)) break;
      --last;
    }
    if (last - first < 4) {
      addWhole(bands[i]);
      ++i;
      continue;
    }
    for (size_t b = i; b < first; ++b) addWhole(bands[b]);
    flushSingle();
    std::vector<std::vector<LayoutItem>> columnFlows(columns);
    for (size_t b = first; b < last; ++b) {
      // The pieces of one column on one band make one line.
      std::vector<std::vector<const Glyph*>> lines(columns);
      for (LayoutItem& piece : bands[b].pieces) {
        const size_t column = columnOf(piece);
        if (piece.block) {
          columnFlows[column].push_back(std::move(piece));
          continue;
        }
        lines[column].insert(lines[column].end(), piece.glyphs.begin(), piece.glyphs.end());
      }
      for (size_t c = 0; c < columns; ++c) {
        if (!lines[c].empty()) columnFlows[c].push_back(LineItem(std::move(lines[c])));
      }
    }
    for (std::vector<LayoutItem>& column : columnFlows) {
      // A column's lines top to bottom by their own tops (a band's top may
      // be a taller line's in the column beside).
      std::stable_sort(column.begin(), column.end(),
                       [](const LayoutItem& a, const LayoutItem& b) { return a.box.y0 < b.box.y0; });
      if (!column.empty()) flows.push_back({std::move(column), true});
    }
    i = last;
  }
  flushSingle();
  return flows;
}

std::optional<LineLabel> LineLabelOf(const std::vector<const Glyph*>& glyphs) {
  size_t start = 0;
  while (start < glyphs.size() && glyphs[start]->space()) ++start;
  if (start >= glyphs.size()) return std::nullopt;
  // The first word and the gap after it.
  size_t end = start + 1;
  while (end < glyphs.size() && !glyphs[end]->space() &&
         glyphs[end]->box.x0 - glyphs[end - 1]->box.x1 < 0.15 * glyphs[end]->size) {
    ++end;
  }
  if (end >= glyphs.size()) return std::nullopt;  // a label alone is no item
  std::string word;
  for (size_t k = start; k < end; ++k) word += glyphs[k]->text;
  LineLabel label;
  label.glyphs = end;
  if (end - start == 1 && IsBullet(glyphs[start]->code)) {
    label.text = word;
    return label;
  }
  if (word.size() < 2 || word.size() > 6) return std::nullopt;
  const char close = word.back();
  if (close != '.' && close != ')') return std::nullopt;
  const std::string body = word.substr(0, word.size() - 1);
  const bool digits = std::all_of(body.begin(), body.end(), [](char c) { return c >= '0' && c <= '9'; });
  const bool letter = body.size() == 1 && std::isalpha(static_cast<unsigned char>(body[0]));
  const bool roman = std::all_of(body.begin(), body.end(),
                                 [](char c) { return std::string("ivxlcIVXLC").find(c) != std::string::npos; });
  if (!digits && !letter && !roman) return std::nullopt;
  label.text = word;
  label.ordered = true;
  return label;
}

}  // namespace zembra::exporter
