#include "engines/export/documents/flow_plan.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace zembra::exporter {

namespace {

// Offsets smaller than this (points) are the page's rounding, not an indent.
constexpr double kSmallestIndent = 2;
// Space above a block is what the page shows, up to this much (points).
constexpr double kLargestSpace = 144;
// Room at the bottom of a page beyond the PDF's (points).
constexpr double kBottomSlack = 2;
// Columns side by side keep at most this much of the room between them as
// their cells' padding (points).
constexpr double kSideBySidePadding = 3;
// A spacer between two tables is at least this high (points).
constexpr double kThinnestSpacer = 1;

bool IsFlow(const Block& block) {
  const auto* paragraph = std::get_if<Paragraph>(&block);
  return paragraph == nullptr || paragraph->role != ParagraphRole::kArtifact;
}

Box BlockBox(const Block& block) {
  return std::visit([](const auto& b) { return b.box; }, block);
}

// The page a block ends on and its bottom there: a table may run over pages.
std::pair<int, double> BlockEnd(const Block& block) {
  if (const auto* table = std::get_if<Table>(&block)) {
    int page = table->page;
    double bottom = table->box.y1;
    for (const TableCell& cell : table->cells) {
      if (cell.page > page) {
        page = cell.page;
        bottom = cell.box.y1;
      } else if (cell.page == page) {
        bottom = std::max(bottom, cell.box.y1);
      }
    }
    return {page, bottom};
  }
  if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
    // A paragraph's last lines may stand on the next page.
    if (!paragraph->lines.empty() && paragraph->lines.back().page > paragraph->page) {
      return {paragraph->lines.back().page, paragraph->lines.back().box.y1};
    }
  }
  return {BlockPage(block), BlockBox(block).y1};
}

// The distance from one line's top to the next one's, on average over the
// lines of one page; 0 for a single line.
double LinePitch(const Paragraph& paragraph) {
  double sum = 0;
  int count = 0;
  for (size_t i = 1; i < paragraph.lines.size(); ++i) {
    const TextLine& above = paragraph.lines[i - 1];
    const TextLine& below = paragraph.lines[i];
    if (below.page != above.page || below.box.y0 <= above.box.y0) continue;
    sum += below.box.y0 - above.box.y0;
    ++count;
  }
  return count > 0 ? sum / count : 0;
}

// The horizontal room the blocks being laid out stand in (points from the
// paper's left edge): the text area, one column of it, or a cell's inside.
struct Frame {
  double left = 0, right = 0;
};

class Planner {
 public:
  explicit Planner(const Document& document) : document_(document) {
    plan_.setups = PageSetups(document);
    columns_ = FindColumns(document);
  }

