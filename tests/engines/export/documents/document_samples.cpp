#include "tests/engines/export/documents/document_samples.h"

#include <algorithm>

#include "tests/engines/export/documents/test_pdfs.h"

namespace zembra::exporter::testing {

TextStyle Style(double size, bool bold) {
  TextStyle style;
  style.fontFamily = "DejaVu Sans";
  style.size = size;
  style.bold = bold;
  return style;
}

Paragraph Text(const std::string& text, int page, double y0, double x0, double x1, TextStyle style) {
  Paragraph paragraph;
  paragraph.page = page;
  paragraph.box = {x0, y0, x1, y0 + style.size * 1.2};
  paragraph.lines.push_back({{{text, style}}, paragraph.box, page});
  return paragraph;
}

Paragraph Heading(const std::string& text, int level, int page, double y0) {
  Paragraph heading = Text(text, page, y0, kMargin, kMargin + 200, Style(24 - 2 * level, true));
  heading.role = ParagraphRole::kHeading;
  heading.level = level;
  return heading;
}

Paragraph ListItem(const std::string& text, int level, const std::string& label, int page, double y0) {
  Paragraph item = Text(text, page, y0, kMargin + 18 * level);
  item.role = ParagraphRole::kListItem;
  item.level = level;
  item.label = label;
  item.ordered = label != "\xE2\x80\xA2";
  return item;
}

Document Pages(int count) {
  Document document;
  for (int p = 0; p < count; ++p) {
    document.pages.push_back(
        {kPageWidth, kPageHeight, {kMargin, kMargin, kPageWidth - kMargin, kPageHeight - kMargin}});
  }
  return document;
}

TableCell Cell(int row, int column, int rowSpan, int columnSpan) {
  TableCell cell;
  cell.row = row;
  cell.column = column;
  cell.rowSpan = rowSpan;
  cell.columnSpan = columnSpan;
  return cell;
}

Table Grid(int rows, int columns, int page, double y0, int rowsOnFirstPage) {
  Table table;
  table.rows = rows;
  table.columns = columns;
  table.page = page;
  table.box = {kMargin, y0, kMargin + 60.0 * columns, y0 + 14.0 * std::min(rows, rowsOnFirstPage)};
  for (int r = 0; r < rows; ++r) {
    const bool later = r >= rowsOnFirstPage;
    const double top = later ? kMargin + 14.0 * (r - rowsOnFirstPage) : y0 + 14.0 * r;
    for (int c = 0; c < columns; ++c) {
      TableCell cell = Cell(r, c);
      cell.page = page + (later ? 1 : 0);
      cell.box = {kMargin + 60.0 * c, top, kMargin + 60.0 * (c + 1), top + 14};
      cell.top = cell.bottom = cell.left = cell.right = {0.75, {}};
      cell.paragraphs.push_back(Text("r" + std::to_string(r) + "c" + std::to_string(c), cell.page, top + 1,
                                     cell.box.x0 + 3, cell.box.x1 - 3, Style(9)));
      table.cells.push_back(cell);
    }
  }
  return table;
}

Table SpansTable() {
  Table table;
  table.rows = 5;
  table.columns = 5;
  table.cells = {Cell(0, 0, 2), Cell(0, 1, 1, 2), Cell(0, 3, 1, 2)};
  for (int c = 1; c < 5; ++c) table.cells.push_back(Cell(1, c));
  for (int c = 0; c < 5; ++c) table.cells.push_back(Cell(2, c));
  table.cells.push_back(Cell(3, 0, 2));
  table.cells.push_back(Cell(3, 1));
  table.cells.push_back(Cell(3, 2));
  table.cells.push_back(Cell(3, 3, 1, 2));
  for (int c = 1; c < 5; ++c) table.cells.push_back(Cell(4, c));
  return table;
}

Picture Png(int page, Box box) {
  static const std::string png = [] {
    const std::string directory = TestDirectory();
    Capture("convert -size 4x2 xc:'#336699' '" + directory + "/p.png'");
    return ReadFile(directory + "/p.png");
  }();
  Picture picture;
  picture.png = png;
  picture.pixelWidth = 4;
  picture.pixelHeight = 2;
  picture.page = page;
  picture.box = box;
  picture.alt = "Blue {box}";
  return picture;
}

Document RichDocument() {
  Document document = Pages(2);
  TextStyle red = Style();
  red.color = {178, 34, 34};
  TextStyle link = Style();
  link.link = "https://example.org/survey";
  link.underline = true;
  link.color = {0, 0, 238};
  Paragraph styled = Text("plain ", 0, 120);
  styled.lines[0].runs.push_back({"bold", Style(11, true)});
  styled.lines[0].runs.push_back({" red ", red});
  styled.lines[0].runs.push_back({"survey form", link});
  Table table = Grid(3, 3, 0, 300);
  table.headerRows = 1;
  table.cells[0].columnSpan = 2;
  table.cells.erase(table.cells.begin() + 1);
  table.cells[0].background = Rgb{221, 230, 240};
  Paragraph rtl = Text("\xD7\x91\xD7\x99\xD7\xAA \xD7\xA1\xD7\xA4\xD7\xA8", 1, 200);
  rtl.rightToLeft = true;
  document.blocks = {Heading("Report", 1, 0, 60),
                     styled,
                     Heading("Items", 2, 0, 160),
                     ListItem("Walk", 1, "1.", 0, 190),
                     ListItem("Count", 1, "2.", 0, 206),
                     ListItem("Occupied", 2, "\xE2\x80\xA2", 0, 222),
                     ListItem("Write", 1, "3.", 0, 238),
                     table,
                     Png(1, {kMargin, 60, kMargin + 80, 100}),
                     rtl};
  return document;
}

}  // namespace zembra::exporter::testing
