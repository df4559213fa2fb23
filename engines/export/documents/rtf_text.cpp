#include "engines/export/documents/rtf_text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "engines/common/files.h"
#include "engines/export/documents/utf8.h"

namespace zembra::exporter {

namespace {

void AppendUnicode(std::string& out, unsigned value) {
  out += "\\u" + std::to_string(static_cast<int16_t>(static_cast<uint16_t>(value))) + "?";
}

bool IsRightToLeft(char32_t c) {
  return (c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE70 && c <= 0xFEFF);
}

bool IsEastAsian(char32_t c) {
  return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
         (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// What a font table entry's name may hold: the entry ends at ";" and braces
// or backslashes would break the group.
std::string FontName(const std::string& family, FontKind kind) {
  std::string name;
  for (char c : family) {
    if (c == ';' || c == '{' || c == '}' || c == '\\' || static_cast<unsigned char>(c) < 0x20) continue;
    name += c;
  }
  while (!name.empty() && name.back() == ' ') name.pop_back();
  while (!name.empty() && name.front() == ' ') name.erase(0, 1);
  return GenericFontFamily(name, kind);
}

// Half-points, as \fs wants them; 12 pt when the size is unknown.
long HalfPoints(double points) { return points > 0 ? std::max(2L, std::lround(points * 2)) : 24; }

// A link address as a quoted field argument: a quote or a backslash would
// end or escape it, so both are percent-encoded.
std::string FieldAddress(const std::string& address) {
  std::string safe;
  for (char c : address) {
    if (c == '"') {
      safe += "%22";
    } else if (c == '\\') {
      safe += "%5C";
    } else {
      safe += c;
    }
  }
  return RtfEscape(safe);
}

}  // namespace

std::string RtfEscape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
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

long Twips(double points) { return std::lround(points * 20); }

int RtfPalette::Font(const std::string& family, FontKind kind) {
  const std::string name = FontName(family, kind);
  const std::string key = AsciiLower(name);
  for (size_t i = 0; i < fonts_.size(); ++i) {
    if (AsciiLower(fonts_[i].name) == key) return static_cast<int>(i);
  }
  fonts_.push_back({name, kind});
  return static_cast<int>(fonts_.size() - 1);
}

int RtfPalette::Color(Rgb color) {
  const auto known = std::find(colors_.begin(), colors_.end(), color);
  if (known != colors_.end()) return static_cast<int>(known - colors_.begin()) + 1;
  colors_.push_back(color);
  return static_cast<int>(colors_.size());
}

std::string RtfPalette::FontTable() const {
  std::string out = "{\\fonttbl";
  // A document without text still needs a font 0 for \deff0.
  const std::vector<FontEntry> fonts = fonts_.empty() ? std::vector<FontEntry>{{"Arial", FontKind::kSans}} : fonts_;
  for (size_t i = 0; i < fonts.size(); ++i) {
    const char* family = fonts[i].kind == FontKind::kSerif  ? "\\froman"
                         : fonts[i].kind == FontKind::kMono ? "\\fmodern"
                                                            : "\\fswiss";
    const char* pitch = fonts[i].kind == FontKind::kMono ? "\\fprq1" : "\\fprq2";
    out += "{\\f" + std::to_string(i) + family + "\\fcharset0" + pitch + " " + RtfEscape(fonts[i].name) + ";}";
  }
  return out + "}\n";
}

std::string RtfPalette::ColorTable() const {
  std::string out = "{\\colortbl;";
  for (const Rgb& c : colors_) {
    out += "\\red" + std::to_string(c.r) + "\\green" + std::to_string(c.g) + "\\blue" + std::to_string(c.b) + ";";
  }
  return out + "}\n";
}

std::string RtfCharacterFormat(const TextStyle& style, RtfPalette& palette, bool rightToLeft, bool eastAsian) {
  const std::string font = std::to_string(palette.Font(style.fontFamily, style.kind));
  const std::string size = std::to_string(HalfPoints(style.size));
  std::string out;
  // \af sets the font of the script class the preceding \rtlch or \dbch
  // chose; \ltrch\loch then return to the Latin slot that \f sets.
  if (rightToLeft) {
    out += "\\rtlch\\af" + font + "\\afs" + size;
    if (style.bold) out += "\\ab";
    if (style.italic) out += "\\ai";
  }
  if (eastAsian) out += "\\dbch\\af" + font;
  if (rightToLeft || eastAsian) out += "\\ltrch\\loch";
  out += "\\f" + font + "\\fs" + size;
  if (style.bold) out += "\\b";
  if (style.italic) out += "\\i";
  if (style.underline) out += "\\ul";
  if (!(style.color == Rgb{})) out += "\\cf" + std::to_string(palette.Color(style.color));
  return out;
}

std::string RtfRuns(const std::vector<TextRun>& runs, RtfPalette& palette, bool rightToLeftParagraph) {
  std::string out;
  for (size_t i = 0; i < runs.size();) {
    const std::string& link = runs[i].style.link;
    size_t end = i + 1;
    while (!link.empty() && end < runs.size() && runs[end].style.link == link) ++end;
    std::string text;
    for (size_t k = i; k < end; ++k) {
      if (runs[k].text.empty()) continue;
      text += "{" +
              RtfCharacterFormat(runs[k].style, palette, rightToLeftParagraph || HasRightToLeftText(runs[k].text),
                                 HasEastAsianText(runs[k].text)) +
              " " + RtfEscape(runs[k].text) + "}";
    }
    if (link.empty()) {
      out += text;
    } else if (!text.empty()) {
      out += "{\\field{\\*\\fldinst{HYPERLINK \"" + FieldAddress(link) + "\"}}{\\fldrslt{" + text + "}}}";
    }
    i = end;
  }
  return out;
}

bool HasRightToLeftText(const std::string& text) {
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return false;
  const std::vector<char32_t> points = DecodeUtf8(text);
  return std::any_of(points.begin(), points.end(), IsRightToLeft);
}

bool HasEastAsianText(const std::string& text) {
  if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return false;
  const std::vector<char32_t> points = DecodeUtf8(text);
  return std::any_of(points.begin(), points.end(), IsEastAsian);
}

}  // namespace zembra::exporter
