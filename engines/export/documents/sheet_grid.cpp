#include "engines/export/documents/sheet_grid.h"

#include <algorithm>
#include <cmath>

#include "engines/export/documents/utf8.h"

namespace zembra::exporter {

namespace {

// Sheet columns stay readable and on screen whatever the page had.
constexpr double kNarrowestColumn = 24;
constexpr double kWidestColumn = 400;
constexpr double kWrappedColumn = 200;

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// A sheet name's most characters.
constexpr size_t kNameLength = 31;

// The first count characters (code points) of UTF-8 text.
std::string FirstCharacters(const std::string& text, size_t count) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && ++characters > count) return text.substr(0, i);
  }
  return text;
}

// Text both formats can carry: malformed UTF-8 as U+FFFD, and neither the
// control characters nor the noncharacters XML refuses.
std::string CellSafe(const std::string& text) {
  std::string safe;
  for (char32_t c : DecodeUtf8(text)) {
    if ((c < 0x20 && c != '\t' && c != '\n') || c == 0xFFFE || c == 0xFFFF) continue;
    if (c < 0x80) {
      safe += static_cast<char>(c);
    } else if (c < 0x800) {
      safe += static_cast<char>(0xC0 | (c >> 6));
      safe += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      safe += static_cast<char>(0xE0 | (c >> 12));
      safe += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      safe += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      safe += static_cast<char>(0xF0 | (c >> 18));
      safe += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      safe += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      safe += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return safe;
}

std::string ParagraphText(const Paragraph& paragraph) {
  const std::string text = Trimmed(CellSafe(FlowText(paragraph)));
  if (paragraph.role == ParagraphRole::kListItem && !paragraph.label.empty() && !text.empty())
    return CellSafe(paragraph.label) + " " + text;
  return text;
}

// About how wide a text is in the spreadsheet's 10 pt font: most characters
// a little more than half an em, CJK ones a whole em.
double EstimatedWidth(const std::string& text, bool bold) {
  double width = 0;
  for (char32_t c : DecodeUtf8(text)) {
    const bool wide = (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0xA4CF) || (c >= 0xAC00 && c <= 0xD7A3) ||
                      (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFF60) || c >= 0x20000;
    width += wide ? 10 : 6;
  }
  return width * (bold ? 1.1 : 1) + 8;
}

// One table as a block of cells, its parts from later pages appended.
struct TableBlock {
  std::vector<std::vector<SheetCell>> rows;
  std::vector<std::vector<bool>> body;  // a cell of the table's body, not a header: it may be a number
  std::vector<double> widths;           // the widest the page had each column; 0: unknown
  std::optional<std::string> caption;
};

// The texts of a table's row, for recognising a header repeated on a new page.
std::vector<std::string> RowTexts(const Table& table, int row) {
  std::vector<std::string> texts(static_cast<size_t>(std::max(table.columns, 0)));
  for (const TableCell& cell : table.cells) {
    if (cell.row != row || cell.column < 0 || cell.column >= table.columns) continue;
    std::string text;
    for (const Paragraph& paragraph : cell.paragraphs) text += ParagraphText(paragraph);
    texts[static_cast<size_t>(cell.column)] = text;
  }
  return texts;
}

// Whether a table on a later page goes on with the one before it: nothing
// but running headers and footers between them, the same columns.
bool Continues(const Table& before, const Table& next) {
  if (next.page <= before.page || next.columns != before.columns || next.caption) return false;
  if (before.columnWidths.size() != next.columnWidths.size())
    return before.columnWidths.empty() || next.columnWidths.empty();
  for (size_t c = 0; c < before.columnWidths.size(); ++c) {
    if (std::abs(before.columnWidths[c] - next.columnWidths[c]) > 3) return false;
  }
  return true;
}

// How many leading rows of a continued part repeat the first part's header.
int RepeatedHeaderRows(const Table& first, const Table& part) {
  const int limit = std::min({std::max(first.headerRows, 1), first.rows, part.rows});
  int repeated = 0;
  while (repeated < limit && RowTexts(first, repeated) == RowTexts(part, repeated)) ++repeated;
  return repeated;
}

// Centred text stays centred; text at the right (the start of right-to-left
// text) stays at the right.
CellAlignment AlignmentOf(const Paragraph& paragraph) {
  if (paragraph.alignment == Alignment::kCenter) return CellAlignment::kCenter;
  const bool right =
      paragraph.rightToLeft ? paragraph.alignment == Alignment::kStart : paragraph.alignment == Alignment::kEnd;
  return right ? CellAlignment::kRight : CellAlignment::kDefault;
}

std::string CellText(const TableCell& cell, bool& wrapped) {
  std::string text;
  size_t lines = 0;
  for (const Paragraph& paragraph : cell.paragraphs) {
    const std::string part = ParagraphText(paragraph);
    if (part.empty()) continue;
    if (!text.empty()) text += '\n';
    text += part;
    lines += std::max<size_t>(paragraph.lines.size(), 1);
  }
  wrapped = lines > 1;
  return text;
}

TableBlock BlockOf(const std::vector<const Table*>& parts) {
  const Table& first = *parts.front();
  const size_t columns = static_cast<size_t>(std::max(first.columns, 0));
  TableBlock block;
  block.widths.assign(columns, 0);
  if (first.caption) block.caption = ParagraphText(*first.caption);
  for (const Table* part : parts) {
    const int skipped = part == &first ? 0 : RepeatedHeaderRows(first, *part);
    const size_t offset = block.rows.size();
    const size_t rows = static_cast<size_t>(std::max(part->rows - skipped, 0));
    block.rows.resize(offset + rows, std::vector<SheetCell>(columns));
    block.body.resize(offset + rows, std::vector<bool>(columns, false));
    if (part->columnWidths.size() == columns) {
      for (size_t c = 0; c < columns; ++c) block.widths[c] = std::max(block.widths[c], part->columnWidths[c]);
    }
    for (const TableCell& cell : part->cells) {
      if (cell.row < skipped || cell.row >= part->rows || cell.column < 0 || cell.column >= first.columns) continue;
      const size_t row = offset + static_cast<size_t>(cell.row - skipped);
      const size_t column = static_cast<size_t>(cell.column);
      SheetCell& target = block.rows[row][column];
      if (target.covered || !target.text.empty()) continue;  // a reader's overlapping cells: the first wins
      // Spans end at the table's edge.
      const int rowSpan = std::clamp(cell.rowSpan, 1, static_cast<int>(block.rows.size() - row));
      const int columnSpan = std::clamp(cell.columnSpan, 1, static_cast<int>(columns - column));
      target.text = CellText(cell, target.wrapped);
      if (!cell.paragraphs.empty()) target.alignment = AlignmentOf(cell.paragraphs.front());
      const bool header = cell.header || cell.row < part->headerRows;
      target.bold = header;
      target.rowSpan = rowSpan;
      target.columnSpan = columnSpan;
      block.body[row][column] = !header && !target.wrapped;
      for (int r = 0; r < rowSpan; ++r) {
        for (int c = 0; c < columnSpan; ++c) {
          if (r > 0 || c > 0) block.rows[row + static_cast<size_t>(r)][column + static_cast<size_t>(c)].covered = true;
        }
      }
    }
  }
  return block;
}

// Which decimal mark a cell's number uses: its own when its text shows it
// ("1,5", "3.25"); for a text that reads both ways ("1,234"), its column's
// evidence, else its table's, else the document's, else its language's, else
// the point.
void ReadNumbers(std::vector<TableBlock>& blocks, const std::string& language) {
  std::vector<DecimalMark> documentEvidence;
  std::vector<std::vector<std::vector<DecimalMark>>> columnEvidence;
  for (const TableBlock& block : blocks) {
    std::vector<std::vector<DecimalMark>> columns(block.widths.size());
    for (size_t r = 0; r < block.rows.size(); ++r) {
      for (size_t c = 0; c < block.rows[r].size(); ++c) {
        if (!block.body[r][c]) continue;
        if (const std::optional<DecimalMark> mark = MarkEvidence(block.rows[r][c].text)) {
          columns[c].push_back(*mark);
          documentEvidence.push_back(*mark);
        }
      }
    }
    columnEvidence.push_back(std::move(columns));
  }
  const DecimalMark documentMark =
      MarkOfEvidence(documentEvidence).value_or(MarkOfLanguage(language).value_or(DecimalMark::kPoint));
  for (size_t b = 0; b < blocks.size(); ++b) {
    TableBlock& block = blocks[b];
    std::vector<DecimalMark> tableEvidence;
    for (const std::vector<DecimalMark>& column : columnEvidence[b])
      tableEvidence.insert(tableEvidence.end(), column.begin(), column.end());
    const DecimalMark tableMark = MarkOfEvidence(tableEvidence).value_or(documentMark);
    for (size_t c = 0; c < block.widths.size(); ++c) {
      const DecimalMark mark = MarkOfEvidence(columnEvidence[b][c]).value_or(tableMark);
      for (size_t r = 0; r < block.rows.size(); ++r) {
        SheetCell& cell = block.rows[r][c];
        if (block.body[r][c]) cell.number = ReadCellNumber(cell.text, MarkEvidence(cell.text).value_or(mark));
      }
    }
  }
}

}  // namespace

std::string SheetName(const std::string& title) {
  std::string name = FirstCharacters(title, kNameLength);
  for (char& c : name) {
    if (std::string("[]:*?/\\").find(c) != std::string::npos || static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  name = Trimmed(name);
  // Apostrophes cannot open or close a sheet name.
  while (!name.empty() && name.front() == '\'') name.erase(0, 1);
  while (!name.empty() && name.back() == '\'') name.pop_back();
  name = Trimmed(name);
  return name.empty() ? "Sheet1" : name;
}

std::vector<SheetGrid> SplitSheets(const SheetGrid& grid, size_t maxRows) {
  std::vector<SheetGrid> sheets;
  maxRows = std::max<size_t>(maxRows, 1);
  for (size_t start = 0; start < grid.rows.size() || sheets.empty();) {
    size_t end = std::min(start + maxRows, grid.rows.size());
    if (end < grid.rows.size()) {
      for (size_t k = end; k > start + maxRows / 2; --k) {
        if (grid.rows[k - 1].empty()) {
          end = k;
          break;
        }
      }
    }
    SheetGrid& sheet = sheets.emplace_back();
    sheet.columnWidths = grid.columnWidths;
    sheet.rows.assign(grid.rows.begin() + static_cast<std::ptrdiff_t>(start),
                      grid.rows.begin() + static_cast<std::ptrdiff_t>(end));
    // What each cell covers, anew: a span cut at the sheet's end, and cells
    // whose merge began on the sheet before, are cells of their own.
    for (std::vector<SheetCell>& row : sheet.rows) {
      for (SheetCell& cell : row) cell.covered = false;
    }
    for (size_t r = 0; r < sheet.rows.size(); ++r) {
      for (size_t c = 0; c < sheet.rows[r].size(); ++c) {
        SheetCell& cell = sheet.rows[r][c];
        cell.rowSpan = std::min(cell.rowSpan, static_cast<int>(sheet.rows.size() - r));
        for (int dr = 0; dr < cell.rowSpan; ++dr) {
          std::vector<SheetCell>& below = sheet.rows[r + static_cast<size_t>(dr)];
          for (int dc = 0; dc < cell.columnSpan; ++dc) {
            const size_t at = c + static_cast<size_t>(dc);
            if ((dr > 0 || dc > 0) && at < below.size()) below[at].covered = true;
          }
        }
      }
    }
    const std::string suffix = sheets.size() == 1 ? "" : " (" + std::to_string(sheets.size()) + ")";
    sheet.name = FirstCharacters(grid.name, kNameLength - suffix.size()) + suffix;
    start = end;
  }
  return sheets;
}

SheetGrid GridOfDocument(const Document& document) {
  // The flow: paragraphs and tables, each table with its continuations.
  struct Piece {
    const Paragraph* paragraph = nullptr;
    std::vector<const Table*> table;
  };
  std::vector<Piece> pieces;
  for (const Block& block : document.blocks) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
      if (paragraph->role != ParagraphRole::kArtifact) pieces.push_back({paragraph, {}});
    } else if (const auto* table = std::get_if<Table>(&block)) {
      if (table->rows <= 0 || table->columns <= 0) continue;
      if (!pieces.empty() && !pieces.back().table.empty() && Continues(*pieces.back().table.back(), *table)) {
        pieces.back().table.push_back(table);
      } else {
        pieces.push_back({nullptr, {table}});
      }
    }
  }
  std::vector<TableBlock> tables;
  for (const Piece& piece : pieces) {
    if (!piece.table.empty()) tables.push_back(BlockOf(piece.table));
  }
  ReadNumbers(tables, document.language);

  SheetGrid grid;
  grid.name = SheetName(document.title);
  std::vector<double> widths;
  bool afterTable = false;
  size_t nextTable = 0;
  for (const Piece& piece : pieces) {
    if (piece.paragraph != nullptr) {
      SheetCell cell;
      cell.text = ParagraphText(*piece.paragraph);
      if (cell.text.empty()) continue;
      cell.bold = piece.paragraph->role == ParagraphRole::kHeading;
      if (piece.paragraph->role == ParagraphRole::kListItem) cell.indent = std::max(piece.paragraph->level - 1, 0);
      if (afterTable) grid.rows.emplace_back();
      grid.rows.push_back({std::move(cell)});
      afterTable = false;
      continue;
    }
    TableBlock& table = tables[nextTable++];
    if (!grid.rows.empty()) grid.rows.emplace_back();
    if (table.caption && !table.caption->empty()) {
      SheetCell caption;
      caption.text = *table.caption;
      grid.rows.push_back({std::move(caption)});
    }
    if (widths.size() < table.widths.size()) widths.resize(table.widths.size(), 0);
    for (size_t c = 0; c < table.widths.size(); ++c) {
      // As wide as its longest line of text needs. Text that wrapped on the
      // page wraps at the page's width, or at a readable one when the page's
      // is unknown; a column of nothing but spanned cells keeps the page's.
      double width = 0;
      for (const std::vector<SheetCell>& row : table.rows) {
        const SheetCell& cell = row[c];
        if (cell.columnSpan != 1 || cell.text.empty()) continue;
        const double needed = EstimatedWidth(cell.text, cell.bold);
        if (!cell.wrapped) {
          width = std::max(width, needed);
        } else {
          width = std::max(width, table.widths[c] > 0 ? table.widths[c] : std::min(needed, kWrappedColumn));
        }
      }
      if (width == 0) width = table.widths[c];
      widths[c] = std::max(widths[c], std::clamp(width, kNarrowestColumn, kWidestColumn));
    }
    for (std::vector<SheetCell>& row : table.rows) grid.rows.push_back(std::move(row));
    afterTable = true;
  }
  grid.columnWidths = std::move(widths);
  return grid;
}

}  // namespace zembra::exporter
