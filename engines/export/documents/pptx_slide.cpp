#include "engines/export/documents/pptx_slide.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cwctype>
#include <map>

#include "engines/export/documents/spreadsheet_xml.h"
#include "engines/export/documents/utf8.h"
#include "engines/export/poppler_core.h"

namespace zembra::exporter {

namespace {

// How far below its baseline presentation programs end the cell of a line,
// in ems of its text.
constexpr double kCellDescent = 0.2;

Box Union(const Box& a, const Box& b) {
  return {std::min(a.x0, b.x0), std::min(a.y0, b.y0), std::max(a.x1, b.x1), std::max(a.y1, b.y1)};
}

void Flush(TextPiece& piece, int page, std::vector<PageContent>& pages) {
  if (!piece.lines.empty() && page >= 0 && page < static_cast<int>(pages.size())) {
    piece.box = piece.lines.front()->box;
    for (const TextLine* line : piece.lines) piece.box = Union(piece.box, line->box);
    pages[static_cast<size_t>(page)].texts.push_back(piece);
  }
  piece.lines.clear();
}

// A paragraph shows on each page it has lines on: a piece there.
void AddParagraph(const Paragraph& paragraph, std::vector<PageContent>& pages) {
  TextPiece piece;
  piece.paragraph = &paragraph;
  piece.opens = true;
  int page = paragraph.lines.empty() ? paragraph.page : paragraph.lines.front().page;
  for (const TextLine& line : paragraph.lines) {
    if (line.page != page) {
      Flush(piece, page, pages);
      piece.opens = false;
      page = line.page;
    }
    piece.lines.push_back(&line);
  }
  Flush(piece, page, pages);
}

void AddPicture(const Picture& picture, std::vector<PageContent>& pages) {
  if (picture.page >= 0 && picture.page < static_cast<int>(pages.size()) && !picture.png.empty()) {
    pages[static_cast<size_t>(picture.page)].pictures.push_back(&picture);
  }
}

std::string Str(long value) { return std::to_string(value); }

// Text as XML can hold it: valid UTF-8, no control characters but the tab;
// line breaks are the text box's, so breaks in the text become blanks.
std::string CleanText(const std::string& text) {
  std::string clean;
  for (const char32_t c : DecodeUtf8(text)) {
    if (c == '\n' || c == '\r' || c == '\v' || c == '\f' || c == 0x2028 || c == 0x2029) {
      clean += ' ';
    } else if ((c >= 0x20 && c != 0x7f && c != 0xfffe && c != 0xffff) || c == '\t') {
      AppendUtf8(clean, static_cast<unsigned int>(c));
    }
  }
  return clean;
}

std::string Hex(const Rgb& color) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X%02X%02X", color.r, color.g, color.b);
  return text;
}

// What a text box holds, as its name shows in the selection list: a
// heading by its level, others by their role and the shape's number.
std::string ShapeName(const Paragraph& paragraph, const std::string& id) {
  switch (paragraph.role) {
    case ParagraphRole::kHeading:
      return "Heading " + std::to_string(std::clamp(paragraph.level, 1, 6));
    case ParagraphRole::kListItem:
      return "List item " + id;
    case ParagraphRole::kCaption:
      return "Caption " + id;
    case ParagraphRole::kArtifact:
      return "Page header or footer " + id;
    case ParagraphRole::kBody:
      break;
  }
  return "Text " + id;
}

// The relationships of one slide, numbered in the order they are asked for;
// a hyperlink used twice is one relationship.
class Relationships {
 public:
  Relationships() { Add("slideLayout", "../slideLayouts/slideLayout1.xml"); }

  std::string Add(const std::string& type, const std::string& target, bool external = false) {
    const std::string id = "rId" + std::to_string(++count_);
    xml_ += RelationshipXml(id, type, target, external);
    return id;
  }

  std::string Hyperlink(const std::string& target) {
    const auto known = links_.find(target);
    if (known != links_.end()) return known->second;
    return links_[target] = Add("hyperlink", target, true);
  }

  std::string Xml() const { return RelationshipsXml(xml_); }

 private:
  int count_ = 0;
  std::string xml_;
  std::map<std::string, std::string> links_;
};

class SlideWriter {
 public:
  SlideWriter(const Placement& placement, const std::string& language) : placement_(placement), language_(language) {}

