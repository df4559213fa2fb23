// The lists of a document as a word processor keeps them: one list per run
// of consecutive list items, each level numbered or bulleted as the first
// label printed at that level says ("3.", "b)", "iv.", "•"), its text
// indented as on the page.
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

/// One level of a list: its items' labels, numbers counting from the first
/// one's, and where their text starts (points from the text's start edge).
struct ListLevel {
  ListLabel label;
  double indent = 0;
};

constexpr int kListLevels = 9;
using ListDefinition = std::array<ListLevel, kListLevels>;

/// The lists of a document, collected while its paragraphs are laid out.
class ListSet {
 public:
  /// The list number (from 1) of an item. A new list starts when the item
  /// does not continue the previous one (another block came between), or
  /// when a first-level item counts again from a number it already had or
  /// changes between bullets and numbers. Its level takes its format and
  /// indent from the first item seen at that level.
  int Item(const Paragraph& item, bool continues, double indent);

  /// Every list with all its levels: one no item has is numbered like the
  /// nearest level above it, one step further in.
  std::vector<ListDefinition> Lists() const;

  /// The level (0-based, at most kListLevels - 1) of an item.
  static int LevelOf(const Paragraph& item);

  /// The first line's offset from the indent (negative: the label hangs to
  /// its left, by at most the indent, so it stays inside the margin).
  static double Hanging(double indent);

 private:
  struct Seen {
    bool seen = false;
    ListLevel level;
  };
  struct List {
    std::array<Seen, kListLevels> levels;
    int lastTopNumber = 0;
  };
  std::vector<List> lists_;
};

}  // namespace zembra::exporter
