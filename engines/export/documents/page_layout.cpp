#include "engines/export/documents/page_layout.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <memory>

#include <poppler-document.h>
#include <poppler-page.h>

#include "engines/common/files.h"

namespace zembra::exporter {

namespace {

// Word spaces of ordinary text stay below about a third of an em; a gap of
// a whole em is layout, not a space.
constexpr double kWideGapEm = 0.9;
constexpr double kColumnGapEm = 0.38;
constexpr double kMinColumnGapEm = 0.2;
constexpr double kTighterThanSpace = 1.25;
// How far two column edges may differ (points) and how many lines around a
// line are looked at for a column edge that continues.
constexpr double kEdgeTolerance = 0.75;
constexpr size_t kColumnWindow = 8;

double Height(const Word& word) { return word.y1 - word.y0; }
double CenterY(const Word& word) { return (word.y0 + word.y1) / 2; }

struct RawLine {
  std::vector<Word> words;  // left to right
  double y0 = 0, y1 = 0;
};

std::vector<RawLine> GroupLines(std::vector<Word> words) {
  std::stable_sort(words.begin(), words.end(),
                   [](const Word& a, const Word& b) { return CenterY(a) < CenterY(b); });
  std::vector<RawLine> lines;
  for (Word& word : words) {
    if (!lines.empty()) {
      RawLine& line = lines.back();
      const double overlap = std::min(word.y1, line.y1) - std::max(word.y0, line.y0);
      if (overlap >= 0.5 * std::min(Height(word), line.y1 - line.y0)) {
        line.y0 = std::min(line.y0, word.y0);
        line.y1 = std::max(line.y1, word.y1);
        line.words.push_back(std::move(word));
        continue;
      }
    }
    RawLine line;
    line.y0 = word.y0;
    line.y1 = word.y1;
    line.words.push_back(std::move(word));
    lines.push_back(std::move(line));
  }
  for (RawLine& line : lines) {
    std::stable_sort(line.words.begin(), line.words.end(),
                     [](const Word& a, const Word& b) { return a.x0 < b.x0; });
  }
  return lines;
}

double Em(const Word& a, const Word& b) { return std::max(EffectiveSize(a), EffectiveSize(b)); }

double GapBefore(const RawLine& line, size_t index) { return line.words[index].x0 - line.words[index - 1].x1; }

bool WideGapBefore(const RawLine& line, size_t index) {
  return GapBefore(line, index) >= kWideGapEm * Em(line.words[index - 1], line.words[index]);
}

// A gap that may part two cells: clearly wider than a word space, either
// absolutely or against the narrowest gap of the same line (a tight table
// leaves cells only a little further apart than words).
bool ColumnGapBefore(const RawLine& line, size_t index) {
  const double gap = GapBefore(line, index);
  const double em = Em(line.words[index - 1], line.words[index]);
  if (gap >= kColumnGapEm * em) return true;
  if (gap < kMinColumnGapEm * em) return false;
  for (size_t i = 1; i < line.words.size(); ++i) {
    if (i != index && gap >= kTighterThanSpace * GapBefore(line, i) && GapBefore(line, i) > 0) return true;
  }
  return false;
}

bool HasWideGap(const RawLine& line) {
  for (size_t i = 1; i < line.words.size(); ++i) {
    if (WideGapBefore(line, i)) return true;
  }
  return false;
}

// Whether another table-like line near this one has a word that starts at x
// after a gap (or starts the line), or ends at x before a gap (or ends the
// line): a column edge that continues.
bool EdgeContinues(const std::vector<RawLine>& lines, const std::vector<bool>& tableLike, size_t self,
                   double x, bool leftEdge) {
  const size_t from = self > kColumnWindow ? self - kColumnWindow : 0;
  const size_t to = std::min(lines.size(), self + kColumnWindow + 1);
  for (size_t l = from; l < to; ++l) {
    if (l == self || !tableLike[l]) continue;
    const RawLine& other = lines[l];
    for (size_t i = 0; i < other.words.size(); ++i) {
      const Word& word = other.words[i];
      if (leftEdge) {
        if (std::fabs(word.x0 - x) <= kEdgeTolerance && (i == 0 || ColumnGapBefore(other, i))) return true;
      } else if (std::fabs(word.x1 - x) <= kEdgeTolerance &&
                 (i + 1 == other.words.size() || ColumnGapBefore(other, i + 1))) {
        return true;
      }
    }
  }
  return false;
}

// A line well below the one before (more than a line's height between them)
// starts a new table, so a page footer never joins the table above it.
bool FarBelow(const Line& above, const Line& below) {
  const double height = std::max(above.y1 - above.y0, below.y1 - below.y0);
  return below.y0 - above.y1 > height;
}

// Neighbouring columns of which no row fills both are one column whose
// heading sits beside its values (a centred heading over right-aligned
// numbers): they become one.
void MergeComplementaryColumns(TableBlock& table) {
  size_t column = 0;
  while (column + 1 < table.columns.size()) {
    const bool clash = std::any_of(table.rows.begin(), table.rows.end(), [&](const std::vector<std::string>& row) {
      return !row[column].empty() && !row[column + 1].empty();
    });
    if (clash) {
      ++column;
      continue;
    }
    for (std::vector<std::string>& row : table.rows) {
      row[column] += row[column + 1];
      row.erase(row.begin() + static_cast<long>(column) + 1);
    }
    table.columns[column].second = std::max(table.columns[column].second, table.columns[column + 1].second);
    table.columns.erase(table.columns.begin() + static_cast<long>(column) + 1);
  }
}

// The table made of lines [first, end): columns are the merged horizontal
// extents of all its cells, each cell goes to the column it starts in.
TableBlock MakeTable(const std::vector<Line>& lines, size_t first, size_t end) {
  TableBlock table;
  table.firstLine = first;
  table.endLine = end;
  std::vector<std::pair<double, double>> extents;
  for (size_t k = first; k < end; ++k) {
    for (const Cell& cell : lines[k].cells) extents.emplace_back(cell.x0, cell.x1);
  }
  std::sort(extents.begin(), extents.end());
  for (const auto& extent : extents) {
    if (!table.columns.empty() && extent.first < table.columns.back().second) {
      table.columns.back().second = std::max(table.columns.back().second, extent.second);
    } else {
      table.columns.push_back(extent);
    }
  }
  for (size_t k = first; k < end; ++k) {
    std::vector<std::string> row(table.columns.size());
    for (const Cell& cell : lines[k].cells) {
      size_t column = 0;
      while (column + 1 < table.columns.size() && table.columns[column + 1].first <= cell.x0) ++column;
      if (!row[column].empty()) row[column] += ' ';
      row[column] += cell.text();
    }
    table.rows.push_back(std::move(row));
  }
  MergeComplementaryColumns(table);
  return table;
}

Cell MakeCell(std::vector<Word> words) {
  Cell cell;
  cell.x0 = words.front().x0;
  cell.x1 = words.back().x1;
  for (const Word& word : words) cell.x1 = std::max(cell.x1, word.x1);
  cell.words = std::move(words);
  return cell;
}

}  // namespace

double EffectiveSize(const Word& word) {
  if (word.fontSize > 0) return word.fontSize;
  // Glyph boxes span ascender to descender, a little more than the size.
  return std::max(1.0, Height(word) * 0.85);
}

std::string Cell::text() const {
  std::string text;
  for (size_t i = 0; i < words.size(); ++i) {
    if (i > 0 && words[i - 1].spaceAfter) text += ' ';
    text += words[i].text;
  }
  return text;
}

double Line::fontSize() const {
  std::map<long, size_t> weight;  // size in tenths of a point -> characters
  for (const Cell& cell : cells) {
    for (const Word& word : cell.words) weight[std::lround(EffectiveSize(word) * 10)] += word.text.size();
  }
  long best = 0;
  size_t bestWeight = 0;
  for (const auto& [size, count] : weight) {
    if (count > bestWeight) best = size, bestWeight = count;
  }
  return static_cast<double>(best) / 10;
}

std::string Line::text() const {
  std::string text;
  for (const Cell& cell : cells) {
    if (!text.empty()) text += ' ';
    text += cell.text();
  }
  return text;
}

std::vector<Line> BuildLines(std::vector<Word> words) {
  std::erase_if(words, [](const Word& word) {
    return std::all_of(word.text.begin(), word.text.end(),
                       [](char c) { return std::isspace(static_cast<unsigned char>(c)); });
  });
  const std::vector<RawLine> raw = GroupLines(std::move(words));
  // Only lines that already show a wide gap take part in column edges, so
  // the stretched spaces of justified prose never split a sentence.
  std::vector<bool> tableLike(raw.size());
  for (size_t l = 0; l < raw.size(); ++l) tableLike[l] = HasWideGap(raw[l]);

  std::vector<Line> lines;
  for (size_t l = 0; l < raw.size(); ++l) {
    const RawLine& rawLine = raw[l];
    Line line;
    line.y0 = rawLine.y0;
    line.y1 = rawLine.y1;
    std::vector<Word> current;
    for (size_t i = 0; i < rawLine.words.size(); ++i) {
      bool split = false;
      if (i > 0) {
        split = WideGapBefore(rawLine, i) ||
                (tableLike[l] && ColumnGapBefore(rawLine, i) &&
                 (EdgeContinues(raw, tableLike, l, rawLine.words[i].x0, true) ||
                  EdgeContinues(raw, tableLike, l, rawLine.words[i - 1].x1, false)));
      }
      if (split) {
        line.cells.push_back(MakeCell(std::move(current)));
        current.clear();
      }
      current.push_back(rawLine.words[i]);
    }
    line.cells.push_back(MakeCell(std::move(current)));
    line.x0 = line.cells.front().x0;
    line.x1 = line.cells.back().x1;
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<TableBlock> FindTables(const std::vector<Line>& lines) {
  std::vector<TableBlock> tables;
  size_t l = 0;
  while (l < lines.size()) {
    if (lines[l].cells.size() < 2) {
      ++l;
      continue;
    }
    size_t end = l + 1;
    while (end < lines.size() && lines[end].cells.size() >= 2 && !FarBelow(lines[end - 1], lines[end])) ++end;
    tables.push_back(MakeTable(lines, l, end));
    l = end;
  }
  return tables;
}

std::vector<std::vector<std::string>> TableRows(const std::vector<Line>& lines) {
  std::vector<std::vector<std::string>> rows;
  size_t l = 0;
  for (const TableBlock& table : FindTables(lines)) {
    for (; l < table.firstLine; ++l) rows.push_back({lines[l].text()});
    rows.insert(rows.end(), table.rows.begin(), table.rows.end());
    l = table.endLine;
  }
  for (; l < lines.size(); ++l) rows.push_back({lines[l].text()});
  return rows;
}

bool FontNameIsBold(const std::string& fontName) {
  const std::string name = AsciiLower(fontName);
  for (const char* mark : {"bold", "black", "heavy", "semibold", "demi"}) {
    if (name.find(mark) != std::string::npos) return true;
  }
  return false;
}

bool FontNameIsItalic(const std::string& fontName) {
  const std::string name = AsciiLower(fontName);
  return name.find("italic") != std::string::npos || name.find("oblique") != std::string::npos;
}

FontKind FontKindOf(const std::string& fontName) {
  const std::string name = AsciiLower(fontName);
  const auto has = [&](const char* part) { return name.find(part) != std::string::npos; };
  if (has("mono") || has("courier") || has("consol") || has("typewriter")) return FontKind::kMono;
  if ((has("serif") && !has("sans")) || has("times") || has("georgia") || has("garamond") || has("cambria") ||
      has("roman") || has("minion") || has("palatino") || has("bookman")) {
    return FontKind::kSerif;
  }
  return FontKind::kSans;
}

std::vector<Word> ReadWords(const poppler::page& page) {
  std::vector<Word> words;
  for (const poppler::text_box& box : page.text_list(poppler::page::text_list_include_font)) {
    const poppler::byte_array utf8 = box.text().to_utf8();
    Word word;
    word.text.assign(utf8.begin(), utf8.end());
    const poppler::rectf rect = box.bbox();
    word.x0 = rect.left();
    word.y0 = rect.top();
    word.x1 = rect.right();
    word.y1 = rect.bottom();
    word.spaceAfter = box.has_space_after();
    if (box.has_font_info()) {
      word.fontSize = box.get_font_size();
      const std::string font = box.get_font_name();
      word.bold = FontNameIsBold(font);
      word.italic = FontNameIsItalic(font);
      word.font = FontKindOf(font);
    }
    words.push_back(std::move(word));
  }
  return words;
}

PageText ReadPageText(const poppler::page& page) {
  PageText text;
  const poppler::rectf box = page.page_rect(poppler::crop_box);
  const bool sideways =
      page.orientation() == poppler::page::landscape || page.orientation() == poppler::page::seascape;
  text.width = sideways ? box.height() : box.width();
  text.height = sideways ? box.width() : box.height();
  text.lines = BuildLines(ReadWords(page));
  return text;
}

std::vector<PageText> ReadPagesText(const poppler::document& document, int first, int last) {
  std::vector<PageText> pages;
  for (int number = first; number <= last; ++number) {
    std::unique_ptr<poppler::page> page(document.create_page(number - 1));
    pages.push_back(page ? ReadPageText(*page) : PageText{});
  }
  return pages;
}

}  // namespace zembra::exporter