  void Picture(const std::string& media, const Box& box, const std::string& name, const std::string& alt, bool fixed) {
    const std::string id = relationships_.Add("image", media);
    shapes_ += "<p:pic><p:nvPicPr><p:cNvPr id=\"" + Str(++shapeId_) + "\" name=\"" + XmlEscape(name) + "\"" +
               (alt.empty() ? "" : " descr=\"" + XmlEscape(CleanText(alt)) + "\"") + "/><p:cNvPicPr><a:picLocks" +
               (fixed ? " noMove=\"1\" noResize=\"1\"" : "") +
               " noChangeAspect=\"1\"/></p:cNvPicPr><p:nvPr/></p:nvPicPr><p:blipFill><a:blip r:embed=\"" + id +
               "\"/><a:stretch><a:fillRect/></a:stretch></p:blipFill><p:spPr>" + Xfrm(box) +
               "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom></p:spPr></p:pic>";
  }

  void Text(const TextPiece& piece) {
    const Paragraph& paragraph = *piece.paragraph;
    std::string body;
    double lastSize = 0;
    bool any = false;
    for (size_t i = 0; i < piece.lines.size(); ++i) {
      if (i > 0) body += "<a:br>" + RunProperties(lastSize, nullptr, "a:rPr") + "</a:br>";
      const std::vector<TextRun>& runs = piece.lines[i]->runs;
      // Blanks at either end of a printed line would shift it in the box.
      size_t first = 0, last = runs.size();
      while (first < last && Blank(runs[first].text)) ++first;
      while (last > first && Blank(runs[last - 1].text)) --last;
      for (size_t r = first; r < last; ++r) {
        std::string text = CleanText(runs[r].text);
        if (r == first) text.erase(0, text.find_first_not_of(" \t"));
        if (r + 1 == last) text.erase(text.find_last_not_of(" \t") + 1);
        lastSize = runs[r].style.size;
        if (text.empty()) continue;
        any = true;
        body += "<a:r>" + RunProperties(runs[r].style.size, &runs[r].style, "a:rPr") + "<a:t>" + XmlEscape(text) +
                "</a:t></a:r>";
      }
    }
    if (!any) return;
    // Presentation programs set each line of a fixed spacing in a cell of
    // that height, also the first line, its baseline a fifth of its font
    // size above the cell's bottom; a single line of the font's own spacing
    // too, whatever the font's ascent and descent. The text is anchored at
    // the frame's bottom, the last line's cell's, and the frame starts a
    // pitch above the first line's cell's bottom.
    Box frame = piece.box;
    const double pitch = Pitch(piece);
    frame.y1 = CellBottom(piece, piece.lines.size() - 1);
    frame.y0 = pitch > 0 ? CellBottom(piece, 0) - pitch : std::min(frame.y0, frame.y1 - LineSize(*piece.lines[0]));
    // A bullet stands before the text, where the label was printed.
    const std::optional<ListBullet> bullet = piece.opens ? BulletOf(paragraph) : std::nullopt;
    if (bullet) frame.x0 = std::min(frame.x0, piece.lines.front()->box.x0 - bullet->indent);
    const std::string id = Str(++shapeId_);
    shapes_ += "<p:sp><p:nvSpPr><p:cNvPr id=\"" + id + "\" name=\"" + ShapeName(paragraph, id) +
               "\"/><p:cNvSpPr txBox=\"1\"/><p:nvPr/></p:nvSpPr><p:spPr>" + Xfrm(frame) +
               "<a:prstGeom prst=\"rect\"><a:avLst/></a:prstGeom><a:noFill/></p:spPr><p:txBody>"
               "<a:bodyPr wrap=\"none\" lIns=\"0\" tIns=\"0\" rIns=\"0\" bIns=\"0\" rtlCol=\"0\" anchor=\"b\">"
               "<a:noAutofit/></a:bodyPr><a:lstStyle/><a:p>" +
               ParagraphProperties(piece, frame, bullet) + body + RunProperties(lastSize, nullptr, "a:endParaRPr") +
               "</a:p></p:txBody></p:sp>";
  }

  SlideParts Finish() const {
    SlideParts parts;
    parts.xml = std::string(kXmlHead) + "<p:sld" + kPresentationNamespaces + "><p:cSld><p:spTree>" + kShapeTreeHead +
                shapes_ + "</p:spTree></p:cSld><p:clrMapOvr><a:masterClrMapping/></p:clrMapOvr></p:sld>";
    parts.relationships = relationships_.Xml();
    return parts;
  }

 private:
  long Emu(double points) const { return std::lround(points * placement_.scale); }

