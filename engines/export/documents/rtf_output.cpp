#include "engines/export/documents/rtf_output.h"

#include <optional>

#include "engines/common/files.h"
#include "engines/export/documents/document_reader.h"
#include "engines/export/documents/flow_plan.h"
#include "engines/export/documents/rtf_lists.h"
#include "engines/export/documents/rtf_tables.h"
#include "engines/export/documents/rtf_text.h"

namespace zembra::exporter {

namespace {

// Style numbers of the style sheet: 0 the body text, 1 to 6 the headings.
constexpr int kCaptionStyle = 7;

const char* const kHeadingNames[] = {"heading 1", "heading 2", "heading 3", "heading 4", "heading 5", "heading 6"};

std::string Hex(const std::string& data) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(data.size() * 2 + data.size() / 64 + 1);
  for (size_t i = 0; i < data.size(); ++i) {
    const auto byte = static_cast<unsigned char>(data[i]);
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
    if (i % 64 == 63) out += '\n';
  }
  return out;
}

std::string SectionProperties(const PageSetup& setup) {
  std::string out = "\\pgwsxn" + std::to_string(Twips(setup.width)) + "\\pghsxn" + std::to_string(Twips(setup.height)) +
                    "\\marglsxn" + std::to_string(Twips(setup.left)) + "\\margrsxn" +
                    std::to_string(Twips(setup.right)) + "\\margtsxn" + std::to_string(Twips(setup.top)) +
                    "\\margbsxn" + std::to_string(Twips(setup.bottom));
  if (setup.width > setup.height) out += "\\lndscpsxn";
  return out;
}

// \ql and \qr are the left and right of the page, also in a right-to-left
// paragraph, where the start is on the right.
std::string AlignmentRtf(Alignment alignment, bool rightToLeft) {
  switch (alignment) {
    case Alignment::kCenter:
      return "\\qc";
    case Alignment::kJustify:
      return "\\qj";
    case Alignment::kEnd:
      return rightToLeft ? "\\ql" : "\\qr";
    case Alignment::kStart:
      break;
  }
  return rightToLeft ? "\\qr" : "";
}

// A paragraph's properties after \pard\plain: style, break, direction,
// alignment, list, indents and spacing.
std::string ParagraphProperties(const ParagraphLayout& layout) {
  std::string out;
  if (layout.heading > 0) {
    out += "\\s" + std::to_string(layout.heading) + "\\outlinelevel" + std::to_string(layout.heading - 1) + "\\keepn";
  } else if (layout.caption) {
    out += "\\s" + std::to_string(kCaptionStyle);
  }
  if (layout.pageBreakBefore) out += "\\pagebb";
  if (layout.rightToLeft) out += "\\rtlpar";
  out += AlignmentRtf(layout.alignment, layout.rightToLeft);
  if (layout.list > 0) {
    out += "\\ls" + std::to_string(layout.list) + "\\ilvl" + std::to_string(layout.listLevel);
  }
  // The indent is on the text's start side: \li is that side for LibreOffice
  // also in a right-to-left paragraph, \lin says it is for every reader.
  if (layout.indent > 0 || layout.list > 0) {
    out += "\\li" + std::to_string(Twips(layout.indent));
    if (layout.rightToLeft) out += "\\lin" + std::to_string(Twips(layout.indent));
  }
  if (layout.firstLine != 0 || layout.list > 0) out += "\\fi" + std::to_string(Twips(layout.firstLine));
  if (layout.endIndent > 0) out += "\\ri" + std::to_string(Twips(layout.endIndent));
  if (layout.spaceBefore > 0) out += "\\sb" + std::to_string(Twips(layout.spaceBefore));
  if (layout.spaceAfter > 0) out += "\\sa" + std::to_string(Twips(layout.spaceAfter));
  if (layout.lineSpacing > 0) {
    out += "\\sl" + std::string(layout.exactLineSpacing ? "-" : "") + std::to_string(Twips(layout.lineSpacing)) +
           "\\slmult0";
  }
  return out;
}

class RtfWriter {
 public:
  RtfWriter(const Document& document, const FlowPlan& plan) : document_(document), plan_(plan) {}

  std::string Run() {
    for (const FlowItem& item : plan_.items) {
      switch (item.kind) {
        case FlowItem::Kind::kSection:
          Section(item);
          break;
        case FlowItem::Kind::kColumnBreak:
          body_ += "\\column\n";
          break;
        case FlowItem::Kind::kParagraph:
          body_ += ParagraphRtf(*item.paragraph, item.layout, false) + "\\par\n";
          break;
        case FlowItem::Kind::kPicture:
          body_ += PictureParagraph(*item.picture, item.layout, false) + "\\par\n";
          break;
        case FlowItem::Kind::kSpacer:
          body_ += "\\pard\\plain" + ParagraphProperties(item.layout) + "\\fs2 \\par\n";
          break;
        case FlowItem::Kind::kTable:
          TableRtf(item);
          break;
      }
    }
    return Header() + body_ + "}\n";
  }

 private:
  std::string Header() {
    const PageSetup& first = plan_.setups.front();
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n" + palette_.FontTable() + palette_.ColorTable() +
                      StyleSheet() + RtfListTables(plan_.lists);
    if (!document_.title.empty()) out += "{\\info{\\title " + RtfEscape(document_.title) + "}}\n";
    out += "\\paperw" + std::to_string(Twips(first.width)) + "\\paperh" + std::to_string(Twips(first.height)) +
           "\\margl" + std::to_string(Twips(first.left)) + "\\margr" + std::to_string(Twips(first.right)) + "\\margt" +
           std::to_string(Twips(first.top)) + "\\margb" + std::to_string(Twips(first.bottom)) +
           (first.width > first.height ? "\\landscape" : "") + "\\viewkind1\n";
    return out;
  }

