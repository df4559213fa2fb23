#include "engines/export/documents/layout_flow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

#include "engines/export/documents/utf8.h"
#include "engines/export/poppler_core.h"

namespace zembra::exporter {
namespace {

// Glyphs of 10 pt type, each character 6 pt wide, boxes from 8 pt above the
// baseline to 2 pt below; spaces drawn as glyphs, as browsers draw them.
class Page {
 public:
  void Text(const std::string& text, double x, double baseline) {
    for (char32_t c : DecodeUtf8(text)) {
      Glyph glyph;
      AppendUtf8(glyph.text, c);
      glyph.code = c;
      glyph.box = {x, baseline - 8, x + 6, baseline + 2};
      glyph.baseline = baseline;
      glyph.size = 10;
      glyphs_.push_back(glyph);
      x += 6;
    }
  }

  std::vector<const Glyph*> All() const {
    std::vector<const Glyph*> all;
    for (const Glyph& glyph : glyphs_) all.push_back(&glyph);
    return all;
  }

  // The page's lines in reading order, each line's text.
  std::vector<std::vector<std::string>> Flows(double left = 50, double right = 550) const {
    std::vector<LayoutBand> bands;
    for (const auto& band : GlyphBands(All())) {
      LayoutBand b;
      b.pieces = LinePieces(band);
      b.box = b.pieces.front().box;
      for (const LayoutItem& piece : b.pieces) b.box = Union(b.box, piece.box);
      bands.push_back(std::move(b));
    }
    std::vector<std::vector<std::string>> flows;
    for (const FlowRun& flow : ReadingFlows(std::move(bands), left, right, 10)) {
      flows.emplace_back();
      for (const LayoutItem& item : flow.items) {
        std::string text;
        for (const Glyph* glyph : item.glyphs) text += glyph->text;
        flows.back().push_back(text);
      }
    }
    return flows;
  }

 private:
  std::deque<Glyph> glyphs_;
};

std::string Text(const std::vector<const Glyph*>& glyphs) {
  std::string text;
  for (const Glyph* glyph : glyphs) text += glyph->text;
  return text;
}

TEST(GlyphBands, LinesTopToBottomEachLeftToRight) {
  Page page;
  page.Text("second", 50, 120);
  page.Text("first", 50, 100);
  page.Text("right", 300, 100);
  page.Text("x", 90, 103);  // a little lower: on the first line still
  const auto bands = GlyphBands(page.All());
  ASSERT_EQ(bands.size(), 2u);
  EXPECT_EQ(Text(bands[0]), "firstxright");
  EXPECT_EQ(Text(bands[1]), "second");
}

TEST(LinePieces, SplitAtGuttersOnly) {
  Page page;
  page.Text("two words", 50, 100);
  page.Text("after a gutter", 50 + 9 * 6 + 20, 100);  // 20 pt: two ems
  page.Text("close", 50 + 23 * 6 + 20 + 12, 100);     // 12 pt: not quite a gutter
  const auto pieces = LinePieces(GlyphBands(page.All()).front());
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(Text(pieces[0].glyphs), "two words");
  EXPECT_EQ(Text(pieces[1].glyphs), "after a gutterclose");
  EXPECT_DOUBLE_EQ(pieces[0].box.x1, 50 + 9 * 6);
  EXPECT_DOUBLE_EQ(pieces[0].size, 10);
}

// Running text of 30 characters a line: 180 pt.
std::string Prose(int line) {
  return "column text line number " + std::string(1, static_cast<char>('a' + line)) + " and";
}

TEST(ReadingFlows, ColumnsReadOneAfterTheOther) {
  Page page;
  page.Text("Heading above", 50, 80);
  // The right column starts half a line higher: its lines fall between the left one's.
  for (int k = 0; k < 6; ++k) page.Text("L " + Prose(k), 50, 110 + 14 * k);
  for (int k = 0; k < 5; ++k) page.Text("R " + Prose(k), 300, 103 + 14 * k);
  page.Text("Below both columns, across the page, a line of its own that is long.", 50, 210);
  const auto flows = page.Flows();
  ASSERT_EQ(flows.size(), 4u);
  EXPECT_EQ(flows[0], std::vector<std::string>{"Heading above"});
  ASSERT_EQ(flows[1].size(), 6u);
  for (const std::string& line : flows[1]) EXPECT_EQ(line.rfind("L ", 0), 0u) << line;
  ASSERT_EQ(flows[2].size(), 5u);
  for (const std::string& line : flows[2]) EXPECT_EQ(line.rfind("R ", 0), 0u) << line;
  EXPECT_EQ(flows[3].front().rfind("Below", 0), 0u);
}

TEST(ReadingFlows, ShortCellsAndFewLinesAreNoColumns) {
  // A table's cells: a gutter, but nothing like running text on either side.
  Page table;
  for (int k = 0; k < 6; ++k) {
    table.Text("Item " + std::to_string(k), 50, 100 + 14 * k);
    table.Text(std::to_string(k * 7), 300, 100 + 14 * k);
  }
  EXPECT_EQ(table.Flows().size(), 1u);
  EXPECT_EQ(table.Flows().front().front(), "Item 00");  // a line's pieces joined again
  // Running text on both sides, but three lines only.
  Page short_;
  for (int k = 0; k < 3; ++k) {
    short_.Text("L " + Prose(k), 50, 100 + 14 * k);
    short_.Text("R " + Prose(k), 300, 100 + 14 * k);
  }
  ASSERT_EQ(short_.Flows().size(), 1u);
  EXPECT_EQ(short_.Flows().front().size(), 3u);
}

TEST(LineLabelOf, NumbersLettersAndBulletsBeforeText) {
  struct Case {
    const char* line;
    const char* label;  // nullptr: none
    bool ordered;
    size_t glyphs;
  };
  const Case cases[] = {
      {"1. Walk the transect", "1.", true, 2},
      {"12) Count", "12)", true, 3},
      {"b. Second letter", "b.", true, 2},
      {"iv. Fourth", "iv.", true, 3},
      {"\u2022 Dune height", "\u2022", false, 1},
      {"- dash item", "-", false, 1},
      {"  2. indented", "2.", true, 4},
      {"12:30 lunch", nullptr, false, 0},
      {"Word. Then", nullptr, false, 0},
      {"1234567. long", nullptr, false, 0},
      {"1.", nullptr, false, 0},  // a label alone is no item
  };
  for (const Case& c : cases) {
    Page page;
    page.Text(c.line, 50, 100);
    std::vector<const Glyph*> line = page.All();
    const std::optional<LineLabel> label = LineLabelOf(line);
    if (c.label == nullptr) {
      EXPECT_FALSE(label) << c.line;
      continue;
    }
    ASSERT_TRUE(label) << c.line;
    EXPECT_EQ(label->text, c.label) << c.line;
    EXPECT_EQ(label->ordered, c.ordered) << c.line;
    EXPECT_EQ(label->glyphs, c.glyphs) << c.line;
  }
}

}  // namespace
}  // namespace zembra::exporter
