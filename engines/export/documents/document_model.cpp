#include "engines/export/documents/document_model.h"

#include "engines/common/files.h"
#include "engines/export/documents/utf8.h"

namespace zembra::exporter {

namespace {

// The first and the last code point of UTF-8 text; 0 for none.
unsigned int FirstCodePoint(const std::string& text) {
  size_t end = text.empty() ? 0 : 1;
  while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
  const std::vector<char32_t> first = DecodeUtf8(text.substr(0, end));
  return first.empty() ? 0 : first.front();
}

unsigned int LastCodePoint(const std::string& text) {
  size_t start = text.size();
  while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
  if (start > 0) --start;
  const std::vector<char32_t> last = DecodeUtf8(text.substr(start));
  return last.empty() ? 0 : last.back();
}

// Scripts written without spaces between words: a line break between two of
// their characters joins them without a blank.
bool WrittenWithoutSpaces(unsigned int c) {
  return (c >= 0x3000 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFF00 && c <= 0xFFEF) || (c >= 0x20000 && c <= 0x2FFFF);
}

bool IsLetter(unsigned int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0xC0; }

}  // namespace

int BlockPage(const Block& block) {
  return std::visit([](const auto& b) { return b.page; }, block);
}

std::vector<TextRun> FlowRuns(const Paragraph& paragraph) {
  std::vector<TextRun> runs;
  auto append = [&runs](const TextRun& run) {
    if (run.text.empty()) return;
    if (!runs.empty() && runs.back().style == run.style) {
      runs.back().text += run.text;
    } else {
      runs.push_back(run);
    }
  };
  std::string before;  // the text so far, for the join decision
  for (const TextLine& line : paragraph.lines) {
    std::string lineText;
    for (const TextRun& run : line.runs) lineText += run.text;
    if (lineText.empty()) continue;
    if (!before.empty()) {
      const unsigned int last = LastCodePoint(before);
      const unsigned int first = FirstCodePoint(lineText);
      // A line broken after a hyphen ("well-" / "known") joins without a
      // blank and keeps the hyphen: pages are not hyphenated unless they ask
      // for it, so the hyphen is most likely the word's own.
      const bool afterHyphen = before.size() >= 2 && before.back() == '-' && IsLetter(first) &&
                               IsLetter(LastCodePoint(before.substr(0, before.size() - 1)));
      const bool spaced = before.back() == ' ' || lineText.front() == ' ';
      if (!afterHyphen && !spaced && !(WrittenWithoutSpaces(last) && WrittenWithoutSpaces(first))) {
        TextRun blank{" ", runs.empty() ? line.runs.front().style : runs.back().style};
        append(blank);
        before += ' ';
      }
    }
    for (const TextRun& run : line.runs) append(run);
    before += lineText;
  }
  return runs;
}

bool FontNameIsBold(const std::string& fontName) {
  const std::string name = AsciiLower(fontName);
  for (const char* mark : {"bold", "black", "heavy", "semibold", "demi"}) {
    if (name.find(mark) != std::string::npos) return true;
  }
  return false;
}

bool FontNameIsItalic(const std::string& fontName) {
  const std::string name = AsciiLower(fontName);
  return name.find("italic") != std::string::npos || name.find("oblique") != std::string::npos;
}

FontKind FontKindOf(const std::string& fontName) {
  const std::string name = AsciiLower(fontName);
  const auto has = [&](const char* part) { return name.find(part) != std::string::npos; };
  if (has("mono") || has("courier") || has("consol") || has("typewriter")) return FontKind::kMono;
  if ((has("serif") && !has("sans")) || has("times") || has("georgia") || has("garamond") || has("cambria") ||
      has("roman") || has("minion") || has("palatino") || has("bookman")) {
    return FontKind::kSerif;
  }
  return FontKind::kSans;
}

std::string GenericFontFamily(const std::string& family, FontKind kind) {
  if (!family.empty()) return family;
  switch (kind) {
    case FontKind::kSerif:
      return "Times New Roman";
    case FontKind::kMono:
      return "Courier New";
    case FontKind::kSans:
      break;
  }
  return "Arial";
}

std::string OfficeFontFamily(const TextStyle& style) { return GenericFontFamily(style.fontFamily, style.kind); }

std::string FlowText(const Paragraph& paragraph) {
  std::string text;
  for (const TextRun& run : FlowRuns(paragraph)) text += run.text;
  return text;
}

}  // namespace zembra::exporter
