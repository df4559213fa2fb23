// How the blocks of a document become a word processor's flowing text, the
// same for every format that is one (RTF, ODF): sections of one paper size
// and column count, page and column breaks where the PDF has them, each
// paragraph's spacing, indents and list, tables and their cells, so the
// result looks like the PDF's pages while its text flows.
#pragma once

#include <array>
#include <deque>
#include <optional>
#include <vector>

#include "engines/export/documents/document_model.h"
#include "engines/export/documents/list_plan.h"
#include "engines/export/documents/table_layout.h"

namespace zembra::exporter {

/// Pages of one paper size in a row, with the margins around the largest
/// text area among them (points).
struct PageSetup {
  int firstPage = 0, endPage = 0;  ///< pages [firstPage, endPage)
  double width = 612, height = 792;
  double left = 72, right = 72, top = 72, bottom = 72;
};

/// The page setups of a document: a new one where the paper size changes.
std::vector<PageSetup> PageSetups(const Document& document);

/// Where a page's content runs in columns: blocks [first, end) of the
/// document, and the index of the block that starts each further column.
struct ColumnRun {
  size_t first = 0, end = 0;
  std::vector<size_t> breaks;
  double gap = 0;  ///< between two columns, points
};

/// The runs of blocks set in columns: where the reading order goes back up
/// the page to a block right of the one before it, and its column's blocks
/// stand beside the previous column's. The plan sets such a run as a table
/// of one row, one cell per column, which every reader of the formats keeps
/// beside each other; only a run that holds a table becomes a section of
/// columns, a table in a table being beyond what some readers take.
std::vector<ColumnRun> FindColumns(const Document& document);

/// How one paragraph (or a picture's paragraph) is set.
struct ParagraphLayout {
  int heading = 0;  ///< 1 to 6 for a heading
  bool caption = false;
  bool pageBreakBefore = false;
  bool rightToLeft = false;
  Alignment alignment = Alignment::kStart;
  double spaceBefore = 0, spaceAfter = 0;  ///< points
  double lineSpacing = 0;                  ///< the least line pitch, points; 0: the font's own
  bool exactLineSpacing = false;           ///< lineSpacing is exact (a spacer's height)
  double indent = 0;     ///< from the frame's start edge: the left one, the right one for right-to-left text
  double firstLine = 0;  ///< the first line's offset from indent; negative hangs
  double endIndent = 0;  ///< from the frame's end edge, where the lines end (a column's text beside another)
  int list = 0;          ///< the list (from 1) of a list item, 0 for none
  int listLevel = 0;     ///< its level, from 0
};

/// A cell's paragraphs and pictures, top to bottom.
struct CellPart {
  const Paragraph* paragraph = nullptr;
  const Picture* picture = nullptr;
  ParagraphLayout layout;
};

struct FlowItem {
  enum class Kind {
    kSection,      ///< a new section starts: the paper of setups[setup], columns
    kColumnBreak,  ///< the next column of the section starts
    kParagraph,
    kPicture,  ///< a paragraph holding the picture
    kSpacer,   ///< an empty paragraph as high as layout.lineSpacing (between two tables)
    kTable,
  };
  Kind kind = Kind::kParagraph;
  const Paragraph* paragraph = nullptr;
  const Picture* picture = nullptr;
  const Table* table = nullptr;
  ParagraphLayout layout;  ///< of a paragraph, a picture, a spacer; a table's page break
  // A section:
  size_t setup = 0;
  int columns = 1;
  double columnGap = 0;
  bool newPage = false;  ///< the section starts on a new page
  // A table:
  TableLayout tableLayout;
  std::vector<std::vector<CellPart>> cells;  ///< of each of table->cells
};

struct FlowPlan {
  std::vector<PageSetup> setups;
  std::vector<FlowItem> items;
  /// Tables the plan made: blocks side by side on a page (cards, a picture
  /// beside text, columns of text) as the cells of one row without borders.
  std::deque<Table> sideBySide;
  std::vector<ListDefinition> lists;
  /// The look of the first heading of each level, for the heading styles.
  std::array<std::optional<TextStyle>, 6> headingLooks;
};

FlowPlan PlanFlow(const Document& document);

}  // namespace zembra::exporter