  std::string Xfrm(const Box& box) const {
    const long cx = std::max(1L, Emu(box.width())), cy = std::max(1L, Emu(box.height()));
    return "<a:xfrm><a:off x=\"" + Str(placement_.offsetX + Emu(box.x0)) + "\" y=\"" +
           Str(placement_.offsetY + Emu(box.y0)) + "\"/><a:ext cx=\"" + Str(cx) + "\" cy=\"" + Str(cy) +
           "\"/></a:xfrm>";
  }

  // Hundredths of a point on the slide, within what the format allows.
  long Hundredths(double points) const {
    return std::clamp(std::lround(points * placement_.scale / kEmuPerPoint * 100), 100L, 400000L);
  }

  // The size of a line's largest text.
  static double LineSize(const TextLine& line) {
    double size = 0;
    for (const TextRun& run : line.runs) size = std::max(size, run.style.size);
    return size;
  }

  // Where the cell of a line ends: a fifth of its size below its baseline,
  // or without a baseline the bottom of its box.
  static double CellBottom(const TextPiece& piece, size_t line) {
    const double baseline = line < piece.baselines.size() ? piece.baselines[line] : NAN;
    return std::isfinite(baseline) ? baseline + kCellDescent * LineSize(*piece.lines[line]) : piece.lines[line]->box.y1;
  }

  // The distance of a paragraph's printed lines (of their cells' bottoms,
  // which keep the baselines' distance), set as a fixed line spacing; 0 for
  // a single line, which keeps the font's own.
  static double Pitch(const TextPiece& piece) {
    if (piece.lines.size() < 2) return 0;
    const double pitch = (CellBottom(piece, piece.lines.size() - 1) - CellBottom(piece, 0)) /
                         static_cast<double>(piece.lines.size() - 1);
    return pitch > 0 ? pitch : 0;
  }

  static bool Blank(const std::string& text) { return text.find_first_not_of(" \t") == std::string::npos; }

  std::string ParagraphProperties(const TextPiece& piece, const Box& frame,
                                  const std::optional<ListBullet>& bullet) const {
    const Paragraph& paragraph = *piece.paragraph;
    std::string attributes;
    const bool rtl = paragraph.rightToLeft;
    switch (paragraph.alignment) {
      case Alignment::kCenter:
        attributes += " algn=\"ctr\"";
        break;
      case Alignment::kEnd:
        attributes += rtl ? " algn=\"l\"" : " algn=\"r\"";
        break;
      case Alignment::kJustify:
        attributes += " algn=\"just\"";
        break;
      case Alignment::kStart:
        attributes += rtl ? " algn=\"r\"" : " algn=\"l\"";
        break;
    }
    // Lines of a left-aligned paragraph keep their indents: the first
    // line's, and the others' (a hanging one); a bullet hangs before the
    // first line's text.
    const bool left = !rtl && (paragraph.alignment == Alignment::kStart || paragraph.alignment == Alignment::kJustify);
    if (left && (piece.lines.size() > 1 || bullet)) {
      const double first = piece.lines[0]->box.x0;
      double rest = piece.lines.size() > 1 ? piece.lines[1]->box.x0 : first;
      for (size_t i = 2; i < piece.lines.size(); ++i) rest = std::min(rest, piece.lines[i]->box.x0);
      const long margin = Emu((bullet ? first : rest) - frame.x0);
      const long indent = bullet ? -Emu(bullet->indent) : Emu(first - frame.x0) - margin;
      if (margin != 0) attributes += " marL=\"" + Str(margin) + "\"";
      if (indent != 0) attributes += " indent=\"" + Str(indent) + "\"";
    }
    if (rtl) attributes += " rtl=\"1\"";
    std::string spacing;
    const double pitch = Pitch(piece);
    if (pitch > 0) {
      // Hundredths of a point again, up to the format's largest spacing.
      const long value = std::clamp(std::lround(pitch * placement_.scale / kEmuPerPoint * 100), 0L, 158400L);
      spacing = "<a:lnSpc><a:spcPts val=\"" + Str(value) + "\"/></a:lnSpc>";
    }
    return "<a:pPr" + attributes + ">" + spacing +
           "<a:spcBef><a:spcPts val=\"0\"/></a:spcBef><a:spcAft><a:spcPts val=\"0\"/></a:spcAft>" +
           (bullet ? bullet->xml : std::string("<a:buNone/>")) + "</a:pPr>";
  }

