#include "engines/export/documents/odf_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "engines/common/base64.h"
#include "engines/common/files.h"
#include "engines/export/documents/flow_plan.h"
#include "engines/export/documents/spreadsheet_xml.h"
#include "engines/export/documents/utf8.h"

namespace zembra::exporter {

namespace {

// A length in points, as short as it can be written.
std::string Pt(double points) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", points);
  std::string text = buffer;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  if (text == "-0") text = "0";
  return text + "pt";
}

// Text as XML character data or attribute value: valid UTF-8 (a malformed
// byte becomes U+FFFD, which XML can carry, where it would make the whole
// file unreadable), markup escaped.
std::string Xml(const std::string& text) {
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return XmlEscape(text);
  std::string valid;
  valid.reserve(text.size());
  for (char32_t c : DecodeUtf8(text)) {
    if (c == 0xFFFE || c == 0xFFFF) c = 0xFFFD;  // not characters XML allows
    if (c < 0x80) {
      valid += static_cast<char>(c);
    } else if (c < 0x800) {
      valid += static_cast<char>(0xC0 | (c >> 6));
      valid += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      valid += static_cast<char>(0xE0 | (c >> 12));
      valid += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      valid += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      valid += static_cast<char>(0xF0 | (c >> 18));
      valid += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      valid += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      valid += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return XmlEscape(valid);
}

std::string Hex(Rgb color) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", color.r, color.g, color.b);
  return buffer;
}

const char* NumberFormat(ListLabel::Format format) {
  switch (format) {
    case ListLabel::Format::kLowerLetter:
      return "a";
    case ListLabel::Format::kUpperLetter:
      return "A";
    case ListLabel::Format::kLowerRoman:
      return "i";
    case ListLabel::Format::kUpperRoman:
      return "I";
    case ListLabel::Format::kDecimal:
    case ListLabel::Format::kBullet:
      break;
  }
  return "1";
}

// The first character of a bullet label: ODF bullets are one character.
std::string FirstCharacter(const std::string& text) {
  if (text.empty()) return "\xE2\x80\xA2";
  size_t length = 1;
  while (length < text.size() && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) ++length;
  return text.substr(0, length);
}

std::string BorderOdf(const Border& border) {
  if (border.width <= 0) return "none";
  return Pt(std::max(0.05, border.width)) + " solid " + Hex(border.color);
}

// Automatic styles of one family, each written once however often it is used.
class StyleSet {
 public:
  StyleSet(std::string prefix, std::string family) : prefix_(std::move(prefix)), family_(std::move(family)) {}

  /// The name of the style with these attributes (on style:style) and content.
  std::string Name(const std::string& attributes, const std::string& content) {
    const std::string key = attributes + "\n" + content;
    const auto known = names_.find(key);
    if (known != names_.end()) return known->second;
    const std::string name = prefix_ + std::to_string(names_.size() + 1);
    names_.emplace(key, name);
    xml_ += "<style:style style:name=\"" + name + "\" style:family=\"" + family_ + "\"" + attributes + ">" + content +
            "</style:style>\n";
    return name;
  }

  const std::string& Xml() const { return xml_; }

 private:
  std::string prefix_, family_;
  std::map<std::string, std::string> names_;
  std::string xml_;
};

class OdfWriter {
 public:
  OdfWriter(const Document& document, const FlowPlan& plan) : document_(document), plan_(plan) {}

  std::string Run() {
    for (const FlowItem& item : plan_.items) {
      if (item.kind != FlowItem::Kind::kParagraph || item.layout.list == 0) CloseLists();
      switch (item.kind) {
        case FlowItem::Kind::kSection:
          Section(item);
          break;
        case FlowItem::Kind::kColumnBreak:
          pendingBreak_ = "column";
          break;
        case FlowItem::Kind::kParagraph:
          AddParagraph(*item.paragraph, item.layout);
          break;
        case FlowItem::Kind::kPicture:
          body_ += "<text:p text:style-name=\"" + ParagraphStyle(item.layout, "Standard", std::nullopt) + "\">" +
                   Frame(*item.picture) + "</text:p>\n";
          break;
        case FlowItem::Kind::kSpacer: {
          TextStyle tiny;
          tiny.size = 1;
          body_ += "<text:p text:style-name=\"" + ParagraphStyle(item.layout, "Standard", tiny) + "\"/>\n";
          break;
        }
        case FlowItem::Kind::kTable:
          TableOdf(item);
          break;
      }
    }
    CloseLists();
    if (sectionOpen_) body_ += "</text:section>\n";
    return Assemble();
  }

 private:
  std::string Assemble() {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<office:document xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\""
        " xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\""
        " xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\""
        " xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\""
        " xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\""
        " xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\""
        " xmlns:xlink=\"http://www.w3.org/1999/xlink\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
        " xmlns:meta=\"urn:oasis:names:tc:opendocument:xmlns:meta:1.0\""
        " xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\""
        " office:version=\"1.3\" office:mimetype=\"application/vnd.oasis.opendocument.text\">\n";
    out += "<office:meta>";
    if (!document_.title.empty()) out += "<dc:title>" + Xml(document_.title) + "</dc:title>";
    if (!document_.language.empty()) out += "<dc:language>" + Xml(document_.language) + "</dc:language>";
    out += "</office:meta>\n";
    // The common styles name their fonts too, before the faces are listed.
    const std::string common = CommonStyles();
    out += "<office:font-face-decls>";
    for (const auto& [name, kind] : fonts_) {
      const char* generic = kind == FontKind::kSerif ? "roman" : kind == FontKind::kMono ? "modern" : "swiss";
      out += "<style:font-face style:name=\"" + Xml(name) + "\" svg:font-family=\"&apos;" + Xml(name) +
             "&apos;\" style:font-family-generic=\"" + generic + "\" style:font-pitch=\"" +
             (kind == FontKind::kMono ? "fixed" : "variable") + "\"/>";
    }
    out += "</office:font-face-decls>\n" + common;
    out += "<office:automatic-styles>\n" + PageLayouts() + ListStyles() + paragraphs_.Xml() + texts_.Xml() +
           sections_.Xml() + tables_.Xml() + columns_.Xml() + rows_.Xml() + cells_.Xml() +
           "<style:style style:name=\"Fr1\" style:family=\"graphic\"><style:graphic-properties "
           "style:vertical-pos=\"top\" style:vertical-rel=\"baseline\" fo:border=\"none\"/></style:style>\n"
           "</office:automatic-styles>\n";
    out += "<office:master-styles>";
    for (size_t s = 0; s < plan_.setups.size(); ++s) {
      out += "<style:master-page style:name=\"" + MasterName(s) + "\" style:page-layout-name=\"pm" +
             std::to_string(s + 1) + "\"/>";
    }
    out += "</office:master-styles>\n<office:body><office:text>\n" + body_ +
           "</office:text></office:body></office:document>\n";
    return out;
  }

  static std::string MasterName(size_t setup) { return setup == 0 ? "Standard" : "Setup" + std::to_string(setup + 1); }

  std::string PageLayouts() const {
    std::string out;
    for (size_t s = 0; s < plan_.setups.size(); ++s) {
      const PageSetup& setup = plan_.setups[s];
      out += "<style:page-layout style:name=\"pm" + std::to_string(s + 1) +
             "\"><style:page-layout-properties fo:page-width=\"" + Pt(setup.width) + "\" fo:page-height=\"" +
             Pt(setup.height) + "\" style:print-orientation=\"" +
             (setup.width > setup.height ? "landscape" : "portrait") + "\" fo:margin-top=\"" + Pt(setup.top) +
             "\" fo:margin-bottom=\"" + Pt(setup.bottom) + "\" fo:margin-left=\"" + Pt(setup.left) +
             "\" fo:margin-right=\"" + Pt(setup.right) + "\"/></style:page-layout>\n";
    }
    return out;
  }

  // The paragraph defaults, body text, six heading levels with the look of
  // the document's first heading of each, and captions.
  std::string CommonStyles() {
    std::string language;
    if (!document_.language.empty()) {
      const std::string tag = document_.language;
      const size_t dash = tag.find('-');
      language = " fo:language=\"" + Xml(tag.substr(0, dash)) + "\"";
      if (dash != std::string::npos && tag.size() - dash - 1 == 2) {
        language += " fo:country=\"" + Xml(tag.substr(dash + 1)) + "\"";
      }
    }
    std::string out =
        "<office:styles>\n<style:default-style style:family=\"paragraph\"><style:text-properties "
        "fo:font-size=\"12pt\"" +
        language + "/></style:default-style>\n" +
        "<style:style style:name=\"Standard\" style:family=\"paragraph\" style:class=\"text\"/>\n";
    for (int level = 1; level <= 6; ++level) {
      const std::optional<TextStyle>& look = plan_.headingLooks[static_cast<size_t>(level - 1)];
      out += "<style:style style:name=\"Heading_20_" + std::to_string(level) + "\" style:display-name=\"Heading " +
             std::to_string(level) +
             "\" style:family=\"paragraph\" style:parent-style-name=\"Standard\" style:next-style-name=\"Standard\" "
             "style:default-outline-level=\"" +
             std::to_string(level) +
             "\" style:class=\"text\"><style:paragraph-properties fo:keep-with-next=\"always\"/>";
      if (look) {
        out += TextProperties(*look);
      } else {
        out += "<style:text-properties fo:font-weight=\"bold\"/>";
      }
      out += "</style:style>\n";
    }
    out +=
        "<style:style style:name=\"Caption\" style:family=\"paragraph\" style:parent-style-name=\"Standard\" "
        "style:class=\"extra\"/>\n<text:outline-style style:name=\"Outline\">";
    for (int level = 1; level <= 10; ++level) {
      out += "<text:outline-level-style text:level=\"" + std::to_string(level) + "\" style:num-format=\"\"/>";
    }
    return out + "</text:outline-style>\n</office:styles>\n";
  }

  std::string ListStyles() const {
    std::string out;
    for (size_t n = 0; n < plan_.lists.size(); ++n) {
      out += "<text:list-style style:name=\"L" + std::to_string(n + 1) + "\">";
      for (int k = 0; k < kListLevels; ++k) {
        const ListLevel& level = plan_.lists[n][static_cast<size_t>(k)];
        const std::string number = std::to_string(k + 1);
        const std::string position =
            "<style:list-level-properties text:list-level-position-and-space-mode=\"label-alignment\">"
            "<style:list-level-label-alignment text:label-followed-by=\"listtab\" text:list-tab-stop-position=\"" +
            Pt(level.indent) + "\" fo:text-indent=\"" + Pt(ListSet::Hanging(level.indent)) + "\" fo:margin-left=\"" +
            Pt(level.indent) + "\"/></style:list-level-properties>";
        if (level.label.format == ListLabel::Format::kBullet) {
          out += "<text:list-level-style-bullet text:level=\"" + number + "\" text:bullet-char=\"" +
                 Xml(FirstCharacter(level.label.bullet)) + "\">" + position + "</text:list-level-style-bullet>";
        } else {
          out += "<text:list-level-style-number text:level=\"" + number + "\" style:num-prefix=\"" +
                 Xml(level.label.before) + "\" style:num-suffix=\"" + Xml(level.label.after) +
                 "\" style:num-format=\"" + NumberFormat(level.label.format) + "\" text:start-value=\"" +
                 std::to_string(level.label.number) + "\">" + position + "</text:list-level-style-number>";
        }
      }
      out += "</text:list-style>\n";
    }
    return out;
  }

  std::string TextProperties(const TextStyle& style) {
    const std::string family = OfficeFontFamily(style);
    fonts_.emplace(family, style.kind);
    const std::string font = Xml(family);
    const std::string size = Pt(style.size > 0 ? style.size : 12);
    std::string out = "<style:text-properties style:font-name=\"" + font + "\" style:font-name-asian=\"" + font +
                      "\" style:font-name-complex=\"" + font + "\" fo:font-size=\"" + size +
                      "\" style:font-size-asian=\"" + size + "\" style:font-size-complex=\"" + size + "\"";
    const char* weight = style.bold ? "bold" : "normal";
    out += std::string(" fo:font-weight=\"") + weight + "\" style:font-weight-asian=\"" + weight +
           "\" style:font-weight-complex=\"" + weight + "\"";
    const char* slant = style.italic ? "italic" : "normal";
    out += std::string(" fo:font-style=\"") + slant + "\" style:font-style-asian=\"" + slant +
           "\" style:font-style-complex=\"" + slant + "\"";
    if (style.underline) {
      out +=
          " style:text-underline-style=\"solid\" style:text-underline-width=\"auto\" "
          "style:text-underline-color=\"font-color\"";
    }
    return out + " fo:color=\"" + Hex(style.color) + "\"/>";
  }

  // A paragraph's automatic style: its parent, the plan's layout, a break
  // or new paper that is due, and the font of its mark.
  std::string ParagraphStyle(const ParagraphLayout& layout, const std::string& parent,
                             const std::optional<TextStyle>& mark, bool inList = false) {
    std::string attributes = " style:parent-style-name=\"" + parent + "\"";
    if (!pendingMaster_.empty()) attributes += " style:master-page-name=\"" + pendingMaster_ + "\"";
    std::string properties;
    if (!inList) {
      // LibreOffice takes the left margin as the start side's, also in
      // right-to-left paragraphs.
      if (layout.indent > 0) properties += " fo:margin-left=\"" + Pt(layout.indent) + "\"";
      if (layout.firstLine != 0) properties += " fo:text-indent=\"" + Pt(layout.firstLine) + "\"";
      if (layout.endIndent > 0) properties += " fo:margin-right=\"" + Pt(layout.endIndent) + "\"";
    }
    if (layout.spaceBefore > 0) properties += " fo:margin-top=\"" + Pt(layout.spaceBefore) + "\"";
    if (layout.spaceAfter > 0) properties += " fo:margin-bottom=\"" + Pt(layout.spaceAfter) + "\"";
    if (layout.lineSpacing > 0) {
      properties += std::string(layout.exactLineSpacing ? " fo:line-height=\"" : " style:line-height-at-least=\"") +
                    Pt(layout.lineSpacing) + "\"";
    }
    // Alignment on the page's sides: the start of right-to-left text is its right.
    const bool rtl = layout.rightToLeft;
    switch (layout.alignment) {
      case Alignment::kCenter:
        properties += " fo:text-align=\"center\"";
        break;
      case Alignment::kJustify:
        properties += " fo:text-align=\"justify\"";
        break;
      case Alignment::kEnd:
        properties += rtl ? " fo:text-align=\"left\"" : " fo:text-align=\"right\"";
        break;
      case Alignment::kStart:
        properties += rtl ? " fo:text-align=\"right\"" : " fo:text-align=\"left\"";
        break;
    }
    if (rtl) properties += " style:writing-mode=\"rl-tb\"";
    // A new paper's master page starts a page itself.
    const std::string breakBefore = layout.pageBreakBefore ? "page" : pendingBreak_;
    if (!breakBefore.empty() && pendingMaster_.empty()) properties += " fo:break-before=\"" + breakBefore + "\"";
    if (layout.heading > 0) properties += " fo:keep-with-next=\"always\"";
    pendingMaster_.clear();
    pendingBreak_.clear();
    std::string content = "<style:paragraph-properties" + properties + "/>";
    if (mark) content += TextProperties(*mark);
    return paragraphs_.Name(attributes, content);
  }

  void Section(const FlowItem& item) {
    if (sectionOpen_) {
      body_ += "</text:section>\n";
      sectionOpen_ = false;
    }
    if (item.setup != setup_) {
      setup_ = item.setup;
      pendingMaster_ = MasterName(item.setup);
    } else if (item.newPage) {
      pendingBreak_ = "page";
    }
    if (item.columns > 1) {
      const std::string style = sections_.Name(
          "", "<style:section-properties text:dont-balance-text-columns=\"false\"><style:columns fo:column-count=\"" +
                  std::to_string(item.columns) + "\" fo:column-gap=\"" + Pt(item.columnGap) +
                  "\"/></style:section-properties>");
      body_ += "<text:section text:style-name=\"" + style + "\" text:name=\"Section" + std::to_string(++sectionCount_) +
               "\">\n";
      sectionOpen_ = true;
    }
  }

  // Opens and closes nested lists so that the next item stands at its level.
  void EnterList(int list, int level) {
    if (list != currentList_) {
      CloseLists();
      currentList_ = list;
      body_ += "<text:list text:style-name=\"L" + std::to_string(list) + "\">";
      openItems_.assign(1, false);
    }
    const size_t depth = static_cast<size_t>(level) + 1;
    while (openItems_.size() > depth) {
      if (openItems_.back()) body_ += "</text:list-item>";
      body_ += "</text:list>";
      openItems_.pop_back();
    }
    while (openItems_.size() < depth) {
      if (!openItems_.back()) {
        body_ += "<text:list-item>";
        openItems_.back() = true;
      }
      body_ += "<text:list>";
      openItems_.push_back(false);
    }
    if (openItems_.back()) body_ += "</text:list-item>";
    body_ += "<text:list-item>";
    openItems_.back() = true;
  }

  void CloseLists() {
    while (!openItems_.empty()) {
      if (openItems_.back()) body_ += "</text:list-item>";
      body_ += "</text:list>";
      openItems_.pop_back();
    }
    if (currentList_ != 0) body_ += "\n";
    currentList_ = 0;
  }

  void AddParagraph(const Paragraph& paragraph, const ParagraphLayout& layout) {
    if (layout.list > 0) EnterList(layout.list, layout.listLevel);
    body_ += ParagraphXml(paragraph, layout, layout.list > 0) + (layout.list > 0 ? "" : "\n");
  }

  std::string ParagraphXml(const Paragraph& paragraph, const ParagraphLayout& layout, bool inList) {
    const std::vector<TextRun> runs = FlowRuns(paragraph);
    std::optional<TextStyle> mark;
    if (!runs.empty()) {
      mark = runs.front().style;
      mark->link.clear();
    }
    const std::string parent = layout.heading > 0 ? "Heading_20_" + std::to_string(layout.heading)
                               : layout.caption   ? "Caption"
                                                  : "Standard";
    const std::string style = ParagraphStyle(layout, parent, mark, inList);
    const std::string element = layout.heading > 0 ? "text:h" : "text:p";
    std::string out = "<" + element + " text:style-name=\"" + style + "\"";
    if (layout.heading > 0) out += " text:outline-level=\"" + std::to_string(layout.heading) + "\"";
    out += ">";
    bool afterSpace = true;
    for (size_t i = 0; i < runs.size();) {
      const std::string& link = runs[i].style.link;
      size_t end = i + 1;
      while (!link.empty() && end < runs.size() && runs[end].style.link == link) ++end;
      if (!link.empty()) out += "<text:a xlink:type=\"simple\" xlink:href=\"" + Xml(link) + "\">";
      for (size_t k = i; k < end; ++k) {
        TextStyle look = runs[k].style;
        look.link.clear();
        const std::string text = OdfText(runs[k].text, afterSpace);
        if (mark && look == *mark) {
          out += text;
        } else {
          out +=
              "<text:span text:style-name=\"" + texts_.Name("", TextProperties(look)) + "\">" + text + "</text:span>";
        }
      }
      if (!link.empty()) out += "</text:a>";
      i = end;
    }
    return out + "</" + element + ">";
  }

  std::string Frame(const Picture& picture) {
    if (picture.png.empty()) return "";
    const double width = picture.box.width() > 0 ? picture.box.width() : picture.pixelWidth * 0.75;
    const double height = picture.box.height() > 0 ? picture.box.height() : picture.pixelHeight * 0.75;
    std::string out = "<draw:frame draw:style-name=\"Fr1\" draw:name=\"Picture" + std::to_string(++pictures_) +
                      "\" text:anchor-type=\"as-char\" svg:width=\"" + Pt(width) + "\" svg:height=\"" + Pt(height) +
                      "\" draw:z-index=\"0\"><draw:image draw:mime-type=\"image/png\"><office:binary-data>" +
                      Base64Encode(picture.png) + "</office:binary-data></draw:image>";
    if (!picture.alt.empty()) {
      out += "<svg:title>" + Xml(picture.alt) + "</svg:title><svg:desc>" + Xml(picture.alt) + "</svg:desc>";
    }
    return out + "</draw:frame>";
  }

  void TableOdf(const FlowItem& item) {
    const Table& table = *item.table;
    const TableLayout& layout = item.tableLayout;
    const std::string name = "Table" + std::to_string(++tableCount_);
    double width = 0;
    for (double w : layout.widths) width += w;
    std::string attributes;
    if (!pendingMaster_.empty()) attributes = " style:master-page-name=\"" + pendingMaster_ + "\"";
    std::string properties = " style:width=\"" + Pt(width) + "\" table:align=\"" +
                             (layout.centered ? "center\"" : "left\" fo:margin-left=\"" + Pt(layout.left) + "\"");
    const std::string breakBefore = item.layout.pageBreakBefore ? "page" : pendingBreak_;
    if (!breakBefore.empty() && pendingMaster_.empty()) properties += " fo:break-before=\"" + breakBefore + "\"";
    if (table.rightToLeft) properties += " style:writing-mode=\"rl-tb\"";  // column 0 on the right
    pendingMaster_.clear();
    pendingBreak_.clear();
    const std::string style = tables_.Name(attributes, "<style:table-properties" + properties + "/>");
    body_ += "<table:table table:name=\"" + name + "\" table:style-name=\"" + style + "\">";
    for (double w : layout.widths) {
      body_ += "<table:table-column table:style-name=\"" +
               columns_.Name("", "<style:table-column-properties style:column-width=\"" + Pt(w) + "\"/>") + "\"/>";
    }
    body_ += "\n";
    // Empty cells hold a paragraph in the table's text size, so that a row of
    // small text is not made taller by them.
    std::optional<TextStyle> markLook;
    for (const TableCell& cell : table.cells) {
      if (!cell.paragraphs.empty() && !cell.paragraphs.front().lines.empty() &&
          !cell.paragraphs.front().lines.front().runs.empty()) {
        markLook = cell.paragraphs.front().lines.front().runs.front().style;
        markLook->link.clear();
        break;
      }
    }
    const std::string emptyParagraph =
        "<text:p text:style-name=\"" + ParagraphStyle(ParagraphLayout{}, "Standard", markLook) + "\"/>";
    const std::vector<std::vector<int>> grid = CoveringCells(table);
    const int headerRows = std::clamp(table.headerRows, 0, table.rows);
    for (int r = 0; r < table.rows; ++r) {
      if (r == 0 && headerRows > 0) body_ += "<table:table-header-rows>";
      const double height = RowHeight(table, r);
      const std::string rowStyle =
          rows_.Name("", height > 0 ? "<style:table-row-properties style:min-row-height=\"" + Pt(height) + "\"/>"
                                    : "<style:table-row-properties/>");
      body_ += "<table:table-row table:style-name=\"" + rowStyle + "\">";
      for (int c = 0; c < table.columns; ++c) {
        const int owner = grid[static_cast<size_t>(r)][static_cast<size_t>(c)];
        if (owner < 0) {
          body_ += "<table:table-cell office:value-type=\"string\">" + emptyParagraph + "</table:table-cell>";
          continue;
        }
        const TableCell& cell = table.cells[static_cast<size_t>(owner)];
        if (!StartsAt(cell, r, c)) {
          body_ += "<table:covered-table-cell/>";
          continue;
        }
        body_ += "<table:table-cell table:style-name=\"" + CellStyle(cell, layout.padding) + "\"";
        const int rows = RowsCovered(table, cell), columns = ColumnsCovered(table, cell);
        if (columns > 1) body_ += " table:number-columns-spanned=\"" + std::to_string(columns) + "\"";
        if (rows > 1) body_ += " table:number-rows-spanned=\"" + std::to_string(rows) + "\"";
        body_ += " office:value-type=\"string\">";
        const std::vector<CellPart>& parts = item.cells[static_cast<size_t>(owner)];
        if (parts.empty()) body_ += emptyParagraph;
        for (const CellPart& part : parts) {
          if (part.paragraph != nullptr) {
            body_ += ParagraphXml(*part.paragraph, part.layout, false);
          } else {
            body_ += "<text:p text:style-name=\"" + ParagraphStyle(part.layout, "Standard", std::nullopt) + "\">" +
                     Frame(*part.picture) + "</text:p>";
          }
        }
        body_ += "</table:table-cell>";
      }
      body_ += "</table:table-row>\n";
      if (r + 1 == headerRows) body_ += "</table:table-header-rows>\n";
    }
    body_ += "</table:table>\n";
  }

  std::string CellStyle(const TableCell& cell, double padding) {
    std::string properties = " fo:padding-left=\"" + Pt(padding) + "\" fo:padding-right=\"" + Pt(padding) +
                             "\" fo:padding-top=\"0pt\" fo:padding-bottom=\"0pt\" fo:border-top=\"" +
                             BorderOdf(cell.top) + "\" fo:border-bottom=\"" + BorderOdf(cell.bottom) +
                             "\" fo:border-left=\"" + BorderOdf(cell.left) + "\" fo:border-right=\"" +
                             BorderOdf(cell.right) + "\"";
    if (cell.background) properties += " fo:background-color=\"" + Hex(*cell.background) + "\"";
    switch (VerticalAlignment(cell)) {
      case CellVertical::kMiddle:
        properties += " style:vertical-align=\"middle\"";
        break;
      case CellVertical::kBottom:
        properties += " style:vertical-align=\"bottom\"";
        break;
      case CellVertical::kTop:
        break;
    }
    return cells_.Name("", "<style:table-cell-properties" + properties + "/>");
  }

  const Document& document_;
  const FlowPlan& plan_;
  std::string body_;
  std::map<std::string, FontKind> fonts_;
  StyleSet paragraphs_{"P", "paragraph"}, texts_{"T", "text"}, sections_{"Sect", "section"}, tables_{"Tb", "table"},
      columns_{"Co", "table-column"}, rows_{"Ro", "table-row"}, cells_{"Ce", "table-cell"};
  size_t setup_ = 0;
  std::string pendingMaster_;  ///< a new paper's master page for the next paragraph or table
  std::string pendingBreak_;   ///< "column" or "page" before the next paragraph or table
  bool sectionOpen_ = false;
  int sectionCount_ = 0, tableCount_ = 0, pictures_ = 0;
  int currentList_ = 0;
  std::vector<bool> openItems_;  ///< per open list, whether an item of it is open
};

}  // namespace

std::string OdfText(const std::string& text, bool& afterSpace) {
  std::string out;
  size_t plain = 0;  // where the run of ordinary characters started
  const auto flush = [&](size_t end) {
    if (end > plain) out += Xml(text.substr(plain, end - plain));
  };
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
      afterSpace = false;
      continue;
    }
    flush(i);
    plain = i + 1;
    if (c == '\t') {
      out += "<text:tab/>";
      afterSpace = false;
    } else if (c == '\n' || c == '\r') {
      out += "<text:line-break/>";
      afterSpace = true;
    } else if (afterSpace) {
      out += "<text:s/>";
    } else {
      out += ' ';
      afterSpace = true;
    }
  }
  flush(text.size());
  return out;
}

std::string OdfDocument(const Document& document) {
  const FlowPlan plan = PlanFlow(document);
  return OdfWriter(document, plan).Run();
}

}  // namespace zembra::exporter
