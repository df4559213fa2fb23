#include "engines/export/documents/rtf_output.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "engines/common/files.h"
#include "engines/export/documents/document_reader.h"
#include "engines/export/documents/rtf_lists.h"
#include "engines/export/documents/rtf_tables.h"
#include "engines/export/documents/rtf_text.h"

namespace zembra::exporter {

namespace {

// Style numbers of the style sheet: 0 the body text, 1 to 6 the headings.
constexpr int kCaptionStyle = 7;

// Offsets smaller than this (points) are the page's rounding, not an indent.
constexpr double kSmallestIndent = 2;
// Space above a block is what the page shows, up to this much (points).
constexpr double kLargestSpace = 144;

const char* kHeadingNames[] = {"heading 1", "heading 2", "heading 3", "heading 4", "heading 5", "heading 6"};

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
  return {BlockPage(block), BlockBox(block).y1};
}

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

std::string SectionProperties(const RtfSection& section) {
  std::string out = "\\pgwsxn" + std::to_string(Twips(section.width)) + "\\pghsxn" +
                    std::to_string(Twips(section.height)) + "\\marglsxn" + std::to_string(Twips(section.left)) +
                    "\\margrsxn" + std::to_string(Twips(section.right)) + "\\margtsxn" +
                    std::to_string(Twips(section.top)) + "\\margbsxn" + std::to_string(Twips(section.bottom));
  if (section.width > section.height) out += "\\lndscpsxn";
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

// The horizontal room the blocks being written stand in (points from the
// paper's left edge): the text area, or one column of it.
struct Frame {
  double left = 0, right = 0;
};

class RtfWriter {
 public:
  explicit RtfWriter(const Document& document)
      : document_(document), sections_(RtfSections(document)), columns_(FindColumns(document)) {}

  std::string Run() {
    size_t section = 0;
    size_t nextColumns = 0;
    const RtfColumns* open = nullptr;
    size_t column = 0;
    for (size_t i = 0; i < document_.blocks.size(); ++i) {
      const Block& block = document_.blocks[i];
      if (!IsFlow(block)) continue;  // running headers, footers and page numbers are not the document's text
      const int page = BlockPage(block);
      if (previousPage_ < 0 || page > previousPage_) {
        pendingBreak_ = previousPage_ >= 0;
        previousBottom_ = sections_[section].top;
        lastMark_.reset();
      }
      bool paperChanges = false;
      while (section + 1 < sections_.size() && page >= sections_[section + 1].firstPage) {
        ++section;
        paperChanges = true;
      }
      const RtfSection& current = sections_[section];
      if (paperChanges) {
        pendingBreak_ = true;
        previousBottom_ = current.top;
        if (open == nullptr) StartSection(current, nullptr);
      }
      if (open == nullptr && nextColumns < columns_.size() && columns_[nextColumns].first == i) {
        open = &columns_[nextColumns++];
        column = 0;
        StartSection(current, open);
      } else if (open != nullptr && column < open->breaks.size() && open->breaks[column] == i) {
        ++column;
        body_ += "\\column\n";
        previousBottom_ = BlockBox(document_.blocks[open->first]).y0;
        lastMark_.reset();
        lastWasTable_ = false;
      }
      frame_ =
          open != nullptr ? ColumnFrame(*open, column, current) : Frame{current.left, current.width - current.right};

      if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
        AddParagraph(ParagraphRtf(*paragraph, previousWasListItem_, false));
      } else if (const auto* table = std::get_if<Table>(&block)) {
        AddTable(*table);
      } else if (const auto* picture = std::get_if<Picture>(&block)) {
        AddParagraph(PictureParagraph(*picture, false));
      }
      const auto* paragraph = std::get_if<Paragraph>(&block);
      previousWasListItem_ = paragraph != nullptr && paragraph->role == ParagraphRole::kListItem;
      const auto [endPage, bottom] = BlockEnd(block);
      previousPage_ = endPage;
      previousBottom_ = bottom;
      if (open != nullptr && i + 1 >= open->end) {
        open = nullptr;
        StartSection(current, nullptr);
      }
    }
    return Header() + body_ + "}\n";
  }

 private:
  std::string Header() {
    const RtfSection& first = sections_.front();
    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n" + palette_.FontTable() + palette_.ColorTable() +
                      StyleSheet() + lists_.Tables();
    if (!document_.title.empty()) out += "{\\info{\\title " + RtfEscape(document_.title) + "}}\n";
    out += "\\paperw" + std::to_string(Twips(first.width)) + "\\paperh" + std::to_string(Twips(first.height)) +
           "\\margl" + std::to_string(Twips(first.left)) + "\\margr" + std::to_string(Twips(first.right)) + "\\margt" +
           std::to_string(Twips(first.top)) + "\\margb" + std::to_string(Twips(first.bottom)) +
           (first.width > first.height ? "\\landscape" : "") + "\\viewkind1\n\\sectd" + SectionProperties(first) + "\n";
    return out;
  }

  // Heading styles take the look of the first heading of their level, so a
  // word processor's style list shows the document's own headings.
  std::string StyleSheet() {
    std::string out = "{\\stylesheet{\\s0\\snext0 Normal;}";
    for (int level = 1; level <= 6; ++level) {
      const std::optional<TextStyle>& look = headingLooks_[static_cast<size_t>(level - 1)];
      out += "{\\s" + std::to_string(level) + "\\sbasedon0\\snext0\\keepn\\outlinelevel" + std::to_string(level - 1);
      if (look) {
        out += RtfCharacterFormat(*look, palette_);
      } else {
        out += "\\b";
      }
      out += " " + std::string(kHeadingNames[level - 1]) + ";}";
    }
    out += "{\\s" + std::to_string(kCaptionStyle) + "\\sbasedon0\\snext0 caption;}}\n";
    return out;
  }

  // Ends the section so far and starts one with the given paper and
  // columns, on a new page when a page break is due. The last paragraph's
  // mark becomes the section's end, so no empty paragraph is left between.
  void StartSection(const RtfSection& section, const RtfColumns* columns) {
    std::string start = "\\sectd";
    if (!body_.empty()) {
      const std::string mark = "\\par\n";
      if (body_.size() >= mark.size() && body_.compare(body_.size() - mark.size(), mark.size(), mark) == 0) {
        body_.resize(body_.size() - mark.size());
      }
      start = "\\sect" + start + (pendingBreak_ ? "\\sbkpage" : "\\sbknone");
      pendingBreak_ = false;
    }
    body_ += start + SectionProperties(section);
    lastMark_.reset();
    lastWasTable_ = false;
    if (columns != nullptr) {
      body_ += "\\cols" + std::to_string(columns->breaks.size() + 1) + "\\colsx" + std::to_string(Twips(columns->gap));
    }
    body_ += "\n";
  }

  Frame ColumnFrame(const RtfColumns& columns, size_t index, const RtfSection& section) const {
    const double width = section.width - section.left - section.right;
    const size_t count = columns.breaks.size() + 1;
    const double columnWidth = (width - columns.gap * static_cast<double>(count - 1)) / static_cast<double>(count);
    const double left = section.left + static_cast<double>(index) * (columnWidth + columns.gap);
    return {left, left + columnWidth};
  }

  // \sb from the page's gap to the block above in the same column.
  std::string SpaceBefore(const Box& box) const {
    if (!previousBottom_) return "";
    const double gap = std::clamp(box.y0 - *previousBottom_, 0.0, kLargestSpace);
    return gap >= 0.5 ? "\\sb" + std::to_string(Twips(gap)) : "";
  }

  std::string TakeBreak() {
    if (!pendingBreak_) return "";
    pendingBreak_ = false;
    return "\\pagebb";
  }

  // A paragraph without its \par or \cell: style, break, direction,
  // alignment, indents, spacing, list, and its runs.
  std::string ParagraphRtf(const Paragraph& paragraph, bool continuesList, bool inTable) {
    std::string out = inTable ? "\\pard\\plain\\intbl" : "\\pard\\plain";
    if (paragraph.role == ParagraphRole::kHeading) {
      const int level = std::clamp(paragraph.level, 1, 6);
      out += "\\s" + std::to_string(level) + "\\outlinelevel" + std::to_string(level - 1) + "\\keepn";
    } else if (paragraph.role == ParagraphRole::kCaption) {
      out += "\\s" + std::to_string(kCaptionStyle);
    }
    out += TakeBreak();
    if (paragraph.rightToLeft) out += "\\rtlpar";
    out += AlignmentRtf(paragraph.alignment, paragraph.rightToLeft);
    if (!inTable) out += Indents(paragraph, continuesList);
    out += SpaceBefore(paragraph.box);
    if (paragraph.lines.size() > 1) {
      const double pitch = (paragraph.lines.back().box.y0 - paragraph.lines.front().box.y0) /
                           static_cast<double>(paragraph.lines.size() - 1);
      if (pitch > 0) out += "\\sl" + std::to_string(Twips(pitch)) + "\\slmult0";
    }
    const std::vector<TextRun> runs = FlowRuns(paragraph);
    if (!runs.empty()) {
      // The paragraph mark in the text's font and size, so that an empty
      // line or a wrapped one is as high as the page's.
      out += RtfCharacterFormat(runs.front().style, palette_);
      if (paragraph.role == ParagraphRole::kHeading) {
        std::optional<TextStyle>& look = headingLooks_[static_cast<size_t>(std::clamp(paragraph.level, 1, 6) - 1)];
        if (!look) {
          look = runs.front().style;
          look->link.clear();
        }
      }
    }
    return out + " " + RtfRuns(runs, palette_);
  }

  std::string Indents(const Paragraph& paragraph, bool continuesList) {
    const bool startAligned = paragraph.alignment == Alignment::kStart || paragraph.alignment == Alignment::kJustify;
    // Offsets from the frame's edge where the paragraph's lines start.
    const double lead = paragraph.rightToLeft ? frame_.right - paragraph.box.x1 : paragraph.box.x0 - frame_.left;
    std::string out;
    const char* side = paragraph.rightToLeft ? "\\ri" : "\\li";
    if (paragraph.role == ParagraphRole::kListItem) {
      const long indent = Twips(std::max(0.0, lead));
      out += "\\ls" + std::to_string(lists_.Item(paragraph, continuesList, indent)) + "\\ilvl" +
             std::to_string(RtfLists::LevelOf(paragraph));
      return out + side + std::to_string(indent) + "\\fi" + std::to_string(RtfLists::Hanging(indent));
    }
    if (!startAligned || paragraph.box.width() <= 0) return out;
    if (lead >= kSmallestIndent) out += side + std::to_string(Twips(lead));
    if (paragraph.lines.size() > 1) {
      const Box& first = paragraph.lines.front().box;
      const double firstLine = paragraph.rightToLeft ? paragraph.box.x1 - first.x1 : first.x0 - paragraph.box.x0;
      if (firstLine >= kSmallestIndent) out += "\\fi" + std::to_string(Twips(firstLine));
    }
    return out;
  }

  std::string PictureRtf(const Picture& picture) {
    if (picture.png.empty()) return "";
    const double width = picture.box.width() > 0 ? picture.box.width() : picture.pixelWidth * 0.75;
    const double height = picture.box.height() > 0 ? picture.box.height() : picture.pixelHeight * 0.75;
    std::string out = "{\\pict";
    if (!picture.alt.empty()) {
      out += "{\\*\\picprop{\\sp{\\sn wzDescription}{\\sv " + RtfEscape(picture.alt) + "}}}";
    }
    out += "\\pngblip\\picw" + std::to_string(std::max(1, picture.pixelWidth)) + "\\pich" +
           std::to_string(std::max(1, picture.pixelHeight)) + "\\picwgoal" + std::to_string(Twips(width)) +
           "\\pichgoal" + std::to_string(Twips(height)) + "\n" + Hex(picture.png) + "}";
    return out;
  }

  // A picture in a paragraph of its own, placed across as on the page.
  std::string PictureParagraph(const Picture& picture, bool inTable) {
    std::string out = inTable ? "\\pard\\plain\\intbl" : "\\pard\\plain";
    out += TakeBreak();
    if (!inTable) {
      const double before = picture.box.x0 - frame_.left;
      const double after = frame_.right - picture.box.x1;
      if (before > 6 && std::fabs(before - after) < 3) {
        out += "\\qc";
      } else if (before > 6 && after < kSmallestIndent) {
        out += "\\qr";
      } else if (before >= kSmallestIndent) {
        out += "\\li" + std::to_string(Twips(before));
      }
    }
    out += SpaceBefore(picture.box);
    return out + " " + PictureRtf(picture);
  }

  // A paragraph of the flow, ended; its properties can still take the
  // space that separates it from a table below.
  void AddParagraph(const std::string& rtf) {
    lastMark_ = body_.size() + std::string("\\pard\\plain").size();
    body_ += rtf + "\\par\n";
    lastWasTable_ = false;
  }

  void AddTable(const Table& table) {
    const bool captionAbove = table.caption && table.caption->box.y0 <= table.box.y0;
    if (table.caption && captionAbove) {
      AddParagraph(ParagraphRtf(*table.caption, false, false));
      previousBottom_ = table.caption->box.y1;
    }
    // A table has no space above: the paragraph before it gets it as space
    // below. Two tables in a row need a paragraph between them, or they
    // would be read as one.
    const double gap = previousBottom_ ? std::clamp(table.box.y0 - *previousBottom_, 0.0, kLargestSpace) : 0;
    if (lastMark_ && gap >= 0.5) {
      body_.insert(*lastMark_, "\\sa" + std::to_string(Twips(gap)));
    } else if (lastWasTable_ || (!lastMark_ && gap >= 1)) {
      AddParagraph("\\pard\\plain" + TakeBreak() + "\\sl-" + std::to_string(std::max(20L, Twips(gap))) +
                   "\\slmult0\\fs2 ");
    }
    const RtfTableLayout layout = LayoutTable(table, frame_.left, frame_.right - frame_.left);
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
    const RtfCellContent content = [&](const TableCell* cell) {
      std::vector<std::string> paragraphs;
      if (cell != nullptr) paragraphs = CellParagraphs(*cell);
      if (paragraphs.empty()) paragraphs.push_back("\\pard\\plain\\intbl" + TakeBreak() + emptyMark + " ");
      return paragraphs;
    };
    const std::string rows = RtfTable(table, layout, palette_, content);
    body_ += rows;
    lastMark_.reset();
    lastWasTable_ = true;
    if (table.caption && !captionAbove) {
      previousBottom_ = BlockEnd(table).second;
      AddParagraph(ParagraphRtf(*table.caption, false, false));
    }
  }

  // A cell's paragraphs and pictures, top to bottom.
  std::vector<std::string> CellParagraphs(const TableCell& cell) {
    std::vector<std::pair<double, std::string>> parts;
    previousBottom_.reset();
    bool list = false;
    for (const Paragraph& paragraph : cell.paragraphs) {
      parts.emplace_back(paragraph.box.y0, ParagraphRtf(paragraph, list, true));
      list = paragraph.role == ParagraphRole::kListItem;
      previousBottom_ = paragraph.box.y1;
    }
    previousBottom_.reset();
    for (const Picture& picture : cell.pictures) parts.emplace_back(picture.box.y0, PictureParagraph(picture, true));
    std::stable_sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> out;
    for (auto& part : parts) out.push_back(std::move(part.second));
    return out;
  }

  const Document& document_;
  std::vector<RtfSection> sections_;
  std::vector<RtfColumns> columns_;
  RtfPalette palette_;
  RtfLists lists_;
  std::array<std::optional<TextStyle>, 6> headingLooks_;
  Frame frame_;
  int previousPage_ = -1;
  std::optional<double> previousBottom_;
  bool previousWasListItem_ = false;
  bool pendingBreak_ = false;
  std::string body_;
  std::optional<size_t> lastMark_;  ///< where the last flow paragraph's properties can take more
  bool lastWasTable_ = false;
};

}  // namespace

