#include "engines/export/documents/rtf_text.h"

#include <gtest/gtest.h>

namespace zembra::exporter {
namespace {

TEST(RtfEscape, EscapesSyntaxAndWritesUnicodeAsSigned16Bit) {
  struct Case {
    const char* text;
    const char* rtf;
  };
  for (const Case& c : {
           Case{"plain text", "plain text"},
           Case{"a\\b{c}", "a\\\\b\\{c\\}"},
           Case{"caf\xC3\xA9", "caf\\u233?"},
           Case{"\xE2\x82\xAC"
                "3,420.00",
                "\\u8364?3,420.00"},                         // the euro sign stays beside its amount
           Case{"\xE4\xB8\xAD", "\\u20013?"},                // U+4E2D
           Case{"\xEF\xBF\xBD", "\\u-3?"},                   // U+FFFD, past 32767
           Case{"\xF0\x9F\x98\x80", "\\u-10179?\\u-8704?"},  // U+1F600 as a surrogate pair
           Case{"tab\there", "tab\\tab here"},
           Case{"two\nlines", "two\\line lines"},
           Case{"bell\x07gone", "bellgone"},
           Case{"bad\xFF"
                "byte",
                "bad\\u-3?byte"},
       }) {
    EXPECT_EQ(RtfEscape(c.text), c.rtf) << c.text;
  }
}

TEST(RtfPalette, NumbersFontsInFirstUseOrderOncePerFamily) {
  RtfPalette palette;
  EXPECT_EQ(palette.Font("DejaVu Sans", FontKind::kSans), 0);
  EXPECT_EQ(palette.Font("DejaVu Serif", FontKind::kSerif), 1);
  EXPECT_EQ(palette.Font("dejavu sans", FontKind::kSans), 0);  // letter case does not make another font
  EXPECT_EQ(palette.Font("", FontKind::kMono), 2);             // no family: the kind's usual font
  EXPECT_EQ(palette.Font("Courier New", FontKind::kMono), 2);
  EXPECT_EQ(palette.Font("Evil;{Font}\\", FontKind::kSans), 3);  // what would break the table is dropped
  EXPECT_EQ(palette.FontTable(),
            "{\\fonttbl{\\f0\\fswiss\\fcharset0\\fprq2 DejaVu Sans;}{\\f1\\froman\\fcharset0\\fprq2 DejaVu Serif;}"
            "{\\f2\\fmodern\\fcharset0\\fprq1 Courier New;}{\\f3\\fswiss\\fcharset0\\fprq2 EvilFont;}}\n");
  EXPECT_EQ(RtfPalette().FontTable(), "{\\fonttbl{\\f0\\fswiss\\fcharset0\\fprq2 Arial;}}\n");
}

TEST(RtfPalette, NumbersColoursFromOneOncePerColour) {
  RtfPalette palette;
  EXPECT_EQ(palette.Color({26, 79, 138}), 1);
  EXPECT_EQ(palette.Color({255, 255, 255}), 2);
  EXPECT_EQ(palette.Color({26, 79, 138}), 1);
  EXPECT_EQ(palette.ColorTable(), "{\\colortbl;\\red26\\green79\\blue138;\\red255\\green255\\blue255;}\n");
}

TextStyle Style(double size, bool bold = false, bool italic = false, Rgb color = {}) {
  TextStyle style;
  style.fontFamily = "DejaVu Sans";
  style.size = size;
  style.bold = bold;
  style.italic = italic;
  style.color = color;
  return style;
}

TEST(RtfCharacterFormat, SaysFontSizeWeightSlantAndColourAndEachScriptsFont) {
  RtfPalette palette;
  palette.Color({1, 2, 3});
  struct Case {
    TextStyle style;
    bool rtl, cjk;
    const char* rtf;
  };
  TextStyle underlined = Style(10.5);
  underlined.underline = true;
  for (const Case& c : {
           Case{Style(11), false, false, "\\f0\\fs22"},  // black is the automatic colour
           Case{Style(8.5, true, true, {200, 0, 0}), false, false, "\\f0\\fs17\\b\\i\\cf2"},
           Case{underlined, false, false, "\\f0\\fs21\\ul"},
           Case{Style(0), false, false, "\\f0\\fs24"},  // no size known: 12 pt
           Case{Style(12, true), true, false, "\\rtlch\\af0\\afs24\\ab\\ltrch\\loch\\f0\\fs24\\b"},
           Case{Style(12), false, true, "\\dbch\\af0\\ltrch\\loch\\f0\\fs24"},
       }) {
    EXPECT_EQ(RtfCharacterFormat(c.style, palette, c.rtl, c.cjk), c.rtf);
  }
}

TEST(RtfRuns, OneFieldAroundConsecutiveRunsOfOneLink) {
  RtfPalette palette;
  TextStyle link = Style(11);
  link.link = "https://example.org/a?q=\"x\"";
  TextStyle boldLink = link;
  boldLink.bold = true;
  TextStyle other = Style(11);
  other.link = "https://example.org/b";
  const std::vector<TextRun> runs = {{"see ", Style(11)}, {"the ", link},      {"", link},
                                     {"form", boldLink},  {" or ", Style(11)}, {"this", other}};
  EXPECT_EQ(RtfRuns(runs, palette),
            "{\\f0\\fs22 see }"
            "{\\field{\\*\\fldinst{HYPERLINK \"https://example.org/a?q=%22x%22\"}}"
            "{\\fldrslt{{\\f0\\fs22 the }{\\f0\\fs22\\b form}}}}"
            "{\\f0\\fs22  or }"
            "{\\field{\\*\\fldinst{HYPERLINK \"https://example.org/b\"}}{\\fldrslt{{\\f0\\fs22 this}}}}");
}

TEST(RtfRuns, ArabicAndChineseRunsTakeTheirScriptsFontSlot) {
  RtfPalette palette;
  const std::string rtf = RtfRuns({{"abc \xD8\xA7\xD9\x84", Style(12)}, {"\xE5\x9B\xBD", Style(12, true)}}, palette);
  EXPECT_EQ(rtf,
            "{\\rtlch\\af0\\afs24\\ltrch\\loch\\f0\\fs24 abc \\u1575?\\u1604?}"
            "{\\dbch\\af0\\ltrch\\loch\\f0\\fs24\\b \\u22269?}");
}

TEST(RtfRuns, InARightToLeftParagraphEveryRunSetsTheComplexScriptFont) {
  RtfPalette palette;
  EXPECT_EQ(RtfRuns({{"9,540,000", Style(12)}}, palette, true),
            "{\\rtlch\\af0\\afs24\\ltrch\\loch\\f0\\fs24 9,540,000}");
  EXPECT_EQ(RtfRuns({{"9,540,000", Style(12)}}, palette, false), "{\\f0\\fs24 9,540,000}");
}

TEST(ScriptDetection, FindsRightToLeftLettersAndEastAsianCharacters) {
  struct Case {
    const char* text;
    bool rtl, cjk;
  };
  for (const Case& c : {
           Case{"plain ASCII", false, false}, Case{"caf\xC3\xA9 \xE2\x82\xAC", false, false},
           Case{"\xD7\x91\xD7\x99", true, false},          // Hebrew
           Case{"x \xD8\xA7\xD9\x84", true, false},        // Arabic
           Case{"\xEF\xBB\xBB", true, false},              // an Arabic presentation form
           Case{"\xE5\x9B\xBD\xE9\x99\x85", false, true},  // Chinese
           Case{"\xE3\x81\xA8", false, true},              // hiragana
           Case{"\xED\x95\x9C", false, true},              // hangul
           Case{"\xEF\xBC\x8C", false, true},              // a fullwidth comma
       }) {
    EXPECT_EQ(HasRightToLeftText(c.text), c.rtl) << c.text;
    EXPECT_EQ(HasEastAsianText(c.text), c.cjk) << c.text;
  }
}

}  // namespace
}  // namespace zembra::exporter
