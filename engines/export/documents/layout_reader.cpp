#include "engines/export/documents/layout_reader.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <optional>
#include <set>
#include <tuple>

#include "engines/export/documents/bidi_order.h"
#include "engines/export/documents/layout_flow.h"
#include "engines/export/documents/layout_tables.h"
#include "engines/export/documents/table_grid.h"
#include "engines/export/documents/text_lines.h"
#include "engines/export/documents/utf8.h"

namespace zembra::exporter {

namespace {

using Item = LayoutItem;
using Band = LayoutBand;

// A heading's text is at least this much larger than the body text.
constexpr double kHeadingScale = 1.15;
// Vector art smaller than this (points, both ways) is a mark (a bullet), not a picture.
constexpr double kSmallestArt = 12;
// Shapes this close (points) belong to one drawing.
constexpr double kArtReach = 3;
// A drawing has at least this many shapes.
constexpr size_t kDrawingShapes = 3;
// Text of this many glyphs at most next to a drawing is its label.
constexpr size_t kLabelGlyphs = 30;
// A stretch of a line this long is running text.
constexpr size_t kRunningGlyphs = 40;

bool Inside(const Box& box, double x, double y) { return x >= box.x0 && x <= box.x1 && y >= box.y0 && y <= box.y1; }

bool CentreInside(const Box& box, const Glyph& glyph) {
  return Inside(box, (glyph.box.x0 + glyph.box.x1) / 2, (glyph.box.y0 + glyph.box.y1) / 2);
}

bool Overlaps(const Box& a, const Box& b, double reach = 0) {
  return a.x0 <= b.x1 + reach && b.x0 <= a.x1 + reach && a.y0 <= b.y1 + reach && b.y0 <= a.y1 + reach;
}

// What a paragraph under construction knows of itself.
struct Draft {
  std::vector<const Item*> lines;
  std::optional<LineLabel> label;
  std::string bullet;  // drawn
  double labelX = 0;   // where its label stands
  double textX = 0;    // where its text starts
};

class PageReader {
 public:
  /// excluded: glyphs that are not part of the page's flow.
  PageReader(const PageDrawing& content, int page, const std::vector<TextStyle>& styles, const RegionRenderer& render,
             double bodySize, const std::vector<bool>& excluded)
      : content_(content), page_(page), styles_(styles), render_(render), bodySize_(bodySize) {
    glyphUsed_ = excluded;
    glyphUsed_.resize(content.glyphs.size(), false);
    shapeUsed_.assign(content.shapes.size(), false);
  }

  std::vector<Block> Read() {
    std::vector<Item> blocks;
    RuledTables(blocks);
    Pictures(blocks);
    std::vector<const Glyph*> glyphs;
    for (size_t i = 0; i < content_.glyphs.size(); ++i) {
      if (!glyphUsed_[i]) glyphs.push_back(&content_.glyphs[i]);
    }
    std::vector<Band> bands;
    for (std::vector<const Glyph*>& band : GlyphBands(std::move(glyphs))) {
      Band b;
      b.pieces = LinePieces(band);
      if (b.pieces.empty()) continue;
      b.box = b.pieces.front().box;
      for (const Item& piece : b.pieces) b.box = Union(b.box, piece.box);
      bands.push_back(std::move(b));
    }
    for (Item& block : blocks) {
      Band b;
      b.box = block.box;
      b.pieces.push_back(std::move(block));
      bands.push_back(std::move(b));
    }
    std::stable_sort(bands.begin(), bands.end(), [](const Band& a, const Band& b) { return a.box.y0 < b.box.y0; });
    double left = content_.width, right = 0;
    for (const Band& band : bands) left = std::min(left, band.box.x0), right = std::max(right, band.box.x1);
    std::vector<Block> out;
    // Text outside columns stands in the page's text area, whose margins
    // are taken to be alike on both sides.
    const Box page{std::min(left, content_.width - right), 0, std::max(right, content_.width - left), content_.height};
    for (FlowRun& flow : ReadingFlows(std::move(bands), left, right, bodySize_)) {
      Flow(flow.items, out, flow.column ? nullptr : &page);
    }
    return out;
  }

 private:
  // Tables drawn with rules: each grid whose cells hold text, and nothing
  // that makes it a chart instead.
  void RuledTables(std::vector<Item>& blocks) {
    std::vector<const Shape*> lines;
    for (const Shape& shape : content_.shapes) {
      if (!shape.underline) lines.push_back(&shape);
    }
    const std::vector<Rule> rules = RulesOf(lines);
    const std::vector<Fill> fills = FillsOf(lines);
    for (RuledGrid& grid : FindRuledGrids(rules)) {
      if (!grid.ruledColumns && !AddShadedRows(grid, fills)) ExtendUpwards(grid);
      const Box area = grid.area();
      if (!LooksLikeTable(grid, fills)) continue;
      std::optional<Table> table = grid.ruledColumns ? GridTable(grid) : RowRuledTable(grid);
      if (!table) continue;
      for (size_t i = 0; i < content_.shapes.size(); ++i) {
        const Box& b = content_.shapes[i].box;
        if (b.x0 >= area.x0 - 2 && b.x1 <= area.x1 + 2 && b.y0 >= area.y0 - 2 && b.y1 <= area.y1 + 2) {
          shapeUsed_[i] = true;
        }
      }
      Item item;
      item.box = table->box;
      item.block = std::move(*table);
      blocks.push_back(std::move(item));
    }
  }

  // Rules between rows only: rows shaded across the whole table (a dark
  // heading row, stripes) are rows too; the shade's edges are theirs.
  // True when a shade extends the table above its first rule.
  static bool AddShadedRows(RuledGrid& grid, const std::vector<Fill>& fills) {
    const double top = grid.rows.front();
    std::vector<double> heights;
    for (size_t r = 1; r < grid.rows.size(); ++r) heights.push_back(grid.rows[r] - grid.rows[r - 1]);
    const double pitch = Median(heights);
    // Shades drawn cell by cell make one band across the row.
    std::vector<Box> bands;
    for (const Fill& fill : fills) bands.push_back(fill.box);
    std::sort(bands.begin(), bands.end(),
              [](const Box& a, const Box& b) { return std::fabs(a.y0 - b.y0) > 0.5 ? a.y0 < b.y0 : a.x0 < b.x0; });
    std::vector<Box> joined;
    for (const Box& band : bands) {
      if (!joined.empty() && std::fabs(joined.back().y0 - band.y0) <= 0.5 &&
          std::fabs(joined.back().y1 - band.y1) <= 0.5 && band.x0 <= joined.back().x1 + 1) {
        joined.back().x1 = std::max(joined.back().x1, band.x1);
        continue;
      }
      joined.push_back(band);
    }
    std::vector<double> rows = grid.rows;
    for (const Box& band : joined) {
      const Fill fill{band, Rgb{}};
      if (std::fabs(fill.box.x0 - grid.columns.front()) > 3 || std::fabs(fill.box.x1 - grid.columns.back()) > 3)
        continue;
      if (fill.box.y1 < grid.rows.front() - 3 * pitch || fill.box.y0 > grid.rows.back() + pitch) continue;
      rows.push_back(fill.box.y0);
      rows.push_back(fill.box.y1);
    }
    std::sort(rows.begin(), rows.end());
    grid.rows.clear();
    for (double y : rows) {
      if (grid.rows.empty() || y - grid.rows.back() > 1.5) grid.rows.push_back(y);
    }
    grid.cells.clear();
    for (size_t r = 0; r + 1 < grid.rows.size(); ++r) grid.cells.push_back({static_cast<int>(r), 0, 1, 1});
    return grid.rows.front() < top - 1;
  }