  // A run's properties; style null for a line break or a paragraph's end,
  // which only need the size.
  std::string RunProperties(double size, const TextStyle* style, const char* element) {
    std::string xml = std::string("<") + element;
    if (!language_.empty()) xml += " lang=\"" + XmlEscape(language_) + "\"";
    if (size > 0) xml += " sz=\"" + Str(Hundredths(size)) + "\"";
    if (style == nullptr) return xml + " dirty=\"0\"/>";
    xml += std::string(" b=\"") + (style->bold ? "1" : "0") + "\" i=\"" + (style->italic ? "1" : "0") + "\"";
    if (style->underline) xml += " u=\"sng\"";
    const std::string face = XmlEscape(CleanText(OfficeFontFamily(*style)));
    xml += " dirty=\"0\"><a:solidFill><a:srgbClr val=\"" + Hex(style->color) +
           "\"/></a:solidFill><a:latin typeface=\"" + face + "\"/><a:ea typeface=\"" + face + "\"/><a:cs typeface=\"" +
           face + "\"/>";
    const std::string target = ExternalLinkTarget(style->link);
    if (!target.empty()) xml += "<a:hlinkClick r:id=\"" + relationships_.Hyperlink(target) + "\"/>";
    return xml + "</" + element + ">";
  }

  Placement placement_;
  std::string language_;
  Relationships relationships_;
  std::string shapes_;
  long shapeId_ = 1;  // 1 is the shape tree's own
};

// A roman numeral's value; 0 when the text is none.
int RomanValue(const std::string& text) {
  static const std::string kDigits = "ivxlcdm";
  static const int kValues[] = {1, 5, 10, 50, 100, 500, 1000};
  int value = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t digit = kDigits.find(static_cast<char>(std::tolower(static_cast<unsigned char>(text[i]))));
    if (digit == std::string::npos) return 0;
    const size_t next = i + 1 < text.size()
                            ? kDigits.find(static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1]))))
                            : std::string::npos;
    value += next != std::string::npos && kValues[next] > kValues[digit] ? -kValues[digit] : kValues[digit];
  }
  return value;
}

// The numbering scheme and first number of an ordered label ("3.", "b)",
// "iv."); empty when it is none.
std::pair<std::string, long> Numbering(const std::string& label) {
  if (label.size() < 2 || label.size() > 8) return {"", 0};
  const char end = label.back();
  if (end != '.' && end != ')') return {"", 0};
  const std::string body = label.substr(0, label.size() - 1);
  const std::string suffix = end == '.' ? "Period" : "ParenR";
  const auto all = [&](int (*test)(int)) {
    return std::all_of(body.begin(), body.end(), [&](char c) { return test(static_cast<unsigned char>(c)) != 0; });
  };
  if (all(isdigit)) return {"arabic" + suffix, std::stol(body)};
  if (body.size() == 1 && std::isalpha(static_cast<unsigned char>(body[0]))) {
    const bool lower = std::islower(static_cast<unsigned char>(body[0]));
    return {std::string(lower ? "alphaLc" : "alphaUc") + suffix,
            std::tolower(static_cast<unsigned char>(body[0])) - 'a' + 1};
  }
  const bool lower = all(islower), upper = all(isupper);
  if ((lower || upper) && RomanValue(body) > 0) {
    return {std::string(lower ? "romanLc" : "romanUc") + suffix, RomanValue(body)};
  }
  return {"", 0};
}

}  // namespace

std::optional<ListBullet> BulletOf(const Paragraph& paragraph) {
  if (paragraph.role != ParagraphRole::kListItem || paragraph.rightToLeft || paragraph.lines.empty() ||
      paragraph.lines.front().runs.empty()) {
    return std::nullopt;
  }
  std::string label = CleanText(paragraph.label);
  label.erase(0, label.find_first_not_of(' '));
  label.erase(label.find_last_not_of(' ') + 1);
  const double em = paragraph.lines.front().runs.front().style.size;
  if (label.empty() || em <= 0) return std::nullopt;
  // Browsers set the label and a blank before the text; the widths are
  // those of common text faces, in ems.
  ListBullet bullet;
  const std::vector<char32_t> symbols = DecodeUtf8(label);
  const auto [scheme, start] = Numbering(label);
  if (!scheme.empty()) {
    bullet.xml = "<a:buFontTx/><a:buAutoNum type=\"" + scheme + "\"" +
                 (start != 1 ? " startAt=\"" + std::to_string(start) + "\"" : std::string()) + "/>";
    bullet.indent = em * (0.6 * static_cast<double>(label.size() - 1) + 0.3 + 0.3);
  } else if (symbols.size() == 1 && !std::iswalnum(static_cast<wint_t>(symbols[0]))) {
    bullet.xml = "<a:buFontTx/><a:buChar char=\"" + XmlEscape(label) + "\"/>";
    bullet.indent = em * 1.1;
  } else {
    return std::nullopt;
  }
  return bullet;
}

