// Glyphs into printed lines, and a line's glyphs into runs of styled text in
// reading order: word spaces where the page leaves a gap, right-to-left
// scripts turned back from the order they are drawn in, nothing between CJK
// characters.
#pragma once

#include <vector>

#include "engines/export/documents/document_model.h"
#include "engines/export/documents/page_content.h"

namespace zembra::exporter {

/// Splits glyphs given in drawing order into printed lines: a glyph joins the
/// line drawn before it when it stands on that line (overlapping it
/// vertically) and not far beside it. The lines in drawing order.
std::vector<std::vector<const Glyph*>> SplitLines(const std::vector<const Glyph*>& glyphs);

/// Whether most of the glyphs' letters read from right to left.
bool ReadsRightToLeft(const std::vector<const Glyph*>& glyphs);

/// One line of glyphs (any order) as runs in reading order, in a paragraph
/// of the given direction; the box spans its glyphs.
TextLine MakeTextLine(std::vector<const Glyph*> glyphs, const std::vector<TextStyle>& styles, bool rightToLeft);

/// Whether a code point belongs to a script written without spaces between
/// words (Chinese, Japanese, Korean).
bool WrittenWithoutSpaces(char32_t c);

}  // namespace zembra::exporter