  // Rules between rows only: the heading row stands above the first rule.
  void ExtendUpwards(RuledGrid& grid) {
    std::vector<double> heights;
    for (size_t r = 1; r < grid.rows.size(); ++r) heights.push_back(grid.rows[r] - grid.rows[r - 1]);
    const double pitch = Median(heights);
    // The size of the table's own text; a larger one above is a heading.
    std::vector<double> sizes;
    for (size_t i = 0; i < content_.glyphs.size(); ++i) {
      if (!glyphUsed_[i] && !content_.glyphs[i].space() && CentreInside(grid.area(), content_.glyphs[i])) {
        sizes.push_back(content_.glyphs[i].size);
      }
    }
    const double size = sizes.empty() ? 0 : Median(sizes);
    double top = grid.rows.front();
    for (size_t i = 0; i < content_.glyphs.size(); ++i) {
      const Glyph& glyph = content_.glyphs[i];
      if (glyphUsed_[i] || glyph.space()) continue;
      const double x = (glyph.box.x0 + glyph.box.x1) / 2;
      if (x < grid.columns.front() || x > grid.columns.back()) continue;
      if (size > 0 && glyph.size > 1.2 * size) continue;
      if (glyph.box.y1 <= grid.rows.front() + 1 && glyph.box.y1 >= grid.rows.front() - 1.5 * pitch) {
        top = std::min(top, glyph.box.y0 - 1);
      }
    }
    if (top < grid.rows.front() - 1) {
      grid.rows.insert(grid.rows.begin(), top);
      for (RuledGrid::Cell& cell : grid.cells) ++cell.row;
      grid.cells.insert(grid.cells.begin(), {0, 0, 1, 1});
    }
  }

  // A grid is a table when two of its cells hold text and what else is drawn
  // inside keeps to its lines (cell backgrounds), not bars of a chart.
  bool LooksLikeTable(const RuledGrid& grid, const std::vector<Fill>& fills) const {
    const Box area = grid.area();
    const double areaSize = area.width() * area.height();
    auto onGrid = [](double value, const std::vector<double>& lines) {
      return std::any_of(lines.begin(), lines.end(), [&](double line) { return std::fabs(line - value) <= 2.5; });
    };
    for (const Fill& fill : fills) {
      if (!Overlaps(fill.box, area, -2)) continue;
      const bool aligned =
          onGrid(fill.box.y0, grid.rows) && onGrid(fill.box.y1, grid.rows) &&
          (!grid.ruledColumns || (onGrid(fill.box.x0, grid.columns) && onGrid(fill.box.x1, grid.columns)));
      if (!aligned && fill.box.width() * fill.box.height() > 0.02 * areaSize) return false;
    }
    double art = 0;
    for (const Shape& shape : content_.shapes) {
      if (shape.kind == ShapeKind::kOther && Overlaps(shape.box, area, -2))
        art += shape.box.width() * shape.box.height();
    }
    if (art > 0.05 * areaSize) return false;
    std::set<std::pair<int, int>> withText;
    for (size_t i = 0; i < content_.glyphs.size(); ++i) {
      const Glyph& glyph = content_.glyphs[i];
      if (glyphUsed_[i] || glyph.space() || !CentreInside(area, glyph)) continue;
      const double x = (glyph.box.x0 + glyph.box.x1) / 2, y = (glyph.box.y0 + glyph.box.y1) / 2;
      const auto column = std::upper_bound(grid.columns.begin(), grid.columns.end(), x) - grid.columns.begin();
      const auto row = std::upper_bound(grid.rows.begin(), grid.rows.end(), y) - grid.rows.begin();
      withText.emplace(static_cast<int>(row), static_cast<int>(grid.ruledColumns ? column : 0));
    }
    return withText.size() >= 2;
  }

  std::vector<const Shape*> ShapesIn(const Box& area) const {
    std::vector<const Shape*> shapes;
    for (const Shape& shape : content_.shapes) {
      if (!shape.underline && Overlaps(shape.box, area, 2)) shapes.push_back(&shape);
    }
    return shapes;
  }

  // The glyphs whose middle lies in a box, taken.
  std::vector<const Glyph*> Take(const Box& box) {
    std::vector<const Glyph*> taken;
    for (size_t i = 0; i < content_.glyphs.size(); ++i) {
      if (glyphUsed_[i] || !CentreInside(box, content_.glyphs[i])) continue;
      glyphUsed_[i] = true;
      taken.push_back(&content_.glyphs[i]);
    }
    return taken;
  }

  PlacedCell CellOf(int row, int column, int rowSpan, int columnSpan, const Box& box) {
    PlacedCell placed;
    placed.cell.row = row;
    placed.cell.column = column;
    placed.cell.rowSpan = rowSpan;
    placed.cell.columnSpan = columnSpan;
    placed.cell.page = page_;
    const std::vector<const Glyph*> glyphs = Take(box);
    for (Paragraph& paragraph : SplitParagraphs(glyphs, styles_, box))
      placed.cell.paragraphs.push_back(std::move(paragraph));
    if (!glyphs.empty()) {
      const Box extent = GlyphExtent(glyphs);
      placed.content = extent;
    }
    return placed;
  }

  std::optional<Table> GridTable(const RuledGrid& grid) {
    Table table;
    table.columns = static_cast<int>(grid.columns.size()) - 1;
    table.rows = static_cast<int>(grid.rows.size()) - 1;
    std::vector<PlacedCell> cells;
    for (const RuledGrid::Cell& c : grid.cells) {
      const Box box{grid.columns[static_cast<size_t>(c.column)], grid.rows[static_cast<size_t>(c.row)],
                    grid.columns[static_cast<size_t>(c.column + c.columnSpan)],
                    grid.rows[static_cast<size_t>(c.row + c.rowSpan)]};
      cells.push_back(CellOf(c.row, c.column, c.rowSpan, c.columnSpan, box));
    }
    return Finish(table, cells, grid.columns, grid.rows);
  }

