#include "engines/export/documents/list_plan.h"

#include <algorithm>

namespace zembra::exporter {

namespace {

// A label hangs this far left of its item's text, or less near the margin.
constexpr double kLabelWidth = 18;

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

int ListSet::LevelOf(const Paragraph& item) { return std::clamp(item.level - 1, 0, kListLevels - 1); }

double ListSet::Hanging(double indent) { return -std::clamp(indent, 0.0, kLabelWidth); }

int ListSet::Item(const Paragraph& item, bool continues, double indent) {
  const int level = LevelOf(item);
  ListLabel label = ParseListLabel(item.label, item.ordered);
  if (label.format == ListLabel::Format::kBullet && label.bullet.empty()) label.bullet = DefaultBullet(level);
  const bool numbered = label.format != ListLabel::Format::kBullet;
  if (continues && !lists_.empty() && level == 0) {
    const Seen& top = lists_.back().levels[0];
    if (top.seen && ((top.level.label.format != ListLabel::Format::kBullet) != numbered ||
                     (numbered && label.number <= lists_.back().lastTopNumber))) {
      continues = false;
    }
  }
  if (!continues || lists_.empty()) lists_.emplace_back();
  List& list = lists_.back();
  Seen& entry = list.levels[static_cast<size_t>(level)];
  if (!entry.seen) entry = {true, {label, std::max(0.0, indent)}};
  if (level == 0) list.lastTopNumber = label.number;
  return static_cast<int>(lists_.size());
}

std::vector<ListDefinition> ListSet::Lists() const {
  std::vector<ListDefinition> definitions;
  for (const List& list : lists_) {
    ListDefinition definition;
    for (int k = 0; k < kListLevels; ++k) {
      const Seen& seen = list.levels[static_cast<size_t>(k)];
      ListLevel& level = definition[static_cast<size_t>(k)];
      if (seen.seen) {
        level = seen.level;
        continue;
      }
      for (int j = k - 1; j >= 0; --j) {
        if (list.levels[static_cast<size_t>(j)].seen) {
          level.label = list.levels[static_cast<size_t>(j)].level.label;
          break;
        }
      }
      level.label.number = 1;
      if (level.label.format == ListLabel::Format::kBullet) level.label.bullet = DefaultBullet(k);
      level.indent = (k > 0 ? definition[static_cast<size_t>(k - 1)].indent : 0) + kLabelWidth;
    }
    definitions.push_back(definition);
  }
  return definitions;
}

}  // namespace zembra::exporter