  FlowPlan Run() {
    size_t setup = 0;
    size_t nextColumns = 0;
    const ColumnRun* open = nullptr;
    size_t column = 0;
    for (size_t i = 0; i < document_.blocks.size(); ++i) {
      const Block& block = document_.blocks[i];
      if (!IsFlow(block)) continue;  // running headers, footers and page numbers are not the document's text
      const int page = BlockPage(block);
      const bool first = previousPage_ < 0;
      if (first || page > previousPage_) {
        pendingBreak_ = !first;
        previousBottom_ = plan_.setups[setup].top;
        lastParagraph_.reset();
      }
      bool paperChanges = false;
      while (setup + 1 < plan_.setups.size() && page >= plan_.setups[setup + 1].firstPage) {
        ++setup;
        paperChanges = true;
        previousBottom_ = plan_.setups[setup].top;
      }
      if (open == nullptr && nextColumns < columns_.size() && columns_[nextColumns].first == i &&
          !HoldsTable(columns_[nextColumns])) {
        if (first || paperChanges) AddSection(setup, nullptr);
        const PageSetup& current = plan_.setups[setup];
        frame_ = Frame{current.left, current.width - current.right};
        const ColumnRun& run = columns_[nextColumns++];
        TableLayout layout;
        std::vector<double> textRights;
        const Table& row = SideBySide(run, frame_, layout, textRights);
        AddTable(row, layout, textRights);
        previousWasListItem_ = false;
        previousPage_ = page;
        previousBottom_ = row.box.y1;
        i = run.end - 1;
        continue;
      }
      const bool columnsStart = open == nullptr && nextColumns < columns_.size() && columns_[nextColumns].first == i;
      if (columnsStart) {
        open = &columns_[nextColumns++];
        column = 0;
        runBottom_ = 0;
      }
      if (first || paperChanges || columnsStart) {
        AddSection(setup, columnsStart ? open : nullptr);
      } else if (open != nullptr && column < open->breaks.size() && open->breaks[column] == i) {
        ++column;
        FlowItem item;
        item.kind = FlowItem::Kind::kColumnBreak;
        plan_.items.push_back(item);
        previousBottom_ = BlockBox(document_.blocks[open->first]).y0;
        lastParagraph_.reset();
        lastWasTable_ = false;
      }
      const PageSetup& current = plan_.setups[setup];
      frame_ =
          open != nullptr ? ColumnFrame(*open, column, current) : Frame{current.left, current.width - current.right};

      if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
        AddParagraph(*paragraph);
      } else if (const auto* table = std::get_if<Table>(&block)) {
        AddTable(*table);
      } else if (const auto* picture = std::get_if<Picture>(&block)) {
        FlowItem item;
        item.kind = FlowItem::Kind::kPicture;
        item.picture = picture;
        item.layout = PictureLayout(*picture, frame_);
        AddFlowParagraph(std::move(item));
      }
      const auto* paragraph = std::get_if<Paragraph>(&block);
      previousWasListItem_ = paragraph != nullptr && paragraph->role == ParagraphRole::kListItem;
      const auto [endPage, bottom] = BlockEnd(block);
      previousPage_ = endPage;
      previousBottom_ = bottom;
      if (open != nullptr) {
        runBottom_ = std::max(runBottom_, bottom);
        if (i + 1 >= open->end) {
          // What follows the columns keeps its distance to the longest one.
          open = nullptr;
          previousBottom_ = runBottom_;
          AddSection(setup, nullptr);
        }
      }
    }
    if (plan_.items.empty()) AddSection(0, nullptr);
    plan_.lists = lists_.Lists();
    return std::move(plan_);
  }

 private:
  void AddSection(size_t setup, const ColumnRun* columns) {
    FlowItem item;
    item.kind = FlowItem::Kind::kSection;
    item.setup = setup;
    item.newPage = pendingBreak_;
    pendingBreak_ = false;
    if (columns != nullptr) {
      item.columns = static_cast<int>(columns->breaks.size()) + 1;
      item.columnGap = columns->gap;
    }
    plan_.items.push_back(item);
    lastParagraph_.reset();
    lastWasTable_ = false;
  }

  bool HoldsTable(const ColumnRun& run) const {
    for (size_t k = run.first; k < run.end; ++k) {
      if (std::holds_alternative<Table>(document_.blocks[k])) return true;
    }
    return false;
  }

  // A run of columns as a table of one row without borders: each cell
  // holds its column's blocks and reaches to the next column, with a
  // padding of at most half the room between them; its lines end where the
  // column's widest one did, with room to spare (textRights, from the
  // paper's left edge).
  const Table& SideBySide(const ColumnRun& run, const Frame& frame, TableLayout& layout,
                          std::vector<double>& textRights) {
    std::vector<size_t> starts = {run.first};
    starts.insert(starts.end(), run.breaks.begin(), run.breaks.end());
    starts.push_back(run.end);
    const size_t count = starts.size() - 1;
    std::vector<double> lefts(count, 1e9), rights(count, 0);
    Table table;
    table.rows = 1;
    table.columns = static_cast<int>(count);
    table.page = BlockPage(document_.blocks[run.first]);
    table.box = {1e9, 1e9, 0, 0};
    for (size_t k = 0; k < count; ++k) {
      TableCell cell;
      cell.column = static_cast<int>(k);
      cell.page = table.page;
      for (size_t b = starts[k]; b < starts[k + 1]; ++b) {
        const Block& block = document_.blocks[b];
        const Box box = BlockBox(block);
        lefts[k] = std::min(lefts[k], box.x0);
        rights[k] = std::max(rights[k], box.x1);
        table.box.y0 = std::min(table.box.y0, box.y0);
        table.box.y1 = std::max(table.box.y1, BlockEnd(block).second);
        if (const auto* paragraph = std::get_if<Paragraph>(&block)) cell.paragraphs.push_back(*paragraph);
        if (const auto* picture = std::get_if<Picture>(&block)) cell.pictures.push_back(*picture);
      }
      table.cells.push_back(std::move(cell));
    }
    double padding = kSideBySidePadding;
    for (size_t k = 0; k + 1 < count; ++k) padding = std::min(padding, std::max(0.0, lefts[k + 1] - rights[k]) / 2);
    layout.padding = padding;
    layout.left = lefts[0] - padding - frame.left;
    textRights.clear();
    for (size_t k = 0; k < count; ++k) {
      textRights.push_back(lefts[k] + (rights[k] - lefts[k]) * kGlyphSlack);
      layout.widths.push_back(k + 1 < count ? lefts[k + 1] - lefts[k] : textRights[k] - lefts[k] + 2 * padding);
    }
    table.columnWidths = layout.widths;
    table.box.x0 = lefts[0] - padding;
    double x = table.box.x0;
    for (size_t k = 0; k < count; ++k) {
      table.cells[k].box = {x, table.box.y0, x + layout.widths[k], table.box.y1};
      x += layout.widths[k];
    }
    table.box.x1 = x;
    plan_.sideBySide.push_back(std::move(table));
    return plan_.sideBySide.back();
  }

  Frame ColumnFrame(const ColumnRun& columns, size_t index, const PageSetup& setup) const {
    const double width = setup.width - setup.left - setup.right;
    const double count = static_cast<double>(columns.breaks.size() + 1);
    const double columnWidth = (width - columns.gap * (count - 1)) / count;
    const double left = setup.left + static_cast<double>(index) * (columnWidth + columns.gap);
    return {left, left + columnWidth};
  }

  bool TakeBreak() {
    const bool taken = pendingBreak_;
    pendingBreak_ = false;
    return taken;
  }

  double SpaceBefore(const Box& box) const {
    if (!previousBottom_) return 0;
    const double gap = std::clamp(box.y0 - *previousBottom_, 0.0, kLargestSpace);
    return gap >= 0.5 ? gap : 0;
  }

  // A paragraph of the flow; one a table comes after can still take the
  // space between them as space below.
  void AddFlowParagraph(FlowItem item) {
    lastParagraph_ = plan_.items.size();
    plan_.items.push_back(std::move(item));
    lastWasTable_ = false;
  }

  void AddParagraph(const Paragraph& paragraph) {
    FlowItem item;
    item.paragraph = &paragraph;
    item.layout = ParagraphFor(paragraph, previousWasListItem_, frame_);
    AddFlowParagraph(std::move(item));
  }

  ParagraphLayout ParagraphFor(const Paragraph& paragraph, bool continuesList, const Frame& frame) {
    ParagraphLayout layout;
    if (paragraph.role == ParagraphRole::kHeading) {
      layout.heading = std::clamp(paragraph.level, 1, 6);
      const std::vector<TextRun> runs = FlowRuns(paragraph);
      std::optional<TextStyle>& look = plan_.headingLooks[static_cast<size_t>(layout.heading - 1)];
      if (!look && !runs.empty()) {
        look = runs.front().style;
        look->link.clear();
      }
    }
    layout.caption = paragraph.role == ParagraphRole::kCaption;
    layout.pageBreakBefore = TakeBreak();
    layout.rightToLeft = paragraph.rightToLeft;
    layout.alignment = paragraph.alignment;
    layout.spaceBefore = SpaceBefore(paragraph.box);
    layout.lineSpacing = LinePitch(paragraph);
    // Offsets from the frame's edge where the paragraph's lines start.
    const double lead = paragraph.rightToLeft ? frame.right - paragraph.box.x1 : paragraph.box.x0 - frame.left;
    if (paragraph.role == ParagraphRole::kListItem) {
      layout.indent = std::max(0.0, lead);
      layout.list = lists_.Item(paragraph, continuesList, layout.indent);
      layout.listLevel = ListSet::LevelOf(paragraph);
      layout.firstLine = ListSet::Hanging(layout.indent);
      return layout;
    }
    const bool startAligned = paragraph.alignment == Alignment::kStart || paragraph.alignment == Alignment::kJustify;
    if (!startAligned || paragraph.box.width() <= 0) return layout;
    if (lead >= kSmallestIndent) layout.indent = lead;
    if (paragraph.lines.size() > 1) {
      const Box& first = paragraph.lines.front().box;
      const double firstLine = paragraph.rightToLeft ? paragraph.box.x1 - first.x1 : first.x0 - paragraph.box.x0;
      if (firstLine >= kSmallestIndent) layout.firstLine = firstLine;
    }
    return layout;
  }

  // A picture's paragraph: centred or at the end when it stands so,
  // indented otherwise.
  ParagraphLayout PictureLayout(const Picture& picture, const Frame& frame) {
    ParagraphLayout layout;
    layout.pageBreakBefore = TakeBreak();
    const double before = picture.box.x0 - frame.left;
    const double after = frame.right - picture.box.x1;
    if (before > 6 && std::fabs(before - after) < 3) {
      layout.alignment = Alignment::kCenter;
    } else if (before > 6 && after < kSmallestIndent) {
      layout.alignment = Alignment::kEnd;
    } else if (before >= kSmallestIndent) {
      layout.indent = before;
    }
    layout.spaceBefore = SpaceBefore(picture.box);
    return layout;
  }

  // A table; a row of columns side by side comes with its layout and where
  // each column's lines end.
  void AddTable(const Table& table, std::optional<TableLayout> layout = std::nullopt,
                const std::vector<double>& textRights = {}) {
    const bool captionAbove = table.caption && table.caption->box.y0 <= table.box.y0;
    if (table.caption && captionAbove) {
      AddParagraph(*table.caption);
      previousBottom_ = table.caption->box.y1;
    }
    // A table has no space above: the paragraph before it gets it as space
    // below. Two tables in a row need a paragraph between them, or they
    // would be read as one.
    const double gap = SpaceBefore(table.box);
    if (lastParagraph_ && gap > 0) {
      plan_.items[*lastParagraph_].layout.spaceAfter = gap;
    } else if (lastWasTable_ || (!lastParagraph_ && gap >= 1)) {
      FlowItem spacer;
      spacer.kind = FlowItem::Kind::kSpacer;
      spacer.layout.pageBreakBefore = TakeBreak();
      spacer.layout.lineSpacing = std::max(kThinnestSpacer, gap);
      spacer.layout.exactLineSpacing = true;
      AddFlowParagraph(std::move(spacer));
    }
    FlowItem item;
    item.kind = FlowItem::Kind::kTable;
    item.table = &table;
    item.layout.pageBreakBefore = TakeBreak();
    item.tableLayout = layout ? *layout : LayoutTable(table, frame_.left, frame_.right - frame_.left);
    for (const TableCell& cell : table.cells) {
      // The cell's text starts inside its padding.
      const Frame inside{cell.box.x0 + item.tableLayout.padding, cell.box.x1 - item.tableLayout.padding};
      item.cells.push_back(CellParts(cell, inside));
      const size_t column = static_cast<size_t>(cell.column);
      if (column >= textRights.size()) continue;
      const double end = inside.right - textRights[column];
      for (CellPart& part : item.cells.back()) {
        if (part.paragraph != nullptr && !part.layout.rightToLeft && end >= kSmallestIndent)
          part.layout.endIndent = end;
      }
    }
    plan_.items.push_back(std::move(item));
    lastParagraph_.reset();
    lastWasTable_ = true;
    if (table.caption && !captionAbove) {
      previousBottom_ = BlockEnd(table).second;
      AddParagraph(*table.caption);
    }
  }

  std::vector<CellPart> CellParts(const TableCell& cell, const Frame& frame) {
    std::vector<std::pair<double, CellPart>> parts;
    previousBottom_.reset();
    bool list = false;
    for (const Paragraph& paragraph : cell.paragraphs) {
      CellPart part;
      part.paragraph = &paragraph;
      const bool pending = pendingBreak_;
      pendingBreak_ = false;  // a table's page break is the table's, not its cells'
      part.layout = ParagraphFor(paragraph, list, frame);
      pendingBreak_ = pending;
      parts.emplace_back(paragraph.box.y0, part);
      list = paragraph.role == ParagraphRole::kListItem;
      previousBottom_ = paragraph.box.y1;
    }
    for (const Picture& picture : cell.pictures) {
      CellPart part;
      part.picture = &picture;
      previousBottom_.reset();
      const bool pending = pendingBreak_;
      pendingBreak_ = false;
      part.layout = PictureLayout(picture, frame);
      pendingBreak_ = pending;
      parts.emplace_back(picture.box.y0, part);
    }
    std::stable_sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<CellPart> out;
    for (auto& part : parts) out.push_back(part.second);
    return out;
  }

  const Document& document_;
  FlowPlan plan_;
  std::vector<ColumnRun> columns_;
  ListSet lists_;
  Frame frame_;
  int previousPage_ = -1;
  std::optional<double> previousBottom_;
  double runBottom_ = 0;  ///< the lowest bottom of the columns so far
  bool previousWasListItem_ = false;
  bool pendingBreak_ = false;
  std::optional<size_t> lastParagraph_;  ///< the item that takes space below for a table after it
  bool lastWasTable_ = false;
};

}  // namespace