  // Rules between rows: the columns come from the words of the rows.
  std::optional<Table> RowRuledTable(const RuledGrid& grid) {
    const Box area = grid.area();
    std::vector<std::vector<const Glyph*>> rowsGlyphs;
    std::vector<std::vector<std::vector<const Glyph*>>> rowLines;  // per row, its lines
    for (size_t r = 0; r + 1 < grid.rows.size(); ++r) {
      const Box box{area.x0, grid.rows[r], area.x1, grid.rows[r + 1]};
      std::vector<const Glyph*> glyphs;
      for (size_t i = 0; i < content_.glyphs.size(); ++i) {
        if (!glyphUsed_[i] && CentreInside(box, content_.glyphs[i])) glyphs.push_back(&content_.glyphs[i]);
      }
      rowLines.push_back(GlyphBands(glyphs));
    }
    // All lines of all rows, for the column finder.
    std::vector<const std::vector<const Glyph*>*> allLines;
    for (const auto& lines : rowLines) {
      for (const auto& line : lines) allLines.push_back(&line);
    }
    const std::vector<std::vector<std::pair<size_t, size_t>>> cellsOfLines = CellRanges(allLines);
    // Column extents from the cells of every line, by table row.
    std::vector<std::vector<std::pair<double, double>>> extents(rowLines.size());
    for (size_t r = 0, l = 0; r < rowLines.size(); ++r) {
      for (size_t k = 0; k < rowLines[r].size(); ++k, ++l) {
        for (const auto& [from, to] : cellsOfLines[l]) {
          std::vector<const Glyph*> piece(allLines[l]->begin() + static_cast<long>(from),
                                          allLines[l]->begin() + static_cast<long>(to));
          const Box box = GlyphExtent(piece);
          extents[r].emplace_back(box.x0, box.x1);
        }
      }
    }
    const std::vector<std::pair<double, double>> columns = MergedColumns(extents);
    if (columns.size() < 2) return std::nullopt;
    Table table;
    table.columns = static_cast<int>(columns.size());
    table.rows = static_cast<int>(rowLines.size());
    std::vector<PlacedCell> cells;
    size_t line = 0;
    for (size_t r = 0; r < rowLines.size(); ++r) {
      std::vector<std::vector<const Glyph*>> columnGlyphs(columns.size());
      for (size_t k = 0; k < rowLines[r].size(); ++k, ++line) {
        for (const auto& [from, to] : cellsOfLines[line]) {
          std::vector<const Glyph*> piece(allLines[line]->begin() + static_cast<long>(from),
                                          allLines[line]->begin() + static_cast<long>(to));
          const size_t column = ColumnOf(columns, GlyphExtent(piece).x0);
          columnGlyphs[column].insert(columnGlyphs[column].end(), piece.begin(), piece.end());
        }
      }
      for (size_t c = 0; c < columns.size(); ++c) {
        PlacedCell placed;
        placed.cell.row = static_cast<int>(r);
        placed.cell.column = static_cast<int>(c);
        placed.cell.page = page_;
        std::vector<const Glyph*>& glyphs = columnGlyphs[c];
        std::sort(glyphs.begin(), glyphs.end());
        for (const Glyph* glyph : glyphs) glyphUsed_[static_cast<size_t>(glyph - content_.glyphs.data())] = true;
        if (!glyphs.empty()) {
          for (Paragraph& paragraph : SplitParagraphs(glyphs, styles_, Box{}))
            placed.cell.paragraphs.push_back(std::move(paragraph));
          placed.content = GlyphExtent(glyphs);
        }
        cells.push_back(std::move(placed));
      }
    }
    // Column edges where a cell's shade ends between the columns' text,
    // else half way between; rows from the rules.
    std::vector<double> shadeEdges;
    for (const Fill& fill : FillsOf(ShapesIn(area))) shadeEdges.insert(shadeEdges.end(), {fill.box.x0, fill.box.x1});
    std::vector<double> edges = {area.x0};
    for (size_t c = 1; c < columns.size(); ++c) {
      const double from = columns[c - 1].second, to = columns[c].first, middle = (from + to) / 2;
      std::optional<double> shade;
      for (double x : shadeEdges) {
        if (x >= from && x <= to && (!shade || std::fabs(x - middle) < std::fabs(*shade - middle))) shade = x;
      }
      edges.push_back(shade.value_or(middle));
    }
    edges.push_back(area.x1);
    return Finish(table, cells, edges, grid.rows);
  }

  // For each line, the glyph ranges [from, to) of its cells.
  std::vector<std::vector<std::pair<size_t, size_t>>> CellRanges(
      const std::vector<const std::vector<const Glyph*>*>& lines) const {
    std::vector<std::vector<PlacedWord>> words(lines.size());
    std::vector<std::vector<size_t>> wordStarts(lines.size());  // glyph index of each word's start
    for (size_t l = 0; l < lines.size(); ++l) {
      const std::vector<const Glyph*>& glyphs = *lines[l];
      double lastRight = 0;
      for (size_t g = 0; g < glyphs.size(); ++g) {
        const Glyph* glyph = glyphs[g];
        if (glyph->space()) continue;
        const bool starts =
            words[l].empty() || glyphs[g - 1]->space() || glyph->box.x0 - lastRight >= 0.1 * glyph->size;
        if (starts) {
          PlacedWord word;
          word.x0 = glyph->box.x0;
          word.gapBefore = words[l].empty() ? 0 : glyph->box.x0 - lastRight;
          word.size = glyph->size;
          words[l].push_back(word);
          wordStarts[l].push_back(g);
        }
        PlacedWord& word = words[l].back();
        word.x1 = std::max(word.x1, glyph->box.x1);
        word.size = std::max(word.size, glyph->size);
        lastRight = glyph->box.x1;
      }
    }
    const std::vector<std::vector<size_t>> splits = SplitCells(words);
    std::vector<std::vector<std::pair<size_t, size_t>>> ranges(lines.size());
    for (size_t l = 0; l < lines.size(); ++l) {
      for (size_t s = 0; s < splits[l].size(); ++s) {
        const size_t from = wordStarts[l][splits[l][s]];
        const size_t to = s + 1 < splits[l].size() ? wordStarts[l][splits[l][s + 1]] : lines[l]->size();
        ranges[l].emplace_back(from, to);
      }
    }
    return ranges;
  }

  // Columns from the extents of cells: overlapping extents are one column.
  static std::vector<std::pair<double, double>> ColumnsOf(std::vector<std::pair<double, double>> extents) {
    std::sort(extents.begin(), extents.end());
    std::vector<std::pair<double, double>> columns;
    for (const auto& extent : extents) {
      if (!columns.empty() && extent.first < columns.back().second) {
        columns.back().second = std::max(columns.back().second, extent.second);
      } else {
        columns.push_back(extent);
      }
    }
    return columns;
  }

