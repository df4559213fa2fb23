// Reading order of a printed line. A PDF draws right-to-left scripts (Arabic,
// Hebrew) in visual order, left to right on the page; the writers need the
// text in logical order, as it was typed. The levels of the bidirectional
// algorithm are resolved on the drawn sequence and its reordering applied to
// it: that reordering is its own inverse, so it turns the visual order back
// into the logical one.
#pragma once

#include <cstddef>
#include <vector>

namespace zembra::exporter {

/// The classes of the bidirectional algorithm the reader tells apart.
enum class BidiClass {
  kLeft,   ///< strong left-to-right: Latin, CJK, most letters
  kRight,  ///< strong right-to-left: Hebrew, Arabic, Syriac, Thaana
  kEuropeanNumber,
  kArabicNumber,
  kNumberSign,        ///< "+", "-": a number's sign, between or before digits
  kNumberTerminator,  ///< "%", "$", "€", "°": before or after digits
  kNumberSeparator,   ///< ",", ".", ":", "/" between digits
  kNeutral,           ///< spaces and other punctuation
};

BidiClass BidiClassOf(char32_t c);

/// The character a bracket shows as in right-to-left text ("(" for ")"); c
/// itself when it has no mirror image.
char32_t MirroredCharacter(char32_t c);

/// Whether a paragraph of these characters reads from right to left: more of
/// its strong characters are right-to-left than left-to-right.
bool MostlyRightToLeft(const std::vector<BidiClass>& classes);

struct BidiOrder {
  std::vector<size_t> logical;  ///< positions of the drawn sequence, in reading order
  std::vector<int> levels;      ///< each drawn position's embedding level; odd: right to left
};

/// The reading order of a line's characters given as drawn, left to right,
/// in a paragraph of the given base direction.
BidiOrder LogicalOrder(const std::vector<BidiClass>& visual, bool rightToLeft);

}  // namespace zembra::exporter
