#include "engines/export/documents/rtf_lists.h"

#include <cstdio>

#include "engines/export/documents/rtf_text.h"
#include "engines/export/documents/utf8.h"

namespace zembra::exporter {

namespace {

// Text of \leveltext, escaped, with its length in UTF-16 units added to
// count; ";" ends the group, so it is left out, as are control characters.
std::string LevelCharacters(const std::string& text, size_t& count) {
  std::string kept;
  for (char c : text) {
    if (c != ';' && (static_cast<unsigned char>(c) >= 0x20)) kept += c;
  }
  for (char32_t c : DecodeUtf8(kept)) count += c > 0xFFFF ? 2 : 1;
  return RtfEscape(kept);
}

std::string Hex2(size_t value) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "\\'%02x", static_cast<unsigned>(value & 0xFF));
  return buffer;
}

std::string LevelText(const ListLabel& label, int level) {
  size_t count = 0;
  std::string text;
  std::string numbers;
  if (label.format == ListLabel::Format::kBullet) {
    text = LevelCharacters(label.bullet, count);
  } else {
    text = LevelCharacters(label.before, count);
    numbers = Hex2(count + 1);  // where the number stands, from 1
    text += Hex2(static_cast<size_t>(level));
    ++count;
    text += LevelCharacters(label.after, count);
  }
  return "{\\leveltext" + Hex2(count) + text + ";}{\\levelnumbers" + numbers + ";}";
}

}  // namespace

int LevelNumberFormat(ListLabel::Format format) {
  switch (format) {
    case ListLabel::Format::kDecimal:
      return 0;
    case ListLabel::Format::kUpperRoman:
      return 1;
    case ListLabel::Format::kLowerRoman:
      return 2;
    case ListLabel::Format::kUpperLetter:
      return 3;
    case ListLabel::Format::kLowerLetter:
      return 4;
    case ListLabel::Format::kBullet:
      break;
  }
  return 23;
}

std::string RtfListTables(const std::vector<ListDefinition>& lists) {
  if (lists.empty()) return "";
  std::string table = "{\\*\\listtable\n";
  std::string overrides = "{\\*\\listoverridetable";
  for (size_t n = 0; n < lists.size(); ++n) {
    const std::string id = std::to_string(n + 1);
    table += "{\\list\\listtemplateid" + id;
    for (int k = 0; k < kListLevels; ++k) {
      const ListLevel& level = lists[n][static_cast<size_t>(k)];
      const std::string format = std::to_string(LevelNumberFormat(level.label.format));
      const long indent = Twips(level.indent);
      table += "\n{\\listlevel\\levelnfc" + format + "\\levelnfcn" + format +
               "\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat" + std::to_string(level.label.number) +
               "\\levelspace0\\levelindent0" + LevelText(level.label, k) + "\\fi" +
               std::to_string(Twips(ListSet::Hanging(level.indent))) + "\\li" + std::to_string(indent) + "\\lin" +
               std::to_string(indent) + "}";
    }
    table += "\\listid" + id + "}\n";
    overrides += "{\\listoverride\\listid" + id + "\\listoverridecount0\\ls" + id + "}";
  }
  return table + "}\n" + overrides + "}\n";
}

}  // namespace zembra::exporter
