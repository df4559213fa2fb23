#include "tests/engines/export/documents/model_text.h"

#include <cstdio>

namespace zembra::exporter::testing {

namespace {

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string BoxText(const Box& box) {
  return "[" + Number(box.x0) + " " + Number(box.y0) + " " + Number(box.x1) + " " + Number(box.y1) + "]";
}

std::string Hex(const Rgb& rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb.r, rgb.g, rgb.b);
  return text;
}

const char* RoleName(ParagraphRole role) {
  switch (role) {
    case ParagraphRole::kHeading:
      return "heading";
    case ParagraphRole::kListItem:
      return "item";
    case ParagraphRole::kCaption:
      return "caption";
    case ParagraphRole::kArtifact:
      return "artifact";
    default:
      return "body";
  }
}

const char* AlignmentName(Alignment alignment) {
  switch (alignment) {
    case Alignment::kCenter:
      return "center";
    case Alignment::kEnd:
      return "end";
    case Alignment::kJustify:
      return "justify";
    default:
      return "start";
  }
}

std::string StyleText(const TextStyle& style) {
  std::string text = style.fontFamily + " " + Number(style.size);
  if (style.bold) text += " bold";
  if (style.italic) text += " italic";
  if (style.underline) text += " underline";
  if (style.color != Rgb{}) text += " " + Hex(style.color);
  if (!style.link.empty()) text += " link=" + style.link;
  return text;
}

std::string ParagraphText(const Paragraph& paragraph, const std::string& indent) {
  std::string text = indent + RoleName(paragraph.role);
  if (paragraph.role == ParagraphRole::kHeading || paragraph.role == ParagraphRole::kListItem) {
    text += std::to_string(paragraph.level);
  }
  if (paragraph.role == ParagraphRole::kListItem)
    text += std::string(paragraph.ordered ? " ordered" : "") + " label=" + paragraph.label;
  text += std::string(" ") + AlignmentName(paragraph.alignment) + (paragraph.rightToLeft ? " rtl" : "") + " p" +
          std::to_string(paragraph.page) + " " + BoxText(paragraph.box) + ": " + FlowText(paragraph) + "\n";
  for (const TextLine& line : paragraph.lines) {
    text += indent + "  line p" + std::to_string(line.page) + " " + BoxText(line.box) + ":";
    for (const TextRun& run : line.runs) text += " {" + run.text + "|" + StyleText(run.style) + "}";
    text += "\n";
  }
  return text;
}

std::string BorderText(const Border& border) {
  return border.width > 0 ? Number(border.width) + Hex(border.color) : "-";
}

}  // namespace

std::string DescribeBlock(const Block& block) {
  if (const auto* paragraph = std::get_if<Paragraph>(&block)) return ParagraphText(*paragraph, "");
  if (const auto* picture = std::get_if<Picture>(&block)) {
    return std::string("picture ") + (picture->raster ? "raster" : "vector") + " " +
           std::to_string(picture->pixelWidth) + "x" + std::to_string(picture->pixelHeight) + " p" +
           std::to_string(picture->page) + " " + BoxText(picture->box) + " png=" + std::to_string(picture->png.size()) +
           " alt=" + picture->alt + "\n";
  }
  const Table& table = std::get<Table>(block);
  std::string text = "table " + std::to_string(table.rows) + "x" + std::to_string(table.columns) +
                     " header=" + std::to_string(table.headerRows) + " p" + std::to_string(table.page) + " " +
                     BoxText(table.box) + " widths=";
  for (double width : table.columnWidths) text += Number(width) + ",";
  text += "\n";
  if (table.caption) text += ParagraphText(*table.caption, "  ");
  for (const TableCell& cell : table.cells) {
    text += "  cell " + std::to_string(cell.row) + "," + std::to_string(cell.column) + " span " +
            std::to_string(cell.rowSpan) + "x" + std::to_string(cell.columnSpan) + (cell.header ? " header" : "") +
            " p" + std::to_string(cell.page) + " " + BoxText(cell.box) + " borders " + BorderText(cell.top) + " " +
            BorderText(cell.right) + " " + BorderText(cell.bottom) + " " + BorderText(cell.left) +
            (cell.background ? " bg " + Hex(*cell.background) : "") + ":";
    for (const Paragraph& paragraph : cell.paragraphs)
      text += " |" + FlowText(paragraph) + "| " + AlignmentName(paragraph.alignment);
    for (const Picture& picture : cell.pictures) text += " <picture " + picture.alt + ">";
    text += "\n";
    for (const Paragraph& paragraph : cell.paragraphs) {
      for (const TextLine& line : paragraph.lines) text += "    line " + BoxText(line.box) + "\n";
    }
  }
  return text;
}

std::string DescribeDocument(const Document& document) {
  std::string text = std::string("document tagged=") + (document.tagged ? "yes" : "no") + " title=" + document.title +
                     " language=" + document.language + "\n";
  for (size_t p = 0; p < document.pages.size(); ++p) {
    text += "page " + std::to_string(p) + " " + Number(document.pages[p].width) + "x" +
            Number(document.pages[p].height) + " text " + BoxText(document.pages[p].textArea) + "\n";
  }
  for (const Block& block : document.blocks) text += DescribeBlock(block);
  return text;
}

}  // namespace zembra::exporter::testing
