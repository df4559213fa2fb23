// Tables of an untagged page found from what is drawn: grids of ruling
// lines (borders), and runs of lines whose words stand in aligned columns
// (tables without rules).
#pragma once

#include <vector>

#include "engines/export/documents/table_grid.h"

namespace zembra::exporter {

/// A grid of rules: its column and row edges and the cells, each cell the
/// rectangle of grid tracks it covers (several where a rule is missing
/// between them: a spanning cell).
struct RuledGrid {
  std::vector<double> columns;  ///< x of column edges, left to right: columns + 1 of them
  std::vector<double> rows;     ///< y of row edges, top to bottom
  struct Cell {
    int row = 0, column = 0, rowSpan = 1, columnSpan = 1;
  };
  std::vector<Cell> cells;   ///< row by row, left to right
  bool ruledColumns = true;  ///< false: only horizontal rules; columns come from the text
  Box area() const { return {columns.front(), rows.front(), columns.back(), rows.back()}; }
};

/// The grids the rules of one page form: rules that cross or meet make one
/// grid; so do horizontal rules of one width stacked close together (a
/// table with rules between its rows only). A grid is at least two tracks
/// in one direction. Rules of no grid are left out.
std::vector<RuledGrid> FindRuledGrids(const std::vector<Rule>& rules);

/// A word as the column finder sees it.
struct PlacedWord {
  double x0 = 0, x1 = 0;
  double gapBefore = 0;  ///< to the word before on its line; 0 for the first
  double size = 10;      ///< font size
};

/// Where each line of a block splits into cells: for each line, the indices
/// of the words that start a cell (always 0). A gap of a whole em splits; so
/// does a narrower gap, down to a tight one, where a cell edge continues in
/// other lines that split at a whole em (a table's column: left or right
/// aligned). Lines without wide gaps around them stay whole.
std::vector<std::vector<size_t>> SplitCells(const std::vector<std::vector<PlacedWord>>& lines);

}  // namespace zembra::exporter
