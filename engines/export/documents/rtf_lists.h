// Lists in RTF: the \listtable and \listoverridetable of a document, one
// list per run of consecutive list items, each level numbered or bulleted
// as the first label printed at that level says ("3.", "b)", "iv.", "•").
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engines/export/documents/document_model.h"

namespace zembra::exporter {

/// What a printed list label says about its list's numbering.
struct ListLabel {
  enum class Format { kBullet, kDecimal, kLowerLetter, kUpperLetter, kLowerRoman, kUpperRoman };
  Format format = Format::kBullet;
  int number = 1;             ///< the item's number (1 for "a", 4 for "iv")
  std::string before, after;  ///< text around the number: "(" and ")" of "(a)", "" and "." of "1."
  std::string bullet;         ///< the bullet character (UTF-8), for kBullet
  bool operator==(const ListLabel&) const = default;
};

/// Reads a label: digits are decimal, "i", "ii", "IV" … roman, another
/// single letter alphabetic, a label without letters or digits a bullet.
/// An empty label counts from 1 when the item is ordered, else is a bullet.
ListLabel ParseListLabel(const std::string& label, bool ordered);

/// The \levelnfc number of a format (0 decimal, 23 bullet, …).
int LevelNumberFormat(ListLabel::Format format);

/// The lists of a document, collected while its paragraphs are written.
class RtfLists {
 public:
  static constexpr int kLevels = 9;

  /// The \ls number of a list item. A new list starts when the item does
  /// not continue the previous one (another block came between), or when a
  /// first-level item counts again from a number it already had or changes
  /// between bullets and numbers. Its level takes its format and indent
  /// (twips from the text's left edge) from the first item seen at that level.
  int Item(const Paragraph& item, bool continues, long indent);

  /// The \listtable and \listoverridetable groups; "" when there is no list.
  std::string Tables() const;

  /// The level (0-based, at most kLevels - 1) of an item.
  static int LevelOf(const Paragraph& item);

  /// The first-line offset (negative: the label hangs to the left) of an
  /// item whose text starts at indent.
  static long Hanging(long indent);

 private:
  struct Level {
    bool seen = false;
    ListLabel label;
    long indent = 0;
  };
  struct List {
    std::array<Level, kLevels> levels;
    int lastTopNumber = 0;
  };
  std::vector<List> lists_;
};

}  // namespace zembra::exporter
