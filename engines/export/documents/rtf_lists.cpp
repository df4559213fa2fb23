#include "engines/export/documents/rtf_lists.h"

#include <algorithm>
#include <cstdio>

#include "engines/export/documents/rtf_text.h"
#include "engines/export/documents/utf8.h"

namespace zembra::exporter {

namespace {

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

int RomanValue(char c) {
  switch (c | 0x20) {
    case 'i':
      return 1;
    case 'v':
      return 5;
    case 'x':
      return 10;
    case 'l':
      return 50;
    case 'c':
      return 100;
    case 'd':
      return 500;
    case 'm':
      return 1000;
    default:
      return 0;
  }
}

// The value of a roman numeral in one letter case; 0 when it is none.
int ParseRoman(const std::string& text) {
  if (text.empty()) return 0;
  const bool lower = text[0] >= 'a';
  int total = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const int value = RomanValue(text[i]);
    if (value == 0 || (text[i] >= 'a') != lower) return 0;
    const int next = i + 1 < text.size() ? RomanValue(text[i + 1]) : 0;
    total += value < next ? -value : value;
  }
  return total > 0 ? total : 0;
}

// Bullets of nested unordered lists when the label does not say.
const char* DefaultBullet(int level) {
  static const char* const kBullets[] = {"\xE2\x80\xA2", "\xE2\x97\xA6", "\xE2\x96\xAA"};  // • ◦ ▪
  return kBullets[level % 3];
}

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

ListLabel ParseListLabel(const std::string& label, bool ordered) {
  ListLabel parsed;
  size_t start = label.find_first_not_of(' ');
  size_t end = label.find_last_not_of(' ');
  const std::string text = start == std::string::npos ? "" : label.substr(start, end - start + 1);
  start = 0;
  while (start < text.size() && !IsAsciiAlnum(text[start])) ++start;
  if (start == text.size()) {
    if (ordered) {
      parsed.format = ListLabel::Format::kDecimal;
      parsed.after = text.empty() ? "." : text;
    } else {
      parsed.bullet = text;
    }
    return parsed;
  }
  end = start;
  while (end < text.size() && IsAsciiAlnum(text[end])) ++end;
  const std::string core = text.substr(start, end - start);
  parsed.before = text.substr(0, start);
  parsed.after = text.substr(end);
  if (std::all_of(core.begin(), core.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    parsed.format = ListLabel::Format::kDecimal;
    parsed.number = core.size() > 6 ? 1 : std::max(1, std::stoi(core));
    return parsed;
  }
  const int roman = ParseRoman(core);
  if (roman > 0 && (core.size() > 1 || core == "i" || core == "I")) {
    parsed.format = core[0] >= 'a' ? ListLabel::Format::kLowerRoman : ListLabel::Format::kUpperRoman;
    parsed.number = roman;
    return parsed;
  }
  if (core.size() == 1) {
    const bool lower = core[0] >= 'a';
    parsed.format = lower ? ListLabel::Format::kLowerLetter : ListLabel::Format::kUpperLetter;
    parsed.number = core[0] - (lower ? 'a' : 'A') + 1;
    return parsed;
  }
  parsed.format = ListLabel::Format::kDecimal;  // "A1": counted, but not in a form a list level can print
  return parsed;
}

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

int RtfLists::LevelOf(const Paragraph& item) { return std::clamp(item.level - 1, 0, kLevels - 1); }

long RtfLists::Hanging(long indent) { return -std::min(indent, 360L); }

int RtfLists::Item(const Paragraph& item, bool continues, long indent) {
  const int level = LevelOf(item);
  ListLabel label = ParseListLabel(item.label, item.ordered);
  if (label.format == ListLabel::Format::kBullet && label.bullet.empty()) label.bullet = DefaultBullet(level);
  if (continues && !lists_.empty() && level == 0) {
    const Level& top = lists_.back().levels[0];
    const bool numbered = label.format != ListLabel::Format::kBullet;
    if (top.seen && ((top.label.format != ListLabel::Format::kBullet) != numbered ||
                     (numbered && label.number <= lists_.back().lastTopNumber))) {
      continues = false;
    }
  }
  if (!continues || lists_.empty()) lists_.emplace_back();
  List& list = lists_.back();
  Level& entry = list.levels[static_cast<size_t>(level)];
  if (!entry.seen) {
    entry.seen = true;
    entry.label = label;
    entry.indent = indent;
  }
  if (level == 0) list.lastTopNumber = label.number;
  return static_cast<int>(lists_.size());
}

std::string RtfLists::Tables() const {
  if (lists_.empty()) return "";
  std::string table = "{\\*\\listtable\n";
  std::string overrides = "{\\*\\listoverridetable";
  for (size_t n = 0; n < lists_.size(); ++n) {
    const std::string id = std::to_string(n + 1);
    table += "{\\list\\listtemplateid" + id;
    const List& list = lists_[n];
    long previousIndent = -360;
    for (int k = 0; k < kLevels; ++k) {
      Level level = list.levels[static_cast<size_t>(k)];
      if (!level.seen) {
        // A depth no item has: numbered like the nearest level above it, one step further in.
        for (int j = k - 1; j >= 0; --j) {
          if (list.levels[static_cast<size_t>(j)].seen) {
            level.label = list.levels[static_cast<size_t>(j)].label;
            break;
          }
        }
        level.label.number = 1;
        if (level.label.format == ListLabel::Format::kBullet) level.label.bullet = DefaultBullet(k);
        level.indent = previousIndent + 360;
      }
      previousIndent = level.indent;
      const std::string format = std::to_string(LevelNumberFormat(level.label.format));
      const long indent = std::max(0L, level.indent);
      table += "\n{\\listlevel\\levelnfc" + format + "\\levelnfcn" + format +
               "\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat" + std::to_string(level.label.number) +
               "\\levelspace0\\levelindent0" + LevelText(level.label, k) + "\\fi" + std::to_string(Hanging(indent)) +
               "\\li" + std::to_string(indent) + "\\lin" + std::to_string(indent) + "}";
    }
    table += "\\listid" + id + "}\n";
    overrides += "{\\listoverride\\listid" + id + "\\listoverridecount0\\ls" + id + "}";
  }
  return table + "}\n" + overrides + "}\n";
}

}  // namespace zembra::exporter