std::vector<RtfSection> RtfSections(const Document& document) {
  std::vector<RtfSection> sections;
  std::vector<std::vector<const PageFrame*>> pages;  // of each section
  for (const PageFrame& page : document.pages) {
    const double width = page.width > 0 ? page.width : 612;
    const double height = page.height > 0 ? page.height : 792;
    if (sections.empty() || std::fabs(sections.back().width - width) > 1 ||
        std::fabs(sections.back().height - height) > 1) {
      RtfSection section;
      section.firstPage = section.endPage = static_cast<int>(&page - document.pages.data());
      section.width = width;
      section.height = height;
      sections.push_back(section);
      pages.emplace_back();
    }
    ++sections.back().endPage;
    if (page.textArea.width() > 0 && page.textArea.height() > 0) pages.back().push_back(&page);
  }
  if (sections.empty()) sections.emplace_back();
  for (size_t s = 0; s < pages.size(); ++s) {
    RtfSection& section = sections[s];
    if (pages[s].empty()) continue;  // no content says anything of the margins
    // The margins around the largest text area among the pages. A page's
    // content may end short of its right or bottom margin (ragged lines, the
    // last page), so the right margin is at most the left one, and the
    // bottom one comes from pages that the next page continues, or is at
    // most the top one when there are none.
    section.left = section.top = section.right = section.bottom = 1e9;
    for (size_t k = 0; k < pages[s].size(); ++k) {
      const Box& area = pages[s][k]->textArea;
      section.left = std::min(section.left, std::max(0.0, area.x0));
      section.top = std::min(section.top, std::max(0.0, area.y0));
      section.right = std::min(section.right, std::max(0.0, section.width - area.x1));
      if (k + 1 < pages[s].size() || pages[s].size() == 1) {
        section.bottom = std::min(section.bottom, std::max(0.0, section.height - area.y1));
      }
    }
    section.right = std::min(section.right, section.left);
    if (pages[s].size() == 1) section.bottom = std::min(section.bottom, section.top);
  }
  return sections;
}

