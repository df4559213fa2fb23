#include "engines/export/documents/bidi_order.h"

#include <algorithm>

namespace zembra::exporter {

namespace {

bool In(char32_t c, char32_t first, char32_t last) { return c >= first && c <= last; }

bool IsRightToLeftBlock(char32_t c) {
  return In(c, 0x0590, 0x08FF) || In(c, 0xFB1D, 0xFDFF) || In(c, 0xFE70, 0xFEFE) || In(c, 0x10800, 0x10FFF) ||
         In(c, 0x1E800, 0x1EFFF);
}

// A number's type as the neighbours of a neutral see it, and whether it
// stands in left-to-right context.
enum class Strong { kNone, kLeft, kRight };

}  // namespace

BidiClass BidiClassOf(char32_t c) {
  if (In(c, '0', '9') || c == 0xB2 || c == 0xB3 || c == 0xB9 || In(c, 0x06F0, 0x06F9) || In(c, 0x2070, 0x2079) ||
      In(c, 0x2080, 0x2089) || In(c, 0xFF10, 0xFF19)) {
    return BidiClass::kEuropeanNumber;
  }
  if (In(c, 0x0600, 0x0605) || In(c, 0x0660, 0x0669) || c == 0x066B || c == 0x066C || c == 0x06DD) {
    return BidiClass::kArabicNumber;
  }
  if (c == '+' || c == '-' || c == 0x2212 || c == 0xFE62 || c == 0xFE63 || c == 0xFF0B || c == 0xFF0D) {
    return BidiClass::kNumberSign;
  }
  if (c == '#' || c == '$' || c == '%' || In(c, 0xA2, 0xA5) || c == 0xB0 || c == 0xB1 || In(c, 0x20A0, 0x20CF) ||
      In(c, 0x2030, 0x2034) || c == 0x0609 || c == 0x060A || c == 0x066A || c == 0xFF04 || c == 0xFF05) {
    return BidiClass::kNumberTerminator;
  }
  if (c == ',' || c == '.' || c == '/' || c == ':' || c == 0xA0 || c == 0x060C || c == 0x202F || c == 0x2044 ||
      c == 0xFF0C || c == 0xFF0E || c == 0xFF0F || c == 0xFF1A) {
    return BidiClass::kNumberSeparator;
  }
  if (IsRightToLeftBlock(c)) {
    // Combining marks of these scripts follow their letter; as neutrals they
    // take its direction.
    if (In(c, 0x0591, 0x05BD) || In(c, 0x064B, 0x065F) || c == 0x0670 || In(c, 0x06D6, 0x06DC) ||
        In(c, 0x06DF, 0x06E4)) {
      return BidiClass::kNeutral;
    }
    return BidiClass::kRight;
  }
  if (c < 0x80) {
    const bool letter = In(c, 'a', 'z') || In(c, 'A', 'Z');
    return letter ? BidiClass::kLeft : BidiClass::kNeutral;
  }
  if (In(c, 0x80, 0xBF) || c == 0xD7 || c == 0xF7 || In(c, 0x0300, 0x036F) || In(c, 0x2000, 0x206F) ||
      In(c, 0x20D0, 0x20FF) || In(c, 0x2100, 0x214F) || In(c, 0x2190, 0x2BFF) || In(c, 0x3000, 0x3004) ||
      In(c, 0x3008, 0x3020) || c == 0x3030 || In(c, 0xFE30, 0xFE4F) || In(c, 0xFF01, 0xFF20) || In(c, 0xFF3B, 0xFF40) ||
      In(c, 0xFF5B, 0xFF65) || In(c, 0xFFF0, 0xFFFF)) {
    return BidiClass::kNeutral;
  }
  return BidiClass::kLeft;
}

char32_t MirroredCharacter(char32_t c) {
  static constexpr std::pair<char32_t, char32_t> kPairs[] = {
      {'(', ')'},       {'<', '>'},       {'[', ']'},       {'{', '}'},       {0xAB, 0xBB},     {0x2039, 0x203A},
      {0x2045, 0x2046}, {0x207D, 0x207E}, {0x208D, 0x208E}, {0x2264, 0x2265}, {0x3008, 0x3009}, {0x300A, 0x300B},
      {0x300C, 0x300D}, {0x300E, 0x300F}, {0x3010, 0x3011}, {0xFF08, 0xFF09}, {0xFF3B, 0xFF3D}, {0xFF5B, 0xFF5D},
  };
  for (const auto& [open, close] : kPairs) {
    if (c == open) return close;
    if (c == close) return open;
  }
  return c;
}

bool MostlyRightToLeft(const std::vector<BidiClass>& classes) {
  size_t left = 0, right = 0;
  for (BidiClass c : classes) {
    if (c == BidiClass::kLeft) ++left;
    if (c == BidiClass::kRight) ++right;
  }
  return right > left;
}

BidiOrder LogicalOrder(const std::vector<BidiClass>& visual, bool rightToLeft) {
  const size_t n = visual.size();
  std::vector<BidiClass> classes = visual;

  // Numbers: terminators next to digits, and a single sign or separator
  // between two digits, belong to the number ("€3,420.00", "15%", "1-2").
  auto isNumber = [&](size_t i) {
    return classes[i] == BidiClass::kEuropeanNumber || classes[i] == BidiClass::kArabicNumber;
  };
  for (size_t i = 1; i + 1 < n; ++i) {
    const bool between = isNumber(i - 1) && isNumber(i + 1) && classes[i - 1] == classes[i + 1];
    if (between && (classes[i] == BidiClass::kNumberSeparator ||
                    (classes[i] == BidiClass::kNumberSign && classes[i - 1] == BidiClass::kEuropeanNumber))) {
      classes[i] = classes[i - 1];
    }
  }
  for (size_t i = 0; i < n; ++i) {
    if (classes[i] != BidiClass::kNumberTerminator) continue;
    size_t end = i;
    while (end < n && classes[end] == BidiClass::kNumberTerminator) ++end;
    const bool touches = (i > 0 && classes[i - 1] == BidiClass::kEuropeanNumber) ||
                         (end < n && classes[end] == BidiClass::kEuropeanNumber);
    for (size_t k = i; k < end; ++k) classes[k] = touches ? BidiClass::kEuropeanNumber : BidiClass::kNeutral;
    i = end - 1;
  }
  for (BidiClass& c : classes) {
    if (c == BidiClass::kNumberSign || c == BidiClass::kNumberSeparator) c = BidiClass::kNeutral;
  }

  // The nearest letter on either side, for numbers and neutrals.
  std::vector<Strong> letterBefore(n, Strong::kNone), letterAfter(n, Strong::kNone);
  Strong seen = Strong::kNone;
  for (size_t i = 0; i < n; ++i) {
    letterBefore[i] = seen;
    if (classes[i] == BidiClass::kLeft) seen = Strong::kLeft;
    if (classes[i] == BidiClass::kRight) seen = Strong::kRight;
  }
  seen = Strong::kNone;
  for (size_t i = n; i-- > 0;) {
    letterAfter[i] = seen;
    if (classes[i] == BidiClass::kLeft) seen = Strong::kLeft;
    if (classes[i] == BidiClass::kRight) seen = Strong::kRight;
  }

  // Every position's direction: European digits among left-to-right text
  // read as it does; digits elsewhere stand in right-to-left context.
  const Strong base = rightToLeft ? Strong::kRight : Strong::kLeft;
  std::vector<Strong> direction(n, Strong::kNone);
  std::vector<bool> number(n, false);
  for (size_t i = 0; i < n; ++i) {
    switch (classes[i]) {
      case BidiClass::kLeft:
        direction[i] = Strong::kLeft;
        break;
      case BidiClass::kRight:
        direction[i] = Strong::kRight;
        break;
      case BidiClass::kEuropeanNumber: {
        const Strong before = letterBefore[i] == Strong::kNone ? base : letterBefore[i];
        const Strong after = letterAfter[i] == Strong::kNone ? base : letterAfter[i];
        const bool leftContext = before == Strong::kLeft || after == Strong::kLeft;
        number[i] = true;
        direction[i] = leftContext && !rightToLeft ? Strong::kLeft : Strong::kRight;
        break;
      }
      case BidiClass::kArabicNumber:
        number[i] = true;
        direction[i] = Strong::kRight;
        break;
      default:
        break;
    }
  }
  // Neutrals take the direction both neighbours share, else the base one.
  std::vector<Strong> before(n, base), after(n, base);
  seen = base;
  for (size_t i = 0; i < n; ++i) {
    before[i] = seen;
    if (direction[i] != Strong::kNone) seen = direction[i];
  }
  seen = base;
  for (size_t i = n; i-- > 0;) {
    after[i] = seen;
    if (direction[i] != Strong::kNone) seen = direction[i];
  }

  BidiOrder order;
  order.levels.resize(n);
  for (size_t i = 0; i < n; ++i) {
    Strong d = direction[i];
    const bool neutral = d == Strong::kNone;
    if (neutral) d = before[i] == after[i] ? before[i] : base;
    int level;
    if (!rightToLeft) {
      level = d == Strong::kLeft ? 0 : 1;
      if (number[i] && d == Strong::kRight) level = 2;
    } else {
      level = d == Strong::kRight ? 1 : 2;
      if (number[i]) level = 2;
    }
    order.levels[i] = level;
  }

  // Reverse every run at or above each level, from the highest down.
  order.logical.resize(n);
  for (size_t i = 0; i < n; ++i) order.logical[i] = i;
  std::vector<int> levels = order.levels;
  const int highest = n == 0 ? 0 : *std::max_element(levels.begin(), levels.end());
  for (int level = highest; level >= 1; --level) {
    for (size_t i = 0; i < n;) {
      if (levels[i] < level) {
        ++i;
        continue;
      }
      size_t end = i;
      while (end < n && levels[end] >= level) ++end;
      std::reverse(order.logical.begin() + static_cast<long>(i), order.logical.begin() + static_cast<long>(end));
      std::reverse(levels.begin() + static_cast<long>(i), levels.begin() + static_cast<long>(end));
      i = end;
    }
  }
  return order;
}

}  // namespace zembra::exporter