  // Heading styles take the look of the first heading of their level, so a
  // word processor's style list shows the document's own headings.
  std::string StyleSheet() {
    std::string out = "{\\stylesheet{\\s0\\snext0 Normal;}";
    for (int level = 1; level <= 6; ++level) {
      const std::optional<TextStyle>& look = plan_.headingLooks[static_cast<size_t>(level - 1)];
      out += "{\\s" + std::to_string(level) + "\\sbasedon0\\snext0\\keepn\\outlinelevel" + std::to_string(level - 1);
      out += look ? RtfCharacterFormat(*look, palette_) : "\\b";
      out += " " + std::string(kHeadingNames[level - 1]) + ";}";
    }
    return out + "{\\s" + std::to_string(kCaptionStyle) + "\\sbasedon0\\snext0 caption;}}\n";
  }

  // The first section's properties open the body; each later one ends the
  // section before it with the mark of its last paragraph, so no empty
  // paragraph stands between them.
  void Section(const FlowItem& item) {
    std::string start = "\\sectd";
    if (!body_.empty()) {
      const std::string mark = "\\par\n";
      if (body_.size() >= mark.size() && body_.compare(body_.size() - mark.size(), mark.size(), mark) == 0) {
        body_.resize(body_.size() - mark.size());
      }
      start = "\\sect" + start + (item.newPage ? "\\sbkpage" : "\\sbknone");
    }
    body_ += start + SectionProperties(plan_.setups[item.setup]);
    if (item.columns > 1) {
      body_ += "\\cols" + std::to_string(item.columns) + "\\colsx" + std::to_string(Twips(item.columnGap));
    }
    body_ += "\n";
  }

  // A paragraph without its \par or \cell.
  std::string ParagraphRtf(const Paragraph& paragraph, const ParagraphLayout& layout, bool inTable) {
    std::string out = std::string(inTable ? "\\pard\\plain\\intbl" : "\\pard\\plain") + ParagraphProperties(layout);
    const std::vector<TextRun> runs = FlowRuns(paragraph);
    out += " " + RtfRuns(runs, palette_, layout.rightToLeft);
    // The paragraph mark in the text's font and size, so that a line is as
    // high as the page's; set after the runs, which must not inherit it.
    if (!runs.empty()) out += RtfCharacterFormat(runs.front().style, palette_, layout.rightToLeft);
    return out;
  }

  std::string PictureRtf(const Picture& picture) {
    if (picture.png.empty()) return "";
    const double width = picture.box.width() > 0 ? picture.box.width() : picture.pixelWidth * 0.75;
    const double height = picture.box.height() > 0 ? picture.box.height() : picture.pixelHeight * 0.75;
    std::string out = "{\\pict";
    if (!picture.alt.empty()) out += "{\\*\\picprop{\\sp{\\sn wzDescription}{\\sv " + RtfEscape(picture.alt) + "}}}";
    out += "\\pngblip\\picw" + std::to_string(std::max(1, picture.pixelWidth)) + "\\pich" +
           std::to_string(std::max(1, picture.pixelHeight)) + "\\picwgoal" + std::to_string(Twips(width)) +
           "\\pichgoal" + std::to_string(Twips(height)) + "\n" + Hex(picture.png) + "}";
    return out;
  }

  std::string PictureParagraph(const Picture& picture, const ParagraphLayout& layout, bool inTable) {
    return std::string(inTable ? "\\pard\\plain\\intbl" : "\\pard\\plain") + ParagraphProperties(layout) + " " +
           PictureRtf(picture);
  }

  void TableRtf(const FlowItem& item) {
    const Table& table = *item.table;
    // Marks of empty cells in the size of the table's text, so that a row of
    // small text is not made taller by them.
    std::string emptyMark;
    for (const TableCell& cell : table.cells) {
      if (!cell.paragraphs.empty() && !cell.paragraphs.front().lines.empty() &&
          !cell.paragraphs.front().lines.front().runs.empty()) {
        emptyMark = RtfCharacterFormat(cell.paragraphs.front().lines.front().runs.front().style, palette_);
        break;
      }
    }
    // A page break before the table goes on its first paragraph.
    bool pageBreak = item.layout.pageBreakBefore;
    const RtfCellContent content = [&](const TableCell* cell) {
      std::vector<std::string> paragraphs;
      if (cell != nullptr) {
        for (const CellPart& part : item.cells[static_cast<size_t>(cell - table.cells.data())]) {
          paragraphs.push_back(part.paragraph != nullptr ? ParagraphRtf(*part.paragraph, part.layout, true)
                                                         : PictureParagraph(*part.picture, part.layout, true));
        }
      }
      if (paragraphs.empty()) paragraphs.push_back("\\pard\\plain\\intbl" + emptyMark + " ");
      if (pageBreak) {
        paragraphs.front().insert(std::string("\\pard\\plain\\intbl").size(), "\\pagebb");
        pageBreak = false;
      }
      return paragraphs;
    };
    body_ += RtfTable(table, item.tableLayout, palette_, content);
  }

  const Document& document_;
  const FlowPlan& plan_;
  RtfPalette palette_;
  std::string body_;
};

}  // namespace

std::string RtfDocument(const Document& document) {
  const FlowPlan plan = PlanFlow(document);
  return RtfWriter(document, plan).Run();
}

bool WriteRtf(const ExportJob& job, std::string& error) {
  const std::optional<Document> document = ReadDocument(job.input, job.pages, error);
  if (!document) return false;
  return WriteWholeFile(job.outputs.path(0), RtfDocument(*document), error);
}

}  // namespace zembra::exporter