  static size_t ColumnOf(const std::vector<std::pair<double, double>>& columns, double x) {
    size_t column = 0;
    while (column + 1 < columns.size() && columns[column + 1].first <= x + 0.5) ++column;
    return column;
  }

  // The columns of rows of cells (each cell its x extent): overlapping
  // extents are one column, and so are neighbouring columns of which no row
  // fills both (a heading beside right-aligned numbers).
  static std::vector<std::pair<double, double>> MergedColumns(
      const std::vector<std::vector<std::pair<double, double>>>& rows) {
    std::vector<std::pair<double, double>> extents;
    for (const auto& row : rows) extents.insert(extents.end(), row.begin(), row.end());
    std::vector<std::pair<double, double>> columns = ColumnsOf(extents);
    std::vector<std::vector<bool>> filled(rows.size(), std::vector<bool>(columns.size(), false));
    for (size_t r = 0; r < rows.size(); ++r) {
      for (const auto& extent : rows[r]) filled[r][ColumnOf(columns, extent.first)] = true;
    }
    size_t c = 0;
    while (c + 1 < columns.size()) {
      const bool clash =
          std::any_of(filled.begin(), filled.end(), [&](const std::vector<bool>& row) { return row[c] && row[c + 1]; });
      if (clash) {
        ++c;
        continue;
      }
      columns[c].second = std::max(columns[c].second, columns[c + 1].second);
      columns.erase(columns.begin() + static_cast<long>(c) + 1);
      for (std::vector<bool>& row : filled) {
        row[c] = row[c] || row[c + 1];
        row.erase(row.begin() + static_cast<long>(c) + 1);
      }
    }
    return columns;
  }

  std::optional<Table> Finish(Table& table, std::vector<PlacedCell>& cells, const std::vector<double>& columns,
                              const std::vector<double>& rows) {
    std::vector<std::vector<const Shape*>> shapes(static_cast<size_t>(page_) + 1);
    const Box area{columns.front(), rows.front(), columns.back(), rows.back()};
    shapes[static_cast<size_t>(page_)] = ShapesIn(area);
    const KnownEdges known{columns, rows};
    LayOutTable(table, cells, shapes, &known);
    // Header: a first row set apart by a shade or bold type.
    MarkHeader(table);
    ReadRightToLeft(table);
    return table;
  }

  // Header rows: the leading rows set apart from the body by bold type or a
  // shade of their own (the body's rows may have one too: stripes).
  static void MarkHeader(Table& table) {
    if (table.rows < 2) return;
    std::vector<bool> bold(static_cast<size_t>(table.rows), true), any(static_cast<size_t>(table.rows), false);
    std::vector<std::set<std::tuple<int, int, int>>> shades(static_cast<size_t>(table.rows));
    std::vector<bool> unshaded(static_cast<size_t>(table.rows), false);
    for (const TableCell& cell : table.cells) {
      const auto row = static_cast<size_t>(cell.row);
      if (cell.background) {
        shades[row].emplace(cell.background->r, cell.background->g, cell.background->b);
      } else {
        unshaded[row] = true;
      }
      for (const Paragraph& paragraph : cell.paragraphs) {
        for (const TextLine& line : paragraph.lines) {
          for (const TextRun& run : line.runs) {
            any[row] = true;
            bold[row] = bold[row] && (run.style.bold || run.text.find_first_not_of(' ') == std::string::npos);
          }
        }
      }
    }
    // The last row's look is the body's.
    const size_t last = static_cast<size_t>(table.rows) - 1;
    auto header = [&](size_t row) {
      const bool shaded = !unshaded[row] && !shades[row].empty() && (unshaded[last] || shades[row] != shades[last]);
      return (any[row] && bold[row] && !bold[last]) || shaded;
    };
    int rows = 0;
    while (static_cast<size_t>(rows) < last && header(static_cast<size_t>(rows))) ++rows;
    table.headerRows = rows;
    for (TableCell& cell : table.cells) cell.header = cell.row < rows;
  }

