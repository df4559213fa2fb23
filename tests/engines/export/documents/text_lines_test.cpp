#include "engines/export/documents/text_lines.h"

#include <gtest/gtest.h>

#include <deque>

#include "engines/export/documents/utf8.h"
#include "engines/export/poppler_core.h"

namespace zembra::exporter {
namespace {

// Glyphs drawn as a PDF draws them: each character at its own place, 10 pt
// type, boxes from 8 pt above the baseline to 2 pt below.
class Drawing {
 public:
  Drawing() {
    styles.push_back({});
    TextStyle bold;
    bold.bold = true;
    styles.push_back(bold);
  }

  // Draws text from x on the baseline, each character advance wide; returns
  // the pen position after it.
  double Text(const std::string& text, double x, double baseline, double advance = 6, int style = 0, int page = 0) {
    for (char32_t c : DecodeUtf8(text)) {
      Glyph glyph;
      AppendUtf8(glyph.text, c);
      glyph.code = c;
      glyph.box = {x, baseline - 8, x + advance, baseline + 2};
      glyph.baseline = baseline;
      glyph.size = 10;
      glyph.style = style;
      glyph.page = page;
      glyphs_.push_back(glyph);
      x += advance;
    }
    return x;
  }

  std::vector<const Glyph*> All() const {
    std::vector<const Glyph*> all;
    for (const Glyph& glyph : glyphs_) all.push_back(&glyph);
    return all;
  }

  std::string Line(bool rightToLeft = false) const {
    std::string text;
    for (const TextRun& run : MakeTextLine(All(), styles, rightToLeft).runs) text += run.text;
    return text;
  }

  std::vector<TextStyle> styles;

 private:
  std::deque<Glyph> glyphs_;
};

TEST(SplitLines, GroupsGlyphsByTheLineTheyStandOn) {
  Drawing d;
  d.Text("first line", 72, 100);
  d.Text("x", 150, 103);       // a little lower: a subscript on the same line
  d.Text("second", 72, 114);   // the next line
  d.Text("beside", 300, 114);  // far to the right: another column's line
  d.Text("next page", 72, 100, 6, 0, 1);
  const auto lines = SplitLines(d.All());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].size(), 11u);
  EXPECT_EQ(lines[1].size(), 6u);
  EXPECT_EQ(lines[2].size(), 6u);
  EXPECT_EQ(lines[3].front()->page, 1);
}

TEST(MakeTextLine, FindsWordSpacesFromGapsAndKeepsDrawnOnes) {
  struct Case {
    std::vector<std::pair<std::string, double>> pieces;  // text and where it starts
    std::string line;
  };
  const std::vector<Case> cases = {
      {{{"drawn space", 72}}, "drawn space"},
      {{{"gap", 72}, {"between", 72 + 18 + 3}}, "gap between"},                    // 3 pt: a word space at 10 pt
      {{{"kerned", 72}, {"on", 72 + 36 + 0.5}}, "kernedon"},                       // half a point: letter fitting
      {{{"国际化", 72}, {"是设计", 72 + 18 + 3}}, "国际化是设计"},                 // no spaces between CJK characters
      {{{"ends ", 72}, {"next", 72 + 30 + 4}}, "ends next"},                       // one space, not two
      {{{" padded ", 72}}, "padded"},                                              // none at either end
      {{{"drawn spaces code", 72}, {".", 72 + 102 + 2.5}}, "drawn spaces code."},  // padding after inline code
      {{{"drawn spaces", 72}, {"far", 72 + 72 + 6}}, "drawn spaces far"},          // a wide gap is a space still
  };
  for (const Case& c : cases) {
    Drawing d;
    for (const auto& [text, x] : c.pieces) d.Text(text, x, 100);
    EXPECT_EQ(d.Line(), c.line);
  }
}

TEST(MakeTextLine, DrawingOrderDoesNotMatterAndOverprintCountsOnce) {
  Drawing d;
  d.Text("end", 120, 100);
  d.Text("The", 72, 100);
  d.Text("The", 72.2, 100);  // drawn twice for a heavier look
  EXPECT_EQ(d.Line(), "The end");
}

TEST(MakeTextLine, RightToLeftTextComesBackInReadingOrder) {
  Drawing d;
  // "السكان 9,540,000" as a right-to-left page draws it.
  const double x = d.Text("9,540,000", 100, 100);
  d.Text(" ناكسلا", x, 100);
  EXPECT_EQ(d.Line(true), "السكان 9,540,000");
  const TextLine line = MakeTextLine(d.All(), d.styles, true);
  EXPECT_DOUBLE_EQ(line.box.x0, 100);
  EXPECT_DOUBLE_EQ(line.box.x1, 100 + 16 * 6);
}

TEST(MakeTextLine, RunsChangeWithTheStyleAndSpacesJoinTheirNeighbours) {
  Drawing d;
  double x = d.Text("plain ", 72, 100);
  x = d.Text("bold", x, 100, 6, 1);
  x = d.Text(" ", x, 100);  // a space drawn in the plain font between two bold words
  x = d.Text("too", x, 100, 6, 1);
  d.Text("tail", x + 6, 100);  // a gap: the space takes the style before it
  const TextLine line = MakeTextLine(d.All(), d.styles, false);
  ASSERT_EQ(line.runs.size(), 3u);
  EXPECT_EQ(line.runs[0].text, "plain ");
  EXPECT_FALSE(line.runs[0].style.bold);
  EXPECT_EQ(line.runs[1].text, "bold too ");
  EXPECT_TRUE(line.runs[1].style.bold);
  EXPECT_EQ(line.runs[2].text, "tail");
}

TEST(ReadsRightToLeft, FollowsTheMajorityOfLetters) {
  Drawing arabic;
  arabic.Text("word التدويل", 72, 100);
  EXPECT_TRUE(ReadsRightToLeft(arabic.All()));
  Drawing latin;
  latin.Text("Latin text with العربية", 72, 100);
  EXPECT_FALSE(ReadsRightToLeft(latin.All()));
}

}  // namespace
}  // namespace zembra::exporter
