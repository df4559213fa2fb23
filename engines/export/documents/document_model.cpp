#include "engines/export/documents/document_model.h"

namespace zembra::exporter {

namespace {

// The last and the first code point of UTF-8 text; 0 for none.
unsigned int LastCodePoint(const std::string& text) {
  size_t start = text.size();
  while (start > 0 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) --start;
  if (start == 0) return 0;
  --start;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data() + start);
  const size_t length = text.size() - start;
  if (p[0] < 0x80) return p[0];
  if ((p[0] & 0xE0) == 0xC0 && length >= 2) return ((p[0] & 0x1Fu) << 6) | (p[1] & 0x3Fu);
  if ((p[0] & 0xF0) == 0xE0 && length >= 3) return ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
  if ((p[0] & 0xF8) == 0xF0 && length >= 4)
    return ((p[0] & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
  return 0;
}

unsigned int FirstCodePoint(const std::string& text) {
  if (text.empty()) return 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const size_t length = text.size();
  if (p[0] < 0x80) return p[0];
  if ((p[0] & 0xE0) == 0xC0 && length >= 2) return ((p[0] & 0x1Fu) << 6) | (p[1] & 0x3Fu);
  if ((p[0] & 0xF0) == 0xE0 && length >= 3) return ((p[0] & 0x0Fu) << 12) | ((p[1] & 0x3Fu) << 6) | (p[2] & 0x3Fu);
  if ((p[0] & 0xF8) == 0xF0 && length >= 4)
    return ((p[0] & 0x07u) << 18) | ((p[1] & 0x3Fu) << 12) | ((p[2] & 0x3Fu) << 6) | (p[3] & 0x3Fu);
  return 0;
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

std::string FlowText(const Paragraph& paragraph) {
  std::string text;
  for (const TextRun& run : FlowRuns(paragraph)) text += run.text;
  return text;
}

}  // namespace zembra::exporter