std::vector<PageContent> ContentByPage(const Document& document) {
  std::vector<PageContent> pages(document.pages.size());
  for (const Block& block : document.blocks) {
    if (const auto* paragraph = std::get_if<Paragraph>(&block)) {
      AddParagraph(*paragraph, pages);
    } else if (const auto* picture = std::get_if<Picture>(&block)) {
      AddPicture(*picture, pages);
    } else if (const auto* table = std::get_if<Table>(&block)) {
      if (table->caption) AddParagraph(*table->caption, pages);
      for (const TableCell& cell : table->cells) {
        for (const Paragraph& inside : cell.paragraphs) AddParagraph(inside, pages);
        for (const Picture& inside : cell.pictures) AddPicture(inside, pages);
      }
    }
  }
  return pages;
}

void SetPrinted(PageContent& content, const std::vector<PrintedLine>& printed) {
  size_t next = 0;
  std::vector<TextPiece> shown;
  for (const TextPiece& piece : content.texts) {
    TextPiece kept = piece;
    kept.lines.clear();
    kept.baselines.clear();
    for (const TextLine* line : piece.lines) {
      const PrintedLine seen = next < printed.size() ? printed[next] : PrintedLine();
      ++next;
      if (seen.sideways) continue;
      kept.lines.push_back(line);
      kept.baselines.push_back(seen.baseline);
    }
    if (kept.lines.empty()) continue;
    kept.opens = piece.opens && kept.lines.front() == piece.lines.front();
    kept.box = kept.lines.front()->box;
    for (const TextLine* line : kept.lines) kept.box = Union(kept.box, line->box);
    shown.push_back(std::move(kept));
  }
  content.texts = std::move(shown);
}

BackgroundCutouts CutoutsOf(const PageContent& content) {
  BackgroundCutouts cutouts;
  for (const TextPiece& piece : content.texts) {
    for (const TextLine* line : piece.lines) {
      cutouts.text.push_back(line->box);
      const auto underlined = [](const TextRun& run) { return run.style.underline; };
      if (std::any_of(line->runs.begin(), line->runs.end(), underlined)) cutouts.underlined.push_back(line->box);
    }
    // The printed label, glyphs or a drawn disc, in the space the bullet
    // takes before the first line and a little more.
    const std::optional<ListBullet> bullet = piece.opens ? BulletOf(*piece.paragraph) : std::nullopt;
    if (bullet) {
      const Box& first = piece.lines.front()->box;
      const double em = piece.paragraph->lines.front().runs.front().style.size;
      cutouts.pictures.push_back({first.x0 - bullet->indent - em / 2, first.y0, first.x0 - 0.1, first.y1});
    }
  }
  for (const Picture* picture : content.pictures) cutouts.pictures.push_back(picture->box);
  return cutouts;
}

SlideParts BuildSlide(const PageContent& content, const Placement& placement, const SlideMedia& media,
                      const std::string& language) {
  SlideWriter slide(placement, language);
  // Back to front: what the page shows behind, the pictures, the text.
  if (!media.background.empty()) {
    const double width = placement.scale > 0 ? static_cast<double>(placement.cx) / placement.scale : 0;
    const double height = placement.scale > 0 ? static_cast<double>(placement.cy) / placement.scale : 0;
    slide.Picture(media.background, {0, 0, width, height}, "Page background", "", true);
  }
  for (size_t i = 0; i < content.pictures.size() && i < media.pictures.size(); ++i) {
    const Picture& picture = *content.pictures[i];
    slide.Picture(media.pictures[i], picture.box, "Picture " + std::to_string(i + 1), picture.alt, false);
  }
  for (const TextPiece& piece : content.texts) slide.Text(piece);
  return slide.Finish();
}

std::string ExternalLinkTarget(const std::string& link) {
  // A scheme: a letter, then letters, digits, "+", "-" or ".", then ":".
  const size_t colon = link.find(':');
  if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(link[0]))) return "";
  std::string scheme;
  for (size_t i = 0; i < colon; ++i) {
    const char c = link[i];
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return "";
    scheme += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  if (scheme == "javascript" || scheme == "vbscript" || scheme == "data") return "";
  static const std::string kKept =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~:/?#[]@!$&'()*+,;=%";
  std::string target;
  for (const char c : link) {
    if (kKept.find(c) != std::string::npos) {
      target += c;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", static_cast<unsigned char>(c));
      target += escaped;
    }
  }
  return target;
}

}  // namespace zembra::exporter
