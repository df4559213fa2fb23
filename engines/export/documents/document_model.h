// What the document writers (DOC, RTF, XLS, CSV, PPTX) write: the selected
// pages' content as blocks in reading order (headings, paragraphs, list
// items, tables, pictures), each with its place on its page. The reader
// (document_reader) builds it from the PDF's structure tree when the PDF is
// tagged, as zemconv's intermediate PDF is, and from the page layout when not.
//
// Coordinates are PDF points on the page as shown (its rotation applied),
// with the origin at the top left and y growing downwards.
#pragma once

#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace zembra::exporter {

struct Rgb {
  unsigned char r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

struct Box {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  double width() const { return x1 - x0; }
  double height() const { return y1 - y0; }
  bool operator==(const Box&) const = default;
};

/// The family of a font, as far as writers of other formats need it.
enum class FontKind { kSans, kSerif, kMono };

struct TextStyle {
  std::string fontFamily;  ///< as embedded, subset tag and style suffix removed ("DejaVu Sans"); may be empty
  FontKind kind = FontKind::kSans;
  double size = 0;  ///< points
  bool bold = false;
  bool italic = false;
  bool underline = false;
  Rgb color;
  std::string link;  ///< the URI the text links to; empty for none
  bool operator==(const TextStyle&) const = default;
};

/// Text of one style, UTF-8, in logical (reading) order also for
/// right-to-left scripts.
struct TextRun {
  std::string text;
  TextStyle style;
};

/// One printed line: its runs in logical order, and where it stands.
struct TextLine {
  std::vector<TextRun> runs;
  Box box;
  int page = 0;  ///< index into Document::pages; a paragraph's lines may go on over the next page
};

enum class Alignment { kStart, kCenter, kEnd, kJustify };

enum class ParagraphRole {
  kBody,
  kHeading,   ///< level 1 to 6
  kListItem,  ///< level: nesting depth from 1
  kCaption,   ///< of a table or a figure
  kArtifact,  ///< running header or footer, page number: on the page, not in the document's flow
};

struct Paragraph {
  ParagraphRole role = ParagraphRole::kBody;
  int level = 0;         ///< heading level, or list nesting depth
  bool ordered = false;  ///< a list item of a numbered list
  std::string label;     ///< a list item's label as printed ("1.", "•"); not part of the lines
  std::vector<TextLine> lines;  ///< top to bottom
  bool rightToLeft = false;     ///< the paragraph's base direction
  Alignment alignment = Alignment::kStart;
  int page = 0;  ///< index into Document::pages of its first line
  Box box;       ///< the lines' extent on that page
};

/// A picture: a raster image, or vector art (an SVG chart) drawn into one.
struct Picture {
  std::string png;  ///< encoded PNG at the picture's own resolution (at least 150 dpi for vector art)
  int pixelWidth = 0, pixelHeight = 0;
  std::string alt;  ///< the alternative text, when the PDF has one
  int page = 0;
  Box box;  ///< where and how large it is shown
  bool raster = true;  ///< a raster image of the page; false for vector art drawn into the PNG
};

struct Border {
  double width = 0;  ///< points; 0: no line
  Rgb color;
  bool operator==(const Border&) const = default;
};

struct TableCell {
  int row = 0, column = 0;  ///< its top left grid position, from 0
  int rowSpan = 1, columnSpan = 1;
  bool header = false;
  std::vector<Paragraph> paragraphs;
  std::vector<Picture> pictures;
  Border top, right, bottom, left;
  std::optional<Rgb> background;
  int page = 0;  ///< where the cell starts
  Box box;
};

/// One table, also when it runs over several pages.
struct Table {
  int rows = 0, columns = 0;
  std::vector<double> columnWidths;  ///< points, in column order: left to right, or right to left when rightToLeft
  std::vector<double> rowHeights;    ///< points, top to bottom
  int headerRows = 0;                ///< leading rows repeated at the top of every page
  std::vector<TableCell> cells;      ///< each cell once, row by row, left to right; a spanned grid position has none
  std::optional<Paragraph> caption;
  int page = 0;  ///< where the table starts
  Box box;       ///< its extent on that page
  bool rightToLeft = false;  ///< column 0 stands at the right (a table of a right-to-left page)
};

using Block = std::variant<Paragraph, Table, Picture>;

struct PageFrame {
  double width = 0, height = 0;
  Box textArea;  ///< the extent of the page's content: the margins are what lies outside it
};

struct Document {
  std::vector<PageFrame> pages;  ///< the selected pages, in order
  std::vector<Block> blocks;     ///< reading order; artifacts after the flow blocks of their page
  std::string title;
  std::string language;  ///< BCP 47 tag of the document, when the PDF says
  bool tagged = false;   ///< read from the PDF's structure tree; false: reconstructed from the layout
};

/// The page a block starts on.
int BlockPage(const Block& block);

/// A paragraph's text as one flowing line: its lines joined by a blank,
/// without one where a line ends in a hyphen that breaks a word or between
/// two CJK characters; runs of the same style merged.
std::vector<TextRun> FlowRuns(const Paragraph& paragraph);

/// FlowRuns' texts joined.
std::string FlowText(const Paragraph& paragraph);

/// Whether a font name says bold or italic (e.g. "ABCDEF+Sans-BoldOblique").
bool FontNameIsBold(const std::string& fontName);
bool FontNameIsItalic(const std::string& fontName);
/// Monospaced ("DejaVuSansMono", "Courier"), serif ("Times-Roman",
/// "NotoSerif") or else sans.
FontKind FontKindOf(const std::string& fontName);

/// The family name, or for a font the PDF does not name one every office
/// program has or replaces by a twin of the same metrics: Arial, Times New
/// Roman or Courier New by the kind.
std::string GenericFontFamily(const std::string& family, FontKind kind);
/// GenericFontFamily of the style's family and kind.
std::string OfficeFontFamily(const TextStyle& style);

}  // namespace zembra::exporter