std::vector<RtfColumns> FindColumns(const Document& document) {
  std::vector<RtfColumns> found;
  const std::vector<Block>& blocks = document.blocks;
  // Whether b continues a page's reading order in the next column: it
  // starts above the bottom of a, on its page, wholly to its right.
  const auto jumps = [&](size_t a, size_t b) {
    if (!IsFlow(blocks[a]) || !IsFlow(blocks[b]) || BlockPage(blocks[a]) != BlockPage(blocks[b])) return false;
    if (std::holds_alternative<Table>(blocks[a]) && BlockEnd(blocks[a]).first != BlockPage(blocks[a])) return false;
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
    RtfColumns columns;
    columns.first = first;
    columns.breaks.push_back(i);
    double columnLeft = top.x0;
    double lastRight = top.x1;
    size_t end = i + 1;
    while (end < blocks.size() && IsFlow(blocks[end]) && BlockPage(blocks[end]) == page) {
      const Box box = BlockBox(blocks[end]);
      if (jumps(end - 1, end)) {
        columns.breaks.push_back(end);
        columnLeft = box.x0;
        lastRight = box.x1;
      } else if (box.x0 >= columnLeft - 2) {
        lastRight = std::max(lastRight, box.x1);
      } else {
        break;
      }
      ++end;
    }
    columns.end = end;
    double firstLeft = BlockBox(blocks[first]).x0;
    for (size_t k = first; k < columns.breaks.front(); ++k) firstLeft = std::min(firstLeft, BlockBox(blocks[k]).x0);
    // Columns of one width: their pitch less the last one's width.
    const double count = static_cast<double>(columns.breaks.size());
    const double pitch = (columnLeft - firstLeft) / count;
    columns.gap = std::clamp(pitch - (lastRight - columnLeft), 6.0, 72.0);
    found.push_back(columns);
    i = end + 1;
  }
  return found;
}

std::string RtfDocument(const Document& document) { return RtfWriter(document).Run(); }

bool WriteRtf(const ExportJob& job, std::string& error) {
  const std::optional<Document> document = ReadDocument(job.input, job.pages, error);
  if (!document) return false;
  return WriteWholeFile(job.outputs.path(0), RtfDocument(*document), error);
}

}  // namespace zembra::exporter
