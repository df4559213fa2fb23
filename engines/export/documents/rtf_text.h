// The text layer of the RTF writer: escaping, the font and colour tables,
// and styled runs (font, size, weight, slant, underline, colour, links).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "engines/export/documents/document_model.h"

namespace zembra::exporter {

/// Escapes UTF-8 text for RTF: \ { } escaped, tab as \tab, line breaks as
/// \line, every character past ASCII as \uN? (signed 16-bit, a surrogate
/// pair beyond the basic plane).
std::string RtfEscape(const std::string& text);

/// Twips (twentieths of a point), the unit of RTF lengths.
long Twips(double points);

/// The fonts and colours a document uses, numbered in the order they are
/// first asked for, and written as the \fonttbl and \colortbl groups.
class RtfPalette {
 public:
  /// The \f number of a family; an empty family stands for the kind's
  /// usual font. Families differing only in letter case are one font.
  int Font(const std::string& family, FontKind kind);
  /// The \cf / \clcbpat / \brdrcf number of a colour, from 1 (0 is "auto").
  int Color(Rgb color);

  std::string FontTable() const;
  std::string ColorTable() const;

 private:
  struct FontEntry {
    std::string name;
    FontKind kind;
  };
  std::vector<FontEntry> fonts_;
  std::vector<Rgb> colors_;
};

/// The character formatting of a style: font, size, bold, italic,
/// underline and colour (black is the automatic colour and not written).
/// Scripts set their own font slot: rightToLeft adds the complex-script
/// font (Arabic, Hebrew), eastAsian the East Asian one (CJK), both the same
/// family, so a word processor shows each script in the font the PDF used.
std::string RtfCharacterFormat(const TextStyle& style, RtfPalette& palette, bool rightToLeft = false,
                               bool eastAsian = false);

/// Styled runs: one group per run, and one HYPERLINK field around
/// consecutive runs that link to the same address. In a right-to-left
/// paragraph every run sets the complex-script font: digits and marks there
/// are shown in it.
std::string RtfRuns(const std::vector<TextRun>& runs, RtfPalette& palette, bool rightToLeftParagraph = false);

/// Whether a text holds right-to-left letters (Hebrew, Arabic, Syriac,
/// Thaana, N'Ko and their presentation forms), and CJK ideographs, kana or hangul.
bool HasRightToLeftText(const std::string& text);
bool HasEastAsianText(const std::string& text);

}  // namespace zembra::exporter