std::vector<PageSetup> PageSetups(const Document& document) {
  std::vector<PageSetup> setups;
  std::vector<std::vector<const PageFrame*>> pages;  // of each setup, with content
  for (const PageFrame& page : document.pages) {
    const double width = page.width > 0 ? page.width : 612;
    const double height = page.height > 0 ? page.height : 792;
    if (setups.empty() || std::fabs(setups.back().width - width) > 1 || std::fabs(setups.back().height - height) > 1) {
      PageSetup setup;
      setup.firstPage = setup.endPage = static_cast<int>(&page - document.pages.data());
      setup.width = width;
      setup.height = height;
      setups.push_back(setup);
      pages.emplace_back();
    }
    ++setups.back().endPage;
    if (page.textArea.width() > 0 && page.textArea.height() > 0) pages.back().push_back(&page);
  }
  if (setups.empty()) setups.emplace_back();
  for (size_t s = 0; s < pages.size(); ++s) {
    PageSetup& setup = setups[s];
    if (pages[s].empty()) continue;  // no content says anything of the margins
    // The margins around the largest text area among the pages. A page's
    // content may end short of its right or bottom margin (ragged lines, the
    // last page), so the right margin is at most the left one, and the
    // bottom one comes from pages that the next page continues, or is at
    // most the top one when there are none.
    setup.left = setup.top = setup.right = setup.bottom = 1e9;
    for (size_t k = 0; k < pages[s].size(); ++k) {
      const Box& area = pages[s][k]->textArea;
      setup.left = std::min(setup.left, std::max(0.0, area.x0));
      setup.top = std::min(setup.top, std::max(0.0, area.y0));
      setup.right = std::min(setup.right, std::max(0.0, setup.width - area.x1));
      if (k + 1 < pages[s].size() || pages[s].size() == 1) {
        setup.bottom = std::min(setup.bottom, std::max(0.0, setup.height - area.y1));
      }
    }
    setup.right = std::min(setup.right, setup.left);
    if (pages[s].size() == 1) setup.bottom = std::min(setup.bottom, setup.top);
    // A word processor's lines may come out a little taller than the
    // browser's: a page's last line or row must not spill onto a page of its
    // own before the break that starts the next one.
    setup.bottom = std::max(0.0, setup.bottom - kBottomSlack);
  }
  return setups;
}

