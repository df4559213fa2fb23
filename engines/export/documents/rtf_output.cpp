#include "engines/export/documents/rtf_output.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engines/common/files.h"
#include "engines/export/documents/utf8.h"

namespace zembra::exporter {

namespace {

// A line at least this share of the running text's width may continue into
// the next line; a shorter one ends its paragraph.
constexpr double kFullLine = 0.7;

bool AllBold(const Line& line) {
  for (const Cell& cell : line.cells) {
    for (const Word& word : cell.words) {
      if (!word.bold) return false;
    }
  }
  return true;
}

void AppendUnicode(std::string& out, unsigned value) {
  out += "\\u" + std::to_string(static_cast<int16_t>(static_cast<uint16_t>(value))) + "?";
}

// Half-points, as \fs wants them.
long HalfPoints(double points) { return std::lround(std::max(1.0, points) * 2); }

struct RunStyle {
  long halfPoints = 0;
  bool bold = false;
  bool italic = false;
  FontKind font = FontKind::kSans;
  bool operator==(const RunStyle&) const = default;
};

RunStyle StyleOf(const Word& word) { return {HalfPoints(EffectiveSize(word)), word.bold, word.italic, word.font}; }

// Font numbers of the font table in RtfDocument.
const char* FontNumber(FontKind font) {
  switch (font) {
    case FontKind::kSerif: return "\\f1";
    case FontKind::kMono: return "\\f2";
    case FontKind::kSans: break;
  }
  return "";  // \f0 is the paragraph's font
}

// Opens a group carrying the style; words of the same style share it.
std::string OpenRun(const RunStyle& style) {
  return std::string("{") + FontNumber(style.font) + "\\fs" + std::to_string(style.halfPoints) +
         (style.bold ? "\\b" : "") + (style.italic ? "\\i" : "") + " ";
}

std::string ParagraphText(const std::vector<const Line*>& lines) {
  std::string out;
  bool open = false;
  RunStyle current;
  bool first = true;
  for (const Line* line : lines) {
    for (size_t c = 0; c < line->cells.size(); ++c) {
      for (size_t w = 0; w < line->cells[c].words.size(); ++w) {
        const Word& word = line->cells[c].words[w];
        const RunStyle style = StyleOf(word);
        if (!open || !(style == current)) {
          if (open) out += "}";
          out += OpenRun(style);
          open = true;
          current = style;
        }
        if (!first) {
          if (c > 0 && w == 0) {
            out += "\\tab ";
          } else if (w == 0 || line->cells[c].words[w - 1].spaceAfter) {
            out += ' ';
          }
        }
        first = false;
        out += RtfEscape(word.text);
      }
    }
  }
  if (open) out += "}";
  return out;
}

// A table as RTF rows: cell edges where the page's columns are, each row in
// the size and weight of its line.
std::string TableRtf(const PageText& page, const TableBlock& table) {
  const double left = table.columns.front().first;
  std::string cells;
  long previous = 0;
  for (size_t c = 0; c < table.columns.size(); ++c) {
    const double right = c + 1 < table.columns.size() ? table.columns[c + 1].first : table.columns[c].second + 6;
    const long edge = std::max(previous + 200, std::lround((right - left) * 20));
    cells += "\\cellx" + std::to_string(edge);
    previous = edge;
  }
  std::string out;
  for (size_t r = 0; r < table.rows.size(); ++r) {
    const Line& line = page.lines[table.firstLine + r];
    const std::string style = "\\fs" + std::to_string(HalfPoints(line.fontSize())) + (AllBold(line) ? "\\b" : "");
    out += "\\trowd\\trgaph60" + cells + "\n";
    for (const std::string& field : table.rows[r]) {
      out += "\\pard\\intbl\\plain\\f0" + style + " " + RtfEscape(field) + "\\cell\n";
    }
    out += "\\row\n";
  }
  return out + "\\pard\n";
}

}  // namespace

std::string RtfEscape(const std::string& text) {
  std::string out;
  for (char32_t point : DecodeUtf8(text)) {
    if (point == '\\' || point == '{' || point == '}') {
      out += '\\';
      out += static_cast<char>(point);
    } else if (point == '\t') {
      out += "\\tab ";
    } else if (point == '\n' || point == '\r') {
      out += "\\line ";
    } else if (point < 0x20) {
      continue;  // other control characters have no place in text
    } else if (point < 0x80) {
      out += static_cast<char>(point);
    } else if (point <= 0xFFFF) {
      AppendUnicode(out, point);
    } else {
      const unsigned value = point - 0x10000;
      AppendUnicode(out, 0xD800 + (value >> 10));
      AppendUnicode(out, 0xDC00 + (value & 0x3FF));
    }
  }
  return out;
}

std::vector<std::vector<const Line*>> Paragraphs(const PageText& page) {
  // The extent of the page's running text: a line much shorter than it ends
  // its paragraph (the last line of one, an item of a list, a heading).
  double left = 0, right = 0;
  bool any = false;
  for (const Line& line : page.lines) {
    if (line.cells.size() != 1) continue;
    left = any ? std::min(left, line.x0) : line.x0;
    right = any ? std::max(right, line.x1) : line.x1;
    any = true;
  }
  const double fullWidth = right - left;
  std::vector<std::vector<const Line*>> paragraphs;
  const Line* previous = nullptr;
  for (const Line& line : page.lines) {
    const bool continues = previous != nullptr && previous->cells.size() == 1 && line.cells.size() == 1 &&
                           std::fabs(previous->fontSize() - line.fontSize()) <= 0.5 &&
                           AllBold(*previous) == AllBold(line) && line.y0 >= previous->y0 &&
                           line.y0 - previous->y1 <= 0.6 * line.fontSize() &&
                           previous->x1 - previous->x0 >= kFullLine * fullWidth;
    if (continues) {
      paragraphs.back().push_back(&line);
    } else {
      paragraphs.push_back({&line});
    }
    previous = &line;
  }
  return paragraphs;
}

std::string RtfDocument(const std::vector<PageText>& pages) {
  // Paper from the first page; twips are twentieths of a point.
  const double width = pages.empty() || pages[0].width <= 0 ? 612 : pages[0].width;
  const double height = pages.empty() || pages[0].height <= 0 ? 792 : pages[0].height;
  std::string out =
      "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n"
      "{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\froman\\fcharset0 Times New Roman;}"
      "{\\f2\\fmodern\\fcharset0 Courier New;}}\n"
      "\\paperw" + std::to_string(std::lround(width * 20)) + "\\paperh" + std::to_string(std::lround(height * 20)) +
      "\\margl720\\margr720\\margt720\\margb720\n";
  for (size_t p = 0; p < pages.size(); ++p) {
    if (p > 0) out += "\\page\n";
    const PageText& page = pages[p];
    const std::vector<TableBlock> tables = FindTables(page.lines);
    size_t nextTable = 0;
    for (const std::vector<const Line*>& paragraph : Paragraphs(page)) {
      const size_t line = static_cast<size_t>(paragraph.front() - page.lines.data());
      if (nextTable < tables.size() && line >= tables[nextTable].firstLine) {
        if (line == tables[nextTable].firstLine) out += TableRtf(page, tables[nextTable]);
        if (line + 1 >= tables[nextTable].endLine) ++nextTable;
        continue;  // the table's lines are written as its rows
      }
      out += "\\pard\\plain\\f0\\sa120 " + ParagraphText(paragraph) + "\\par\n";
    }
  }
  return out + "}\n";
}

bool WriteRtf(const ExportJob& job, std::string& error) {
  const std::vector<PageText> pages = ReadPagesText(job.input.document(), job.pages.first, job.pages.last);
  return WriteWholeFile(job.outputs.path(0), RtfDocument(pages), error);
}

}  // namespace zembra::exporter
