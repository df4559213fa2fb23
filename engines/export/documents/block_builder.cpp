#include "engines/export/documents/block_builder.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "engines/export/documents/bidi_order.h"
#include "engines/export/documents/table_grid.h"
#include "engines/export/documents/text_lines.h"
#include "engines/export/documents/utf8.h"

namespace zembra::exporter {

namespace {

// Vector art is drawn into its picture at this resolution at least.
constexpr double kArtDpi = 150;
// How far (points) line ends may differ and still be flush.
constexpr double kFlush = 1.5;

bool Near(double a, double b, double tolerance = kFlush) { return std::fabs(a - b) <= tolerance; }

bool HasLetters(const Paragraph& paragraph) {
  for (char32_t c : DecodeUtf8(FlowText(paragraph))) {
    const BidiClass cls = BidiClassOf(c);
    if (cls == BidiClass::kLeft || cls == BidiClass::kRight) return true;
  }
  return false;
}

enum class Side { kLeft, kCenter, kRight };

Alignment AlignmentOfSide(Side side, bool rightToLeft) {
  switch (side) {
    case Side::kCenter:
      return Alignment::kCenter;
    case Side::kRight:
      return rightToLeft ? Alignment::kStart : Alignment::kEnd;
    default:
      return rightToLeft ? Alignment::kEnd : Alignment::kStart;
  }
}

// A cell's one line alone in its cell: the side it keeps to, from its gaps.
Side OwnSide(const TextLine& line, const Box& cell, double padding, bool rightToLeft) {
  const double left = line.box.x0 - cell.x0, right = cell.x1 - line.box.x1;
  if (Near(left, right, 1) && left > padding + 2) return Side::kCenter;
  if (right < left - 3) return Side::kRight;
  if (left < right - 3) return Side::kLeft;
  return rightToLeft ? Side::kRight : Side::kLeft;
}

// Cell text keeps to the side its column keeps to: the edge (left, right or
// middle) that the one-line cells of the column share. A cell whose line
// does not stand on that edge (a centred heading over numbers), a spanning
// cell and a column with nothing shared are judged by their own gaps.
void AlignCellParagraphs(Table& table) {
  struct Anchor {
    std::vector<double> lefts, rights, middles;
  };
  std::vector<Anchor> anchors(static_cast<size_t>(table.columns));
  auto single = [](const TableCell& cell, const Paragraph& paragraph) {
    return cell.columnSpan == 1 && paragraph.lines.size() == 1 && paragraph.page == cell.page;
  };
  for (const TableCell& cell : table.cells) {
    for (const Paragraph& paragraph : cell.paragraphs) {
      if (!single(cell, paragraph)) continue;
      const Box& box = paragraph.lines.front().box;
      Anchor& anchor = anchors[static_cast<size_t>(cell.column)];
      anchor.lefts.push_back(box.x0);
      anchor.rights.push_back(box.x1);
      anchor.middles.push_back((box.x0 + box.x1) / 2);
    }
  }
  // The edge most of the column's lines share, within a point and a half.
  struct Edge {
    Side side = Side::kLeft;
    double position = 0;
    bool known = false;
  };
  auto shared = [](std::vector<double> values, double& position) {
    // The most values within a window of twice the tolerance, around its middle one.
    std::sort(values.begin(), values.end());
    size_t best = 0, from = 0;
    for (size_t to = 0; to < values.size(); ++to) {
      while (values[to] - values[from] > 2 * kFlush) ++from;
      if (to - from + 1 > best) best = to - from + 1, position = values[(from + to) / 2];
    }
    return best;
  };
  std::vector<Edge> edges(anchors.size());
  for (size_t c = 0; c < anchors.size(); ++c) {
    const Anchor& anchor = anchors[c];
    if (anchor.lefts.size() < 2) continue;
    double left = 0, right = 0, middle = 0;
    const size_t byLeft = shared(anchor.lefts, left), byRight = shared(anchor.rights, right),
                 byMiddle = shared(anchor.middles, middle);
    const size_t best = std::max({byLeft, byRight, byMiddle});
    if (best < 2) continue;
    // Lines of one width share every edge: each cell tells by its own gaps.
    // A shared middle besides a shared side is the side's doing.
    if (byLeft == best && byRight == best) continue;
    if (byLeft == best) {
      edges[c] = {Side::kLeft, left, true};
    } else if (byRight >= byMiddle) {
      edges[c] = {Side::kRight, right, true};
    } else {
      edges[c] = {Side::kCenter, middle, true};
    }
  }
  // The least inset of a column's text: its cells' padding.
  std::vector<double> padding(anchors.size(), 1e9);
  for (const TableCell& cell : table.cells) {
    for (const Paragraph& paragraph : cell.paragraphs) {
      if (!single(cell, paragraph)) continue;
      const Box& box = paragraph.lines.front().box;
      double& pad = padding[static_cast<size_t>(cell.column)];
      pad = std::min({pad, box.x0 - cell.box.x0, cell.box.x1 - box.x1});
    }
  }
  for (TableCell& cell : table.cells) {
    const Edge& edge = edges[static_cast<size_t>(cell.column)];
    for (Paragraph& paragraph : cell.paragraphs) {
      if (!single(cell, paragraph)) {
        const double inset = 2;
        std::vector<TextLine> lines;
        for (const TextLine& line : paragraph.lines) {
          if (line.page == cell.page) lines.push_back(line);
        }
        paragraph.alignment = AlignmentOf(
            lines, Box{cell.box.x0 + inset, cell.box.y0, cell.box.x1 - inset, cell.box.y1}, paragraph.rightToLeft);
        continue;
      }
      const Box& box = paragraph.lines.front().box;
      Side side =
          OwnSide(paragraph.lines.front(), cell.box, padding[static_cast<size_t>(cell.column)], paragraph.rightToLeft);
      if (edge.known) {
        const double position = edge.side == Side::kLeft    ? box.x0
                                : edge.side == Side::kRight ? box.x1
                                                            : (box.x0 + box.x1) / 2;
        if (Near(position, edge.position)) side = edge.side;
      }
      paragraph.alignment = AlignmentOfSide(side, paragraph.rightToLeft);
    }
  }
}

}  // namespace

Box Union(const Box& a, const Box& b) {
  return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

void ShareStyles(ReadPages& pages) {
  std::vector<TextStyle>& shared = pages.styles;
  for (PageDrawing& page : pages.pages) {
    std::vector<int> index(page.styles.size(), 0);
    for (size_t s = 0; s < page.styles.size(); ++s) {
      const auto found = std::find(shared.begin(), shared.end(), page.styles[s]);
      index[s] = static_cast<int>(found - shared.begin());
      if (found == shared.end()) shared.push_back(page.styles[s]);
    }
    for (Glyph& glyph : page.glyphs) glyph.style = index[static_cast<size_t>(glyph.style)];
  }
}

Alignment AlignmentOf(const std::vector<TextLine>& lines, const Box& container, bool rightToLeft) {
  const Alignment left = rightToLeft ? Alignment::kEnd : Alignment::kStart;
  const Alignment right = rightToLeft ? Alignment::kStart : Alignment::kEnd;
  if (lines.empty() || !(container.width() > 0)) return rightToLeft ? right : left;
  const double middle = (container.x0 + container.x1) / 2;
  auto gapLeft = [&](const TextLine& line) { return line.box.x0 - container.x0; };
  auto gapRight = [&](const TextLine& line) { return container.x1 - line.box.x1; };
  bool centred = true, flushLeft = true, flushRight = true;
  for (const TextLine& line : lines) {
    centred = centred && Near((line.box.x0 + line.box.x1) / 2, middle, 2) && gapLeft(line) > 4;
    flushLeft = flushLeft && gapLeft(line) <= kFlush;
    flushRight = flushRight && gapRight(line) <= kFlush;
  }
  if (lines.size() == 1) {
    if (centred) return Alignment::kCenter;
    if (flushRight && !flushLeft) return right;
    if (flushLeft) return left;
    return rightToLeft ? right : left;
  }
  // Justified: every line but the last spans the container (the first may
  // be indented); the last line is shorter.
  bool justified = true;
  for (size_t i = 0; i + 1 < lines.size(); ++i) {
    justified = justified && gapRight(lines[i]) <= kFlush && (i == 0 || gapLeft(lines[i]) <= kFlush);
  }
  const TextLine& last = lines.back();
  // Two lines are too few to tell a full first line from a justified one.
  if (justified && lines.size() >= 3 && (gapRight(last) > kFlush || gapLeft(last) > kFlush)) {
    return Alignment::kJustify;
  }
  if (centred) return Alignment::kCenter;
  if (flushRight && !flushLeft) return right;
  if (flushLeft && !flushRight) return left;
  if (flushLeft && flushRight) return Alignment::kJustify;
  return rightToLeft ? right : left;
}

std::optional<Paragraph> MakeParagraph(const std::vector<const Glyph*>& glyphs, const std::vector<TextStyle>& styles,
                                       const Box& container) {
  if (glyphs.empty()) return std::nullopt;
  Paragraph paragraph;
  paragraph.rightToLeft = ReadsRightToLeft(glyphs);
  bool first = true;
  std::vector<TextLine> firstPageLines;
  for (const std::vector<const Glyph*>& lineGlyphs : SplitLines(glyphs)) {
    TextLine line = MakeTextLine(lineGlyphs, styles, paragraph.rightToLeft);
    if (line.runs.empty()) continue;
    const int page = lineGlyphs.front()->page;
    line.page = page;
    if (first) {
      paragraph.page = page;
      paragraph.box = line.box;
      first = false;
    } else if (page == paragraph.page) {
      paragraph.box = Union(paragraph.box, line.box);
    }
    if (page == paragraph.page) firstPageLines.push_back(line);
    paragraph.lines.push_back(std::move(line));
  }
  if (paragraph.lines.empty()) return std::nullopt;
  paragraph.alignment = AlignmentOf(firstPageLines, container, paragraph.rightToLeft);
  return paragraph;
}

std::vector<Paragraph> SplitParagraphs(const std::vector<const Glyph*>& glyphs, const std::vector<TextStyle>& styles,
                                       const Box& container) {
  std::vector<Paragraph> paragraphs;
  std::vector<const Glyph*> current;
  Box last;
  int lastPage = -1;
  double lastSize = 0;
  auto flush = [&] {
    if (std::optional<Paragraph> paragraph = MakeParagraph(current, styles, container)) {
      paragraphs.push_back(std::move(*paragraph));
    }
    current.clear();
  };
  for (const std::vector<const Glyph*>& line : SplitLines(glyphs)) {
    Box box = line.front()->box;
    double size = 0;
    for (const Glyph* glyph : line) {
      box = Union(box, glyph->box);
      size = std::max(size, glyph->size);
    }
    const int page = line.front()->page;
    if (!current.empty()) {
      const double height = std::min(box.height(), last.height());
      const bool apart = page != lastPage || box.y0 - last.y1 > 0.5 * height || box.y0 < last.y0 || box.x0 > last.x1 ||
                         box.x1 < last.x0 || size > 1.25 * lastSize || lastSize > 1.25 * size;
      if (apart) flush();
    }
    current.insert(current.end(), line.begin(), line.end());
    last = box;
    lastPage = page;
    lastSize = size;
  }
  flush();
  return paragraphs;
}

std::optional<Picture> MakePicture(int page, const Box& region, const std::vector<const Image*>& images,
                                   bool otherContent, const RegionRenderer& render) {
  if (!(region.width() > 0.5 && region.height() > 0.5)) return std::nullopt;
  Picture picture;
  picture.page = page;
  picture.box = region;
  if (images.size() == 1 && !otherContent) {
    const Image& image = *images.front();
    picture.png = image.png;
    picture.pixelWidth = image.pixelWidth;
    picture.pixelHeight = image.pixelHeight;
    picture.box = image.box;
    picture.raster = true;
    return picture;
  }
  double dpi = kArtDpi;
  for (const Image* image : images) {
    if (image->box.width() > 0) dpi = std::max(dpi, image->pixelWidth * 72.0 / image->box.width());
  }
  dpi = std::min(dpi, 600.0);
  if (render) picture.png = render(page, region, dpi, picture.pixelWidth, picture.pixelHeight);
  if (picture.png.empty()) return std::nullopt;
  picture.raster = !images.empty();
  return picture;
}

// Whether the cells of each row run from right to left: column 0 at the right.
bool RightToLeftColumns(const std::vector<PlacedCell>& cells) {
  std::map<int, std::vector<const PlacedCell*>> rows;
  for (const PlacedCell& placed : cells) {
    if (placed.content) rows[placed.cell.row].push_back(&placed);
  }
  int leftward = 0, rightward = 0;
  for (const auto& [row, members] : rows) {
    for (size_t i = 1; i < members.size(); ++i) {
      const PlacedCell& before = *members[i - 1];
      const PlacedCell& after = *members[i];
      if (after.cell.page != before.cell.page) continue;
      if (after.content->x0 >= before.content->x1 - 1) ++rightward;
      if (after.content->x1 <= before.content->x0 + 1) ++leftward;
    }
  }
  return leftward > rightward;
}

void LayOutTable(Table& table, std::vector<PlacedCell>& cells,
                 const std::vector<std::vector<const Shape*>>& shapesByPage, const KnownEdges* known) {
  const size_t pageCount = shapesByPage.size();
  std::vector<std::vector<Rule>> rules(pageCount);
  std::vector<std::vector<Fill>> fills(pageCount);
  std::vector<double> verticalRules;
  for (size_t p = 0; p < pageCount; ++p) {
    rules[p] = MergeRules(RulesOf(shapesByPage[p]));
    fills[p] = FillsOf(shapesByPage[p]);
    for (const Rule& rule : rules[p]) {
      if (!rule.horizontal) verticalRules.push_back(rule.position);
    }
    // A cell's background ends where the cell does.
    for (const Fill& fill : fills[p]) verticalRules.insert(verticalRules.end(), {fill.box.x0, fill.box.x1});
  }
  // Columns: one grid across every page. A right-to-left table has its
  // first column at the right: its edges are found on the mirrored page.
  table.rightToLeft = RightToLeftColumns(cells);
  double mirror = table.rightToLeft ? -1 : 1;
  std::vector<Span> columnSpans;
  for (const PlacedCell& placed : cells) {
    if (!placed.content) continue;
    const double a = mirror * placed.content->x0, b = mirror * placed.content->x1;
    columnSpans.push_back({placed.cell.column, placed.cell.columnSpan, std::min(a, b), std::max(a, b)});
  }
  for (double& position : verticalRules) position *= mirror;
  std::vector<double> columnEdges = TrackEdges(columnSpans, table.columns, verticalRules);
  // Without rules at its sides, a table reaches as far as the rules between
  // its rows do.
  double ruleLeft = 1e9, ruleRight = -1e9;
  for (const std::vector<Rule>& pageRules : rules) {
    for (const Rule& rule : pageRules) {
      if (rule.horizontal) ruleLeft = std::min(ruleLeft, rule.from), ruleRight = std::max(ruleRight, rule.to);
    }
  }
  auto onRule = [&verticalRules](double edge) {
    return std::any_of(verticalRules.begin(), verticalRules.end(), [&](double x) { return std::fabs(x - edge) <= 1; });
  };
  if (ruleLeft < ruleRight && !columnEdges.empty()) {
    const double low = std::min(mirror * ruleLeft, mirror * ruleRight);
    const double high = std::max(mirror * ruleLeft, mirror * ruleRight);
    if (low < columnEdges.front() && low >= columnEdges.front() - 72 && !onRule(columnEdges.front())) {
      columnEdges.front() = low;
    }
    if (high > columnEdges.back() && high <= columnEdges.back() + 72 && !onRule(columnEdges.back())) {
      columnEdges.back() = high;
    }
  }
  if (known != nullptr && known->columns.size() == columnEdges.size()) {
    table.rightToLeft = false;
    mirror = 1;
    columnEdges = known->columns;
  }
  // Rows: each on the page its cells are on.
  std::vector<int> rowPage(static_cast<size_t>(table.rows), -1);
  for (const PlacedCell& placed : cells) {
    int& page = rowPage[static_cast<size_t>(placed.cell.row)];
    if (page < 0 || (placed.content && placed.cell.page < page)) page = placed.cell.page;
  }
  for (size_t r = 0; r < rowPage.size(); ++r) {
    if (rowPage[r] < 0) rowPage[r] = r > 0 ? rowPage[r - 1] : 0;
  }
  std::map<int, std::vector<double>> rowEdges;  // page -> edges of all rows, right for that page's rows
  for (int page : rowPage) {
    if (rowEdges.count(page) > 0 || page < 0 || static_cast<size_t>(page) >= pageCount) continue;
    std::vector<Span> rowSpans;
    for (const PlacedCell& placed : cells) {
      if (!placed.content || placed.cell.page != page) continue;
      rowSpans.push_back({placed.cell.row, placed.cell.rowSpan, placed.content->y0, placed.content->y1});
    }
    // Rows of other pages must not pull this page's edges: give them no content.
    std::vector<double> horizontalRules;
    for (const Rule& rule : rules[static_cast<size_t>(page)]) {
      if (rule.horizontal) horizontalRules.push_back(rule.position);
    }
    for (const Fill& fill : fills[static_cast<size_t>(page)]) {
      horizontalRules.insert(horizontalRules.end(), {fill.box.y0, fill.box.y1});
    }
    rowEdges[page] = TrackEdges(rowSpans, table.rows, horizontalRules);
    if (known != nullptr && known->rows.size() == rowEdges[page].size()) rowEdges[page] = known->rows;
  }
  table.columnWidths.clear();
  for (int c = 0; c < table.columns; ++c) {
    table.columnWidths.push_back(columnEdges[static_cast<size_t>(c) + 1] - columnEdges[static_cast<size_t>(c)]);
  }
  table.rowHeights.assign(static_cast<size_t>(table.rows), 0);
  for (int r = 0; r < table.rows; ++r) {
    const auto edges = rowEdges.find(rowPage[static_cast<size_t>(r)]);
    if (edges == rowEdges.end()) continue;
    table.rowHeights[static_cast<size_t>(r)] =
        edges->second[static_cast<size_t>(r) + 1] - edges->second[static_cast<size_t>(r)];
  }
  table.page = rowPage.empty() ? 0 : rowPage.front();
  bool haveBox = false;
  for (PlacedCell& placed : cells) {
    TableCell& cell = placed.cell;
    const size_t page = static_cast<size_t>(rowPage[static_cast<size_t>(cell.row)]);
    cell.page = static_cast<int>(page);
    const auto edges = rowEdges.find(cell.page);
    const size_t lastRow = static_cast<size_t>(std::min(table.rows, cell.row + cell.rowSpan));
    const size_t lastColumn = static_cast<size_t>(std::min(table.columns, cell.column + cell.columnSpan));
    cell.box.x0 = mirror * columnEdges[static_cast<size_t>(cell.column)];
    cell.box.x1 = mirror * columnEdges[lastColumn];
    if (cell.box.x1 < cell.box.x0) std::swap(cell.box.x0, cell.box.x1);
    if (edges != rowEdges.end()) {
      cell.box.y0 = edges->second[static_cast<size_t>(cell.row)];
      cell.box.y1 = std::max(cell.box.y0, edges->second[lastRow]);
      // A cell spanning onto the next page ends at the end of its page's rows.
      for (size_t r = static_cast<size_t>(cell.row) + 1; r < lastRow; ++r) {
        if (rowPage[r] != cell.page) {
          cell.box.y1 = edges->second[r];
          break;
        }
      }
    } else if (placed.content) {
      cell.box.y0 = placed.content->y0;
      cell.box.y1 = placed.content->y1;
    }
    if (page < pageCount) {
      SetBorders(cell, rules[page]);
      cell.background = BackgroundOf(cell.box, fills[page]);
    }
    if (cell.page == table.page) {
      table.box = haveBox ? Union(table.box, cell.box) : cell.box;
      haveBox = true;
    }
  }
  std::stable_sort(cells.begin(), cells.end(), [](const PlacedCell& a, const PlacedCell& b) {
    return a.cell.row != b.cell.row ? a.cell.row < b.cell.row : a.cell.column < b.cell.column;
  });
  table.cells.clear();
  for (PlacedCell& placed : cells) table.cells.push_back(std::move(placed.cell));
  AlignCells(table);
}

void AlignCells(Table& table) {
  // Text without letters (a number) in a right-to-left table reads in the table's direction.
  if (table.rightToLeft) {
    for (TableCell& cell : table.cells) {
      for (Paragraph& paragraph : cell.paragraphs) {
        if (!HasLetters(paragraph)) paragraph.rightToLeft = true;
      }
    }
  }
  AlignCellParagraphs(table);
}

}  // namespace zembra::exporter
