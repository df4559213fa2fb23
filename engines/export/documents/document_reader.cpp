#include "engines/export/documents/document_reader.h"

#include <algorithm>
#include <cmath>

#include "engines/export/documents/page_layout.h"

namespace zembra::exporter {

namespace {

TextStyle StyleOf(const Word& word) {
  TextStyle style;
  style.kind = word.font;
  style.size = EffectiveSize(word);
  style.bold = word.bold;
  style.italic = word.italic;
  return style;
}

TextLine LineOf(const std::vector<const Cell*>& cells, Box box) {
  TextLine line;
  line.box = box;
  for (size_t c = 0; c < cells.size(); ++c) {
    const std::vector<Word>& words = cells[c]->words;
    for (size_t i = 0; i < words.size(); ++i) {
      std::string text = words[i].text;
      const bool last = i + 1 == words.size();
      if ((!last && words[i].spaceAfter) || (last && c + 1 < cells.size())) text += ' ';
      const TextStyle style = StyleOf(words[i]);
      if (!line.runs.empty() && line.runs.back().style == style) {
        line.runs.back().text += text;
      } else {
        line.runs.push_back({text, style});
      }
    }
  }
  return line;
}

Paragraph ParagraphOf(const Line& line, int page) {
  std::vector<const Cell*> cells;
  for (const Cell& cell : line.cells) cells.push_back(&cell);
  Paragraph paragraph;
  paragraph.page = page;
  paragraph.box = {line.x0, line.y0, line.x1, line.y1};
  paragraph.lines.push_back(LineOf(cells, paragraph.box));
  return paragraph;
}

Table TableOf(const std::vector<Line>& lines, const TableBlock& block, int page) {
  Table table;
  table.page = page;
  table.rows = static_cast<int>(block.endLine - block.firstLine);
  table.columns = static_cast<int>(block.columns.size());
  table.box = {block.columns.front().first, lines[block.firstLine].y0, block.columns.back().second,
               lines[block.endLine - 1].y1};
  for (const auto& [x0, x1] : block.columns) table.columnWidths.push_back(x1 - x0);
  for (size_t k = block.firstLine; k < block.endLine; ++k) {
    const Line& line = lines[k];
    table.rowHeights.push_back(line.y1 - line.y0);
    for (int column = 0; column < table.columns; ++column) {
      TableCell cell;
      cell.row = static_cast<int>(k - block.firstLine);
      cell.column = column;
      cell.page = page;
      cell.box = {block.columns[static_cast<size_t>(column)].first, line.y0,
                  block.columns[static_cast<size_t>(column)].second, line.y1};
      std::vector<const Cell*> inside;
      for (const Cell& part : line.cells) {
        const double middle = (part.x0 + part.x1) / 2;
        if (middle >= cell.box.x0 - 1 && middle <= cell.box.x1 + 1) inside.push_back(&part);
      }
      if (!inside.empty()) {
        Paragraph paragraph;
        paragraph.page = page;
        paragraph.box = {inside.front()->x0, line.y0, inside.back()->x1, line.y1};
        paragraph.lines.push_back(LineOf(inside, paragraph.box));
        cell.paragraphs.push_back(std::move(paragraph));
      }
      table.cells.push_back(std::move(cell));
    }
  }
  return table;
}

}  // namespace

std::optional<Document> ReadDocument(const PdfInput& input, PageSpan pages, std::string& error) {
  Document document;
  document.title = input.Info("Title").value_or("");
  const std::vector<PageText> texts = ReadPagesText(input.document(), pages.first, pages.last);
  for (size_t p = 0; p < texts.size(); ++p) {
    const PageText& text = texts[p];
    const int page = static_cast<int>(p);
    PageFrame frame;
    frame.width = text.width;
    frame.height = text.height;
    frame.textArea = {text.width, text.height, 0, 0};
    for (const Line& line : text.lines) {
      frame.textArea.x0 = std::min(frame.textArea.x0, line.x0);
      frame.textArea.y0 = std::min(frame.textArea.y0, line.y0);
      frame.textArea.x1 = std::max(frame.textArea.x1, line.x1);
      frame.textArea.y1 = std::max(frame.textArea.y1, line.y1);
    }
    if (text.lines.empty()) frame.textArea = {0, 0, text.width, text.height};
    document.pages.push_back(frame);
    const std::vector<TableBlock> tables = FindTables(text.lines);
    size_t nextTable = 0;
    for (size_t k = 0; k < text.lines.size(); ++k) {
      if (nextTable < tables.size() && k >= tables[nextTable].firstLine) {
        document.blocks.emplace_back(TableOf(text.lines, tables[nextTable], page));
        k = tables[nextTable].endLine - 1;
        ++nextTable;
        continue;
      }
      document.blocks.emplace_back(ParagraphOf(text.lines[k], page));
    }
  }
  if (document.pages.empty()) {
    error = "no page could be read";
    return std::nullopt;
  }
  return document;
}

}  // namespace zembra::exporter