std::vector<ColumnRun> FindColumns(const Document& document) {
  std::vector<ColumnRun> found;
  const std::vector<Block>& blocks = document.blocks;
  // Whether b continues a page's reading order in the next column: it
  // starts above the bottom of a, on its page, wholly to its right.
  const auto jumps = [&](size_t a, size_t b) {
    if (!IsFlow(blocks[a]) || !IsFlow(blocks[b]) || BlockPage(blocks[a]) != BlockPage(blocks[b])) return false;
    if (BlockEnd(blocks[a]).first != BlockPage(blocks[a])) return false;
    const Box before = BlockBox(blocks[a]);
    const Box after = BlockBox(blocks[b]);
    return after.y0 < before.y1 - 2 && after.x0 >= before.x1 - 2;
  };
  size_t i = 1;
  while (i < blocks.size()) {
    if (!jumps(i - 1, i)) {
      ++i;
      continue;
    }
    const int page = BlockPage(blocks[i]);
    const Box top = BlockBox(blocks[i]);
    // The first column: the blocks before, left of the next column, from
    // about the height where it starts.
    size_t first = i - 1;
    while (first > 0 && IsFlow(blocks[first - 1]) && BlockPage(blocks[first - 1]) == page &&
           BlockBox(blocks[first - 1]).x1 <= top.x0 + 2 && BlockBox(blocks[first - 1]).y0 >= top.y0 - 4) {
      --first;
    }
    ColumnRun run;
    run.first = first;
    run.breaks.push_back(i);
    double columnLeft = top.x0;
    double lastRight = top.x1;
    size_t end = i + 1;
    while (end < blocks.size() && IsFlow(blocks[end]) && BlockPage(blocks[end]) == page) {
      const Box box = BlockBox(blocks[end]);
      if (jumps(end - 1, end)) {
        run.breaks.push_back(end);
        columnLeft = box.x0;
        lastRight = box.x1;
      } else if (box.x0 >= columnLeft - 2) {
        lastRight = std::max(lastRight, box.x1);
      } else {
        break;
      }
      ++end;
    }
    run.end = end;
    double firstLeft = BlockBox(blocks[first]).x0;
    for (size_t k = first; k < run.breaks.front(); ++k) firstLeft = std::min(firstLeft, BlockBox(blocks[k]).x0);
    // Columns of one width: their pitch less the last one's width.
    const double pitch = (columnLeft - firstLeft) / static_cast<double>(run.breaks.size());
    run.gap = std::clamp(pitch - (lastRight - columnLeft), 6.0, 72.0);
    found.push_back(run);
    i = end + 1;
  }
  return found;
}

FlowPlan PlanFlow(const Document& document) { return Planner(document).Run(); }

}  // namespace zembra::exporter