  // A table whose text reads from right to left has its first column at the right.
  static void ReadRightToLeft(Table& table) {
    int balance = 0;
    for (const TableCell& cell : table.cells) {
      for (const Paragraph& paragraph : cell.paragraphs) balance += paragraph.rightToLeft ? 1 : -1;
    }
    if (balance <= 0) return;
    table.rightToLeft = true;
    for (TableCell& cell : table.cells) cell.column = table.columns - cell.column - cell.columnSpan;
    std::reverse(table.columnWidths.begin(), table.columnWidths.end());
    std::stable_sort(table.cells.begin(), table.cells.end(), [](const TableCell& a, const TableCell& b) {
      return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    AlignCells(table);
  }

  // Images, and drawings made of vector shapes, with the text inside them.
  void Pictures(std::vector<Item>& blocks) {
    std::vector<size_t> candidates;
    const double pageArea = content_.width * content_.height;
    for (size_t i = 0; i < content_.shapes.size(); ++i) {
      const Shape& shape = content_.shapes[i];
      if (shapeUsed_[i] || shape.underline) continue;
      if (shape.filled && shape.color == Rgb{255, 255, 255}) continue;
      if (shape.box.width() * shape.box.height() > 0.5 * pageArea) continue;
      candidates.push_back(i);
    }
    // Drawings: shapes that touch, joined.
    std::vector<size_t> group(candidates.size());
    std::iota(group.begin(), group.end(), 0);
    auto find = [&group](size_t i) {
      while (group[i] != i) i = group[i] = group[group[i]];
      return i;
    };
    std::vector<size_t> byTop(candidates.size());
    std::iota(byTop.begin(), byTop.end(), 0);
    std::sort(byTop.begin(), byTop.end(), [&](size_t a, size_t b) {
      return content_.shapes[candidates[a]].box.y0 < content_.shapes[candidates[b]].box.y0;
    });
    for (size_t a = 0; a < byTop.size(); ++a) {
      const Box& boxA = content_.shapes[candidates[byTop[a]]].box;
      for (size_t b = a + 1; b < byTop.size(); ++b) {
        const Box& boxB = content_.shapes[candidates[byTop[b]]].box;
        if (boxB.y0 > boxA.y1 + kArtReach) break;
        if (Overlaps(boxA, boxB, kArtReach)) group[find(byTop[a])] = find(byTop[b]);
      }
    }
    struct Drawing {
      Box box;
      size_t shapes = 0;
      bool art = false;  // curves, or filled areas: not only lines
      std::vector<size_t> members;
    };
    std::map<size_t, Drawing> drawings;
    for (size_t k = 0; k < candidates.size(); ++k) {
      const Shape& shape = content_.shapes[candidates[k]];
      Drawing& drawing = drawings[find(k)];
      drawing.box = drawing.shapes == 0 ? shape.box : Union(drawing.box, shape.box);
      ++drawing.shapes;
      drawing.members.push_back(candidates[k]);
      const bool rule = shape.kind == ShapeKind::kLine || (shape.kind == ShapeKind::kRectangle && !shape.filled) ||
                        std::min(shape.box.width(), shape.box.height()) <= kMaxRuleWidth;
      drawing.art = drawing.art || !rule;
    }
    std::vector<Box> regions;
    std::vector<std::vector<const Image*>> regionImages;
    for (auto& [key, drawing] : drawings) {
      // A drawing is a few shapes at least; one shape alone (a coloured
      // block, a frame) is the page's decoration and stays on the page.
      if (!drawing.art || drawing.shapes < kDrawingShapes ||
          std::max(drawing.box.width(), drawing.box.height()) < kSmallestArt ||
          std::min(drawing.box.width(), drawing.box.height()) < 4) {
        continue;
      }
      // A box behind text (a background, a border), or behind a line of
      // running text, is no picture.
      if ((IsBox(drawing.members, drawing.box) && HoldsText(drawing.box)) || HoldsRunningText(drawing.box)) continue;
      for (size_t member : drawing.members) shapeUsed_[member] = true;
      regions.push_back(AbsorbLabels(drawing.box));
      regionImages.emplace_back();
    }
    for (const Image& image : content_.images) {
      size_t r = 0;
      while (r < regions.size() && !Overlaps(regions[r], image.box, -1)) ++r;
      if (r == regions.size()) {
        regions.push_back(image.box);
        regionImages.emplace_back();
      } else {
        regions[r] = Union(regions[r], image.box);
      }
      regionImages[r].push_back(&image);
    }
    for (size_t r = 0; r < regions.size(); ++r) {
      const Box region{std::max(0.0, regions[r].x0), std::max(0.0, regions[r].y0),
                       std::min(content_.width, regions[r].x1), std::min(content_.height, regions[r].y1)};
      const std::vector<const Glyph*> inside = Take(region);
      const bool vector = regionImages[r].empty() || regionImages[r].size() > 1 || !inside.empty() ||
                          region.width() > regionImages[r].front()->box.width() + 1 ||
                          region.height() > regionImages[r].front()->box.height() + 1;
      if (std::optional<Picture> picture = MakePicture(page_, region, regionImages[r], vector, render_)) {
        Item item;
        item.box = picture->box;
        item.block = std::move(*picture);
        blocks.push_back(std::move(item));
      }
    }
  }

  // Whether shapes only make a box: each fills (or outlines) nearly all of
  // it, or is a rule along one of its sides.
  bool IsBox(const std::vector<size_t>& members, const Box& box) const {
    const double area = box.width() * box.height();
    for (size_t member : members) {
      const Box& b = content_.shapes[member].box;
      if (b.width() * b.height() >= 0.9 * area) continue;
      const bool horizontalSide =
          b.height() <= kMaxRuleWidth && (std::fabs(b.y0 - box.y0) <= 1 || std::fabs(b.y1 - box.y1) <= 1);
      const bool verticalSide =
          b.width() <= kMaxRuleWidth && (std::fabs(b.x0 - box.x0) <= 1 || std::fabs(b.x1 - box.x1) <= 1);
      if (!horizontalSide && !verticalSide) return false;
    }
    return true;
  }

  bool HoldsText(const Box& region) const {
    for (size_t i = 0; i < content_.glyphs.size(); ++i) {
      if (!glyphUsed_[i] && !content_.glyphs[i].space() && CentreInside(region, content_.glyphs[i])) return true;
    }
    return false;
  }

  // A drawing's title, legend and labels: short lines of text of body size
  // or smaller next to it (within a line's height above or below, a few ems
  // beside), and the small marks among them (a legend's swatches).
  Box AbsorbLabels(Box region) {
    std::vector<const Glyph*> loose;
    for (size_t i = 0; i < content_.glyphs.size(); ++i) {
      if (!glyphUsed_[i] && !content_.glyphs[i].space()) loose.push_back(&content_.glyphs[i]);
    }
    struct Label {
      Box box;
      bool taken = false;
      bool text = true;
    };
    std::vector<Label> labels;
    for (const auto& band : GlyphBands(loose)) {
      for (const Item& piece : LinePieces(band)) {
        if (piece.glyphs.size() <= kLabelGlyphs && piece.size < kHeadingScale * bodySize_)
          labels.push_back({piece.box});
      }
    }
    for (size_t i = 0; i < content_.shapes.size(); ++i) {
      const Box& b = content_.shapes[i].box;
      if (!shapeUsed_[i] && !content_.shapes[i].underline && std::max(b.width(), b.height()) < kSmallestArt) {
        labels.push_back({b, false, false});
      }
    }
    bool grew = true;
    while (grew) {
      grew = false;
      for (Label& label : labels) {
        if (label.taken) continue;
        const double height = std::min(label.box.height(), 14.0);
        const double reach = 4 * bodySize_;
        const bool above = label.box.y1 <= region.y0 && region.y0 - label.box.y1 <= height;
        const bool below = label.box.y0 >= region.y1 && label.box.y0 - region.y1 <= height;
        const bool acrossX = label.box.x1 >= region.x0 && label.box.x0 <= region.x1;
        const bool acrossY = label.box.y1 >= region.y0 && label.box.y0 <= region.y1;
        const bool beside =
            acrossY && (label.box.x1 < region.x0 ? region.x0 - label.box.x1 : label.box.x0 - region.x1) <= reach;
        if (!(((above || below) && acrossX) || beside || (acrossX && acrossY))) continue;
        label.taken = grew = true;
        region = Union(region, label.box);
      }
    }
    for (size_t i = 0; i < content_.shapes.size(); ++i) {
      const Box& b = content_.shapes[i].box;
      if (!shapeUsed_[i] && b.x0 >= region.x0 - 0.5 && b.x1 <= region.x1 + 0.5 && b.y0 >= region.y0 - 0.5 &&
          b.y1 <= region.y1 + 0.5) {
        shapeUsed_[i] = true;
      }
    }
    return region;
  }

  // Whether a region holds a line of text of a dozen letters or more.
  bool HoldsRunningText(const Box& region) const {
    std::vector<const Glyph*> inside;
    for (size_t i = 0; i < content_.glyphs.size(); ++i) {
      if (!glyphUsed_[i] && !content_.glyphs[i].space() && CentreInside(region, content_.glyphs[i])) {
        inside.push_back(&content_.glyphs[i]);
      }
    }
    for (const auto& band : GlyphBands(inside)) {
      if (band.size() >= 12) return true;
    }
    return false;
  }

  // A small shape just before a line's first glyph, as high as its letters:
  // the list bullet of that line.
  void FindBullets(std::vector<Item>& flow) {
    for (Item& line : flow) {
      if (line.block || line.glyphs.empty()) continue;
      for (size_t i = 0; i < content_.shapes.size(); ++i) {
        const Shape& shape = content_.shapes[i];
        if (shapeUsed_[i]) continue;
        const Box& b = shape.box;
        const double size = line.size;
        if (b.width() > 0.7 * size || b.height() > 0.7 * size || b.width() < 0.15 * size) continue;
        const double middle = (b.y0 + b.y1) / 2;
        if (middle < line.box.y0 || middle > line.box.y1) continue;
        if (b.x1 > line.box.x0 || line.box.x0 - b.x1 > 2.5 * size) continue;
        shapeUsed_[i] = true;
        line.bullet = shape.kind == ShapeKind::kRectangle ? "\u25AA" : shape.filled ? "\u2022" : "\u25E6";
        line.box.x0 = std::min(line.box.x0, b.x0);
        break;
      }
    }
  }

  void Flow(std::vector<Item>& flow, std::vector<Block>& out, const Box* page) {
    FindBullets(flow);
    Box container;
    bool first = true;
    for (const Item& item : flow) {
      container = first ? item.box : Union(container, item.box);
      first = false;
    }
    if (page != nullptr)
      container.x0 = std::min(container.x0, page->x0), container.x1 = std::max(container.x1, page->x1);
    // Runs of text lines between blocks; each run's tables found first.
    size_t i = 0;
    std::vector<Draft> drafts;
    std::vector<std::pair<size_t, Block>> placed;  // blocks by the draft count before them
    while (i < flow.size()) {
      if (flow[i].block) {
        placed.emplace_back(drafts.size(), std::move(*flow[i].block));
        ++i;
        continue;
      }
      size_t end = i;
      while (end < flow.size() && !flow[end].block) ++end;
      ReadLines(flow, i, end, drafts, placed);
      i = end;
    }
    std::vector<int> levels = ListLevels(drafts);
    size_t next = 0;
    for (size_t d = 0; d <= drafts.size(); ++d) {
      for (; next < placed.size() && placed[next].first == d; ++next) out.push_back(std::move(placed[next].second));
      if (d == drafts.size()) break;
      if (std::optional<Paragraph> paragraph = Finish(drafts[d], container)) {
        if (paragraph->role == ParagraphRole::kListItem) paragraph->level = levels[d];
        out.push_back(std::move(*paragraph));
      }
    }
  }

  // The lines [from, to) of a flow: tables without rules where lines split
  // into aligned cells, paragraphs elsewhere.
  void ReadLines(std::vector<Item>& flow, size_t from, size_t to, std::vector<Draft>& drafts,
                 std::vector<std::pair<size_t, Block>>& placed) {
    std::vector<const std::vector<const Glyph*>*> lines;
    for (size_t k = from; k < to; ++k) lines.push_back(&flow[k].glyphs);
    const auto ranges = CellRanges(lines);
    size_t k = 0;
    while (k < lines.size()) {
      size_t end = k;
      while (end < lines.size() && ranges[end].size() >= 2 && flow[from + end].bullet.empty() &&
             (end == k || !FarBelow(flow[from + end - 1], flow[from + end]))) {
        ++end;
      }
      if (end - k >= 2) {
        if (std::optional<Table> table = AlignedTable(lines, ranges, k, end)) {
          placed.emplace_back(drafts.size(), std::move(*table));
          k = end;
          continue;
        }
      }
      AddLine(flow[from + k], drafts);
      ++k;
    }
  }

  static bool FarBelow(const Item& above, const Item& below) {
    return below.box.y0 - above.box.y1 > std::max(above.box.height(), below.box.height());
  }

  std::optional<Table> AlignedTable(const std::vector<const std::vector<const Glyph*>*>& lines,
                                    const std::vector<std::vector<std::pair<size_t, size_t>>>& ranges, size_t from,
                                    size_t to) {
    std::vector<std::vector<std::pair<double, double>>> extents;
    for (size_t l = from; l < to; ++l) {
      extents.emplace_back();
      for (const auto& [a, b] : ranges[l]) {
        const Box box =
            GlyphExtent({lines[l]->begin() + static_cast<long>(a), lines[l]->begin() + static_cast<long>(b)});
        extents.back().emplace_back(box.x0, box.x1);
      }
    }
    const std::vector<std::pair<double, double>> columns = MergedColumns(extents);
    if (columns.size() < 2) return std::nullopt;
    Table table;
    table.columns = static_cast<int>(columns.size());
    table.rows = static_cast<int>(to - from);
    std::vector<PlacedCell> cells;
    for (size_t l = from; l < to; ++l) {
      std::vector<std::vector<const Glyph*>> columnGlyphs(columns.size());
      for (const auto& [a, b] : ranges[l]) {
        std::vector<const Glyph*> piece(lines[l]->begin() + static_cast<long>(a),
                                        lines[l]->begin() + static_cast<long>(b));
        const size_t column = ColumnOf(columns, GlyphExtent(piece).x0);
        columnGlyphs[column].insert(columnGlyphs[column].end(), piece.begin(), piece.end());
      }
      for (size_t col = 0; col < columns.size(); ++col) {
        PlacedCell placed;
        placed.cell.row = static_cast<int>(l - from);
        placed.cell.column = static_cast<int>(col);
        placed.cell.page = page_;
        if (!columnGlyphs[col].empty()) {
          if (std::optional<Paragraph> paragraph = MakeParagraph(columnGlyphs[col], styles_, Box{})) {
            placed.cell.paragraphs.push_back(std::move(*paragraph));
          }
          placed.content = GlyphExtent(columnGlyphs[col]);
        }
        cells.push_back(std::move(placed));
      }
    }
    std::vector<std::vector<const Shape*>> shapes(static_cast<size_t>(page_) + 1);
    LayOutTable(table, cells, shapes);
    MarkHeader(table);
    ReadRightToLeft(table);
    return table;
  }

  // Adds a line to the paragraph being built, or starts the next one.
  void AddLine(const Item& line, std::vector<Draft>& drafts) {
    // A number before a heading's words ("2. Charts") is no list label.
    const bool heading = line.size >= kHeadingScale * bodySize_;
    std::optional<LineLabel> label = line.bullet.empty() && !heading ? LineLabelOf(line.glyphs) : std::nullopt;
    const bool item = label || !line.bullet.empty();
    if (!drafts.empty() && !item && Continues(drafts.back(), line)) {
      drafts.back().lines.push_back(&line);
      return;
    }
    Draft draft;
    draft.lines.push_back(&line);
    draft.label = label;
    draft.bullet = line.bullet;
    draft.labelX = line.box.x0;
    draft.textX = line.box.x0;
    if (label && label->glyphs < line.glyphs.size()) {
      size_t k = label->glyphs;
      while (k < line.glyphs.size() && line.glyphs[k]->space()) ++k;
      if (k < line.glyphs.size()) draft.textX = line.glyphs[k]->box.x0;
    } else if (!line.bullet.empty()) {
      draft.textX = line.glyphs.front()->box.x0;
    }
    drafts.push_back(std::move(draft));
  }

  // Whether a line goes on with the paragraph before: close below it, of
  // the same size and weight, starting where its lines start.
  bool Continues(const Draft& draft, const Item& line) const {
    const Item& last = *draft.lines.back();
    const double height = std::min(last.box.height(), line.box.height());
    if (line.box.y0 - last.box.y1 > 0.5 * height || line.box.y0 < last.box.y0) return false;
    if (line.size > 1.1 * last.size || last.size > 1.1 * line.size) return false;
    if (AllBold(last.glyphs) != AllBold(line.glyphs)) return false;
    const double em = std::max(line.size, 1.0);
    const bool listItem = draft.label || !draft.bullet.empty();
    const double start = listItem ? draft.textX : draft.lines.front()->box.x0;
    if (std::fabs(line.box.x0 - start) <= em) return true;
    // The first line indented, the next at the paragraph's left edge.
    return draft.lines.size() == 1 && !listItem && line.box.x0 < start && start - line.box.x0 <= 4 * em;
  }

  bool AllBold(const std::vector<const Glyph*>& glyphs) const {
    for (const Glyph* glyph : glyphs) {
      if (!glyph->space() && !styles_[static_cast<size_t>(glyph->style)].bold) return false;
    }
    return true;
  }

  // Levels of the list items among the drafts: by how far their labels stand in.
  static std::vector<int> ListLevels(const std::vector<Draft>& drafts) {
    std::vector<double> positions;
    for (const Draft& draft : drafts) {
      if (draft.label || !draft.bullet.empty()) positions.push_back(draft.labelX);
    }
    std::sort(positions.begin(), positions.end());
    std::vector<double> steps;
    for (double x : positions) {
      if (steps.empty() || x - steps.back() > 3) steps.push_back(x);
    }
    std::vector<int> levels(drafts.size(), 0);
    for (size_t d = 0; d < drafts.size(); ++d) {
      if (!drafts[d].label && drafts[d].bullet.empty()) continue;
      size_t level = 0;
      while (level + 1 < steps.size() && drafts[d].labelX > steps[level] + 3) ++level;
      levels[d] = static_cast<int>(std::min<size_t>(level + 1, 9));
    }
    return levels;
  }

  std::optional<Paragraph> Finish(const Draft& draft, const Box& container) const {
    std::vector<const Glyph*> glyphs;
    for (size_t l = 0; l < draft.lines.size(); ++l) {
      const std::vector<const Glyph*>& line = draft.lines[l]->glyphs;
      const size_t skip = l == 0 && draft.label ? draft.label->glyphs : 0;
      glyphs.insert(glyphs.end(), line.begin() + static_cast<long>(std::min(skip, line.size())), line.end());
    }
    std::optional<Paragraph> paragraph = MakeParagraph(glyphs, styles_, container);
    if (!paragraph) return paragraph;
    if (draft.label || !draft.bullet.empty()) {
      paragraph->role = ParagraphRole::kListItem;
      paragraph->label = draft.label ? draft.label->text : draft.bullet;
      paragraph->ordered = draft.label && draft.label->ordered;
      return paragraph;
    }
    const double size = DominantSize(glyphs);
    const std::string text = FlowText(*paragraph);
    const bool shortText = paragraph->lines.size() <= 3 && text.size() <= 200;
    const bool larger = size >= kHeadingScale * bodySize_;
    const bool boldLine = paragraph->lines.size() == 1 && AllBold(glyphs) && size >= 0.95 * bodySize_ &&
                          !text.empty() && text.back() != '.' && text.back() != ':' && text.back() != ',';
    if (shortText && (larger || boldLine)) {
      paragraph->role = ParagraphRole::kHeading;
      // The level is set once the sizes of every heading are known; until
      // then it holds the size in tenths of a point.
      paragraph->level = static_cast<int>(std::lround(size * 10)) + (boldLine && !larger ? 0 : 1);
    }
    return paragraph;
  }

  const PageDrawing& content_;
  const int page_;
  const std::vector<TextStyle>& styles_;
  const RegionRenderer& render_;
  const double bodySize_;
  std::vector<bool> glyphUsed_, shapeUsed_;
};

// The size most of the document's text is set in.
double BodySize(const ReadPages& pages) {
  // Running text: the long stretches of its lines; the cells of a large
  // table, however many, are short.
  std::map<long, size_t> counts, all;
  for (const PageDrawing& page : pages.pages) {
    std::vector<const Glyph*> glyphs;
    for (const Glyph& glyph : page.glyphs) {
      if (glyph.space()) continue;
      glyphs.push_back(&glyph);
      ++all[std::lround(glyph.size * 2)];
    }
    for (const auto& band : GlyphBands(glyphs)) {
      for (const Item& piece : LinePieces(band)) {
        if (piece.glyphs.size() < kRunningGlyphs) continue;
        for (const Glyph* glyph : piece.glyphs) ++counts[std::lround(glyph->size * 2)];
      }
    }
  }
  if (counts.empty()) counts = all;
  long best = 20;
  size_t most = 0;
  for (const auto& [size, count] : counts) {
    if (count > most) best = size, most = count;
  }
  return static_cast<double>(best) / 2;
}

// Heading levels from their sizes: the largest is 1.
void SetHeadingLevels(std::vector<Block>& blocks) {
  std::set<int, std::greater<int>> sizes;
  for (const Block& block : blocks) {
    const auto* paragraph = std::get_if<Paragraph>(&block);
    if (paragraph != nullptr && paragraph->role == ParagraphRole::kHeading) sizes.insert(paragraph->level);
  }
  std::map<int, int> level;
  for (int size : sizes) level[size] = std::min(6, static_cast<int>(level.size()) + 1);
  for (Block& block : blocks) {
    auto* paragraph = std::get_if<Paragraph>(&block);
    if (paragraph != nullptr && paragraph->role == ParagraphRole::kHeading) paragraph->level = level[paragraph->level];
  }
}

std::string RowText(const Table& table, int row) {
  std::string text;
  for (const TableCell& cell : table.cells) {
    if (cell.row != row) continue;
    text += std::to_string(cell.column) + ":";
    for (const Paragraph& paragraph : cell.paragraphs) text += FlowText(paragraph);
    text += "|";
  }
  return text;
}

// A table that goes on at the top of the next page, with the same columns,
// is one table; its heading rows repeated there are dropped.
void JoinContinuedTables(std::vector<Block>& blocks) {
  auto artifact = [](const Block& block) {
    const auto* paragraph = std::get_if<Paragraph>(&block);
    return paragraph != nullptr && paragraph->role == ParagraphRole::kArtifact;
  };
  for (size_t i = 0; i + 1 < blocks.size(); ++i) {
    // The next block of the flow: a running footer and header may stand between.
    size_t j = i + 1;
    while (j < blocks.size() && artifact(blocks[j])) ++j;
    if (j == blocks.size()) break;
    auto* first = std::get_if<Table>(&blocks[i]);
    auto* next = std::get_if<Table>(&blocks[j]);
    if (first == nullptr || next == nullptr) continue;
    const int lastPage = first->cells.empty() ? first->page : first->cells.back().page;
    if (next->page != lastPage + 1 || next->columns != first->columns) continue;
    // The same columns: the tables' sides line up, and each column's middle
    // on the next page falls in the same column on the first.
    bool sameColumns = std::fabs(next->box.x0 - first->box.x0) <= 3 && std::fabs(next->box.x1 - first->box.x1) <= 3;
    double firstEdge = first->box.x0, nextEdge = next->box.x0;
    for (int c = 0; sameColumns && c < first->columns; ++c) {
      const double firstEnd = firstEdge + first->columnWidths[static_cast<size_t>(c)];
      const double nextEnd = nextEdge + next->columnWidths[static_cast<size_t>(c)];
      const double middle = (nextEdge + nextEnd) / 2;
      sameColumns = middle > firstEdge && middle < firstEnd;
      firstEdge = firstEnd, nextEdge = nextEnd;
    }
    if (!sameColumns) continue;
    int repeated = 0;
    while (repeated < std::max(first->headerRows, 1) && repeated < next->rows &&
           RowText(*first, repeated) == RowText(*next, repeated)) {
      ++repeated;
    }
    if (repeated > 0 && first->headerRows == 0 && repeated < next->rows) first->headerRows = repeated;
    for (TableCell& cell : next->cells) {
      if (cell.row < repeated) continue;
      cell.row += first->rows - repeated;
      cell.header = false;
      first->cells.push_back(std::move(cell));
    }
    first->rowHeights.insert(first->rowHeights.end(), next->rowHeights.begin() + repeated, next->rowHeights.end());
    first->rows += next->rows - repeated;
    blocks.erase(blocks.begin() + static_cast<long>(j));
    --i;
  }
}

// Running headers and footers: pieces of lines in the top or bottom tenth of
// a page that come back on another page at the same height, alike but for
// their numbers ("Page 2 of 7"). For each page, the glyphs they hold, and
// the pieces themselves.
struct RunningLines {
  std::vector<std::vector<bool>> glyphs;
  std::vector<std::vector<std::vector<const Glyph*>>> pieces;
};

RunningLines FindRunningLines(const ReadPages& pages) {
  RunningLines running;
  running.glyphs.resize(pages.pages.size());
  running.pieces.resize(pages.pages.size());
  struct Candidate {
    size_t page;
    std::string key;
    std::vector<const Glyph*> glyphs;
  };
  std::vector<Candidate> candidates;
  std::map<std::string, std::set<size_t>> seen;  // key -> pages
  for (size_t p = 0; p < pages.pages.size(); ++p) {
    const PageDrawing& page = pages.pages[p];
    running.glyphs[p].assign(page.glyphs.size(), false);
    std::vector<const Glyph*> glyphs;
    for (const Glyph& glyph : page.glyphs) glyphs.push_back(&glyph);
    const std::vector<std::vector<const Glyph*>> bands = GlyphBands(glyphs);
    std::vector<Box> extents;
    for (const auto& band : bands) extents.push_back(GlyphExtent(band));
    for (size_t b = 0; b < bands.size(); ++b) {
      const Box& extent = extents[b];
      const bool top = extent.y1 <= 0.1 * page.height, bottom = extent.y0 >= 0.9 * page.height;
      if (!top && !bottom) continue;
      // The whole line is the key, its pieces with their places: a header
      // comes back whole, a table's row only in part.
      std::string key = (top ? "t" : "b") + std::to_string(std::lround(extent.y0 / 2));
      const std::vector<Item> pieces = LinePieces(bands[b]);
      for (const Item& piece : pieces) {
        key += "|" + std::to_string(std::lround(piece.box.x0 / 2)) + ":";
        for (const Glyph* glyph : piece.glyphs) {
          if (glyph->space()) continue;
          key += glyph->code < 0x80 && std::isdigit(static_cast<int>(glyph->code)) ? "#" : glyph->text;
        }
      }
      seen[key].insert(p);
      for (const Item& piece : pieces) candidates.push_back({p, key, piece.glyphs});
    }
  }
  // On half the pages at least (and two): a table's row that comes back by
  // chance is rarer.
  const size_t needed = std::max<size_t>(2, (pages.pages.size() + 1) / 2);
  for (Candidate& candidate : candidates) {
    if (seen[candidate.key].size() < needed) continue;
    const PageDrawing& page = pages.pages[candidate.page];
    for (const Glyph* glyph : candidate.glyphs)
      running.glyphs[candidate.page][static_cast<size_t>(glyph - page.glyphs.data())] = true;
    running.pieces[candidate.page].push_back(std::move(candidate.glyphs));
  }
  return running;
}

}  // namespace

std::vector<Block> ReadLayoutBlocks(ReadPages& pages, const RegionRenderer& render) {
  const double bodySize = BodySize(pages);
  const RunningLines running = FindRunningLines(pages);
  std::vector<Block> blocks;
  for (size_t p = 0; p < pages.pages.size(); ++p) {
    PageReader reader(pages.pages[p], static_cast<int>(p), pages.styles, render, bodySize, running.glyphs[p]);
    for (Block& block : reader.Read()) blocks.push_back(std::move(block));
    const PageDrawing& page = pages.pages[p];
    for (const std::vector<const Glyph*>& piece : running.pieces[p]) {
      if (std::optional<Paragraph> paragraph = MakeParagraph(piece, pages.styles, Box{0, 0, page.width, page.height})) {
        paragraph->role = ParagraphRole::kArtifact;
        blocks.push_back(std::move(*paragraph));
      }
    }
    pages.pages[p] = PageDrawing{page.width, page.height, {}, {}, {}, {}, {}};
  }
  SetHeadingLevels(blocks);
  JoinContinuedTables(blocks);
  return blocks;
}

}  // namespace zembra::exporter
